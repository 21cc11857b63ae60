#include "Game/Rendering/PictureBounds.h"

#include <algorithm>

#include "Engine/Math/Vector.h"

PictureRect opaque_bounds(const SpritePicture& picture) {
    if (picture.width == 0 || picture.height == 0 ||
        picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height) {
        return {};
    }
    uint32_t x0 = picture.width;
    uint32_t y0 = picture.height;
    uint32_t x1 = 0;
    uint32_t y1 = 0;
    for (uint32_t y = 0; y < picture.height; ++y) {
        for (uint32_t x = 0; x < picture.width; ++x) {
            if ((picture.pixels[static_cast<size_t>(y) * picture.width + x] >> 24) != 0) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x0 > x1) {
        return {};
    }
    x0 = x0 > 0 ? x0 - 1 : 0;
    y0 = y0 > 0 ? y0 - 1 : 0;
    x1 = std::min(x1 + 1, picture.width - 1);
    y1 = std::min(y1 + 1, picture.height - 1);
    return PictureRect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

PictureQuad picture_part(const Transform& whole, const UvRect& uv, const SpritePicture& picture,
                         const PictureRect& rect) {
    // The whole quad spans -1 to 1 over the picture's width and height; the part has this centre and half
    // size in that square.
    const glm::vec2 size(static_cast<float>(std::max(picture.width, 1u)),
                         static_cast<float>(std::max(picture.height, 1u)));
    const glm::vec2 first(static_cast<float>(rect.column), static_cast<float>(rect.row));
    const glm::vec2 count(static_cast<float>(rect.columns), static_cast<float>(rect.rows));
    const glm::vec2 center = (2.0f * first + count) / size - 1.0f;
    PictureQuad out;
    out.transform = whole;
    out.transform.position = whole.position + rotate(center * whole.scale, whole.angle);
    out.transform.scale = whole.scale * (count / size);
    out.uv = uv;
    out.uv.offset = uv.offset + uv.size * (first / size);
    out.uv.size = uv.size * (count / size);
    out.uv.width = rect.columns;
    out.uv.height = rect.rows;
    return out;
}
