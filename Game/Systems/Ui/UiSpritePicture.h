#pragma once
// A UI picture made from a sprite asset: its cells composited into one RGBA image of cellCount pixels, packed into
// the scene's atlas. The pixels stay here because the atlas only borrows them until its next upload.

#include <cstdint>
#include <string_view>
#include <vector>

#include "Engine/Graphics/UvRect.h"

class TextureAtlasPacked;
struct AssetPackage;
struct SpriteAsset;

// One RGBA8 pixel per cell (red in the low byte), rows from the bottom up as the cells count them; empty and
// removed cells are transparent.
std::vector<uint32_t> sprite_asset_pixels(const SpriteAsset& asset);

struct UiSpritePicture {
    // Looks the sprite up by name (an unknown name throws) and packs its picture. A picture that does not fit is
    // reported by the atlas and leaves the region empty (0 x 0).
    void load(AssetPackage& assets, std::string_view name, TextureAtlasPacked& atlas);

    const SpriteAsset* asset = nullptr;
    UvRect region{glm::vec2(0.0f), glm::vec2(0.0f), 0, 0};
    std::vector<uint32_t> pixels;
};
