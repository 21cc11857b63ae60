#pragma once
// A sprite asset as a flat picture: its cells composited into one RGBA8 image of cellCount pixels, for
// sprites that are only ever drawn whole (background, UI), never cut.

#include <cstdint>
#include <optional>
#include <vector>

#include "Engine/Graphics/UvRect.h"

struct SpriteAsset;
class TextureAtlasPacked;

struct SpritePicture {
    uint32_t width = 0;
    uint32_t height = 0;
    // RGBA8, red in the low byte; row 0 is cell row 0 (the bottom), like the chunk textures.
    std::vector<uint32_t> pixels;
};

// Empty, removed and out-of-grid cells stay transparent.
SpritePicture make_sprite_picture(const SpriteAsset& asset);

// Packs the picture into the atlas. The atlas borrows the pixels until its next update, so the picture must
// outlive that. Nothing when the picture is empty or does not fit.
std::optional<UvRect> add_sprite_picture(TextureAtlasPacked& atlas, const SpritePicture& picture);
