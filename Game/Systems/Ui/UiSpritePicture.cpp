#include "Game/Systems/Ui/UiSpritePicture.h"

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/Graphics/TextureAtlasPacked.h"

std::vector<uint32_t> sprite_asset_pixels(const SpriteAsset& asset) {
    const int32_t width = asset.cellCount.x;
    const int32_t height = asset.cellCount.y;
    if (width <= 0 || height <= 0) {
        return {};
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    for (const SpriteChunkData& chunk : asset.chunks) {
        for (int32_t cell = 0; cell < kSpriteChunkCells; ++cell) {
            const uint16_t flags = chunk.mask[static_cast<size_t>(cell)];
            if (!cell_active(flags)) {
                continue;
            }
            const int32_t x = chunk.gridPixelOffset.x + cell % kSpriteChunkSize;
            const int32_t y = chunk.gridPixelOffset.y + cell / kSpriteChunkSize;
            // The loader checks the chunk offsets, but a picture never writes outside itself.
            if (x < 0 || y < 0 || x >= width || y >= height) {
                continue;
            }
            pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                chunk.color[static_cast<size_t>(cell)];
        }
    }
    return pixels;
}

void UiSpritePicture::load(AssetPackage& assets, std::string_view name, TextureAtlasPacked& atlas) {
    asset = &assets.get_by_name<SpriteAsset>(name);
    pixels = sprite_asset_pixels(*asset);
    region = UvRect{glm::vec2(0.0f), glm::vec2(0.0f), 0, 0};
    if (pixels.empty()) {
        return;
    }
    QueuedRegion write;
    write.write = TextureWrite{UploadFormatRgba,
                               PixelTypeUnsignedByte,
                               0,
                               0,
                               0,
                               static_cast<uint32_t>(asset->cellCount.x),
                               static_cast<uint32_t>(asset->cellCount.y),
                               1};
    write.texel_size = 4;
    write.count = 1;
    if (auto packed = atlas.add_pixels(write, pixels.data())) {
        region = *packed;
    }
}
