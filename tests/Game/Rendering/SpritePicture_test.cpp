#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Game/Rendering/SpritePicture.h"
#include "Support/GameWorld.h"

using namespace test_support;

namespace {

TEST(SpritePicture, EveryActiveCellIsOnePixelRowsFromTheBottom) {
    SpriteAsset asset;
    asset.cellCount = glm::ivec2(64, 32);
    asset.chunks.resize(1);
    SpriteChunkData& chunk = asset.chunks[0];
    chunk.gridPixelOffset = glm::ivec2(32, 0);
    chunk.mask[3 * 32 + 5] = 1;
    chunk.color[3 * 32 + 5] = 0xFF0000FFu;
    chunk.mask[4 * 32 + 5] = 1 | 0x20; // removed
    chunk.color[4 * 32 + 5] = 0xFFFFFFFFu;
    const SpritePicture picture = make_sprite_picture(asset);
    const std::vector<uint32_t>& pixels = picture.pixels;
    EXPECT_EQ(picture.width, 64u);
    ASSERT_EQ(pixels.size(), 64u * 32u);
    EXPECT_EQ(pixels[3 * 64 + 37], 0xFF0000FFu);
    EXPECT_EQ(pixels[4 * 64 + 37], 0u);
    size_t set = 0;
    for (uint32_t p : pixels) {
        set += p != 0 ? 1 : 0;
    }
    EXPECT_EQ(set, 1u);
}

TEST(SpritePicture, CellsLandAtTheirGridPlacesAndEmptyCellsStayClear) {
    const AssetPackage package = load_game_assets();
    const SpriteAsset& star = package.get_by_name<SpriteAsset>("game/sprite/star");
    const SpritePicture picture = make_sprite_picture(star);
    ASSERT_EQ(picture.width, static_cast<uint32_t>(star.cellCount.x));
    ASSERT_EQ(picture.height, static_cast<uint32_t>(star.cellCount.y));
    int32_t opaque = 0;
    for (const uint32_t pixel : picture.pixels) {
        opaque += (pixel >> 24) != 0 ? 1 : 0;
    }
    EXPECT_EQ(opaque, star.activePixelCount);
    const SpriteChunkData& chunk = star.chunks.at(0);
    for (int32_t cell = 0; cell < kSpriteChunkCells; ++cell) {
        const int32_t x = chunk.gridPixelOffset.x + cell % kSpriteChunkSize;
        const int32_t y = chunk.gridPixelOffset.y + cell / kSpriteChunkSize;
        const uint32_t pixel = picture.pixels[static_cast<size_t>(y) * picture.width + static_cast<size_t>(x)];
        EXPECT_EQ(pixel,
                  (chunk.mask[static_cast<size_t>(cell)] & 0x1F) != 0 ? chunk.color[static_cast<size_t>(cell)] : 0u);
    }
}

} // namespace
