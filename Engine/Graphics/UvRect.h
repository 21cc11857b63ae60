#pragma once
// Where an image sits in an atlas: texture-coordinate offset and size, and its size in pixels.

#include <cstdint>

#include <glm/glm.hpp>

struct UvRect {
    glm::vec2 offset{0.0f};
    glm::vec2 size{1.0f};
    uint32_t width = 0;
    uint32_t height = 0;
};
