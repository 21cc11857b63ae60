#pragma once
// Colours travel as u32 RGBA8 with red in the low byte; shaders take them as floats of 0..1.

#include <cstdint>

#include <glm/glm.hpp>

inline glm::vec4 unpack_rgba8(uint32_t c) {
    return glm::vec4(static_cast<float>(c & 0xFFu), static_cast<float>((c >> 8) & 0xFFu),
                     static_cast<float>((c >> 16) & 0xFFu), static_cast<float>((c >> 24) & 0xFFu)) /
           255.0f;
}

inline constexpr uint32_t pack_rgba8(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16) | ((a & 0xFFu) << 24);
}
