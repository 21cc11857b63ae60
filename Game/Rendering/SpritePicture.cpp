#include "Game/Rendering/SpritePicture.h"

#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/Graphics/TextureAtlasPacked.h"

SpritePicture make_sprite_picture(const SpriteAsset& asset) {
    SpritePicture picture;
    if (asset.cellCount.x <= 0 || asset.cellCount.y <= 0) {
        return picture;
    }
    picture.width = static_cast<uint32_t>(asset.cellCount.x);
    picture.height = static_cast<uint32_t>(asset.cellCount.y);
    picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0u);
    for (const SpriteChunkData& chunk : asset.chunks) {
        for (int32_t cell = 0; cell < kSpriteChunkCells; ++cell) {
            const uint16_t flags = chunk.mask[static_cast<size_t>(cell)];
            if (!cell_active(flags)) {
                continue;
            }
            // Offsets come from the file: a cell outside the picture is dropped, never written.
            const int32_t x = chunk.gridPixelOffset.x + cell % kSpriteChunkSize;
            const int32_t y = chunk.gridPixelOffset.y + cell / kSpriteChunkSize;
            if (x < 0 || y < 0 || x >= asset.cellCount.x || y >= asset.cellCount.y) {
                continue;
            }
            picture.pixels[static_cast<size_t>(y) * picture.width + static_cast<size_t>(x)] =
                chunk.color[static_cast<size_t>(cell)];
        }
    }
    return picture;
}

std::optional<UvRect> add_sprite_picture(TextureAtlasPacked& atlas, const SpritePicture& picture) {
    if (picture.pixels.empty()) {
        return std::nullopt;
    }
    QueuedRegion region;
    region.write = TextureWrite{UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, picture.width, picture.height, 1};
    region.texel_size = 4;
    region.count = 1;
    return atlas.add_pixels(region, picture.pixels.data());
}
