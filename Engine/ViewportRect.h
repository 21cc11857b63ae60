#pragma once

#include <cstdint>

// A rectangle in pixels, origin at the top left of the window.
struct ViewportRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool operator==(const ViewportRect&) const = default;
};
