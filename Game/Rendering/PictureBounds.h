#pragma once
// The part of a picture that holds its opaque pixels. A picture drawn large with much transparent room
// around its shape (the background's smoke) is drawn by that part only, so the transparent pixels cost no
// fragments. One transparent pixel of margin is kept on each side where the picture has it: the part's edges
// then lie between transparent pixels, and with nearest filtering the part gives the same pixels as the
// whole quad.

#include <cstdint>

#include "Engine/Graphics/UvRect.h"
#include "Engine/Math/Transform.h"
#include "Game/Rendering/SpritePicture.h"

struct PictureRect {
    uint32_t column = 0;
    uint32_t row = 0; // counted from row 0 of the picture (the bottom)
    uint32_t columns = 0;
    uint32_t rows = 0;
};

// The opaque pixels' bounds with their margin; an empty rectangle for a picture without an opaque pixel.
PictureRect opaque_bounds(const SpritePicture& picture);

// The part of a quad drawing the whole picture (`whole` over the atlas region `uv`) that covers `rect`, with
// the part of the region it samples.
struct PictureQuad {
    Transform transform;
    UvRect uv;
};
PictureQuad picture_part(const Transform& whole, const UvRect& uv, const SpritePicture& picture,
                         const PictureRect& rect);
