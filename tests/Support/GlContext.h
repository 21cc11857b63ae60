#pragma once
// One real OpenGL back end per test program, created on first use. Under ctest SDL uses its offscreen driver.

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"

namespace test_support {

// Selects the offscreen video driver unless the environment already chose one.
void use_offscreen_video_driver();

RenderContextOpenGL& gl_context();

// RGBA8 texels of level 0 of a texture (every layer of an array), rows from the bottom.
std::vector<uint8_t> read_texture_rgba8(uint32_t gl_texture, uint32_t width, uint32_t height, uint32_t layers = 1);
// One 16-bit value per texel of an R16UI texture.
std::vector<uint16_t> read_texture_r16ui(uint32_t gl_texture, uint32_t width, uint32_t height, uint32_t layers = 1);

// The colour target of a framebuffer as packed RGBA8 (red in the low byte); alpha is 255 since the target is RGB.
struct Pixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> rgba;
    uint32_t at(uint32_t x, uint32_t y) const { return rgba.at(y * width + x); }
};
Pixels read_framebuffer(RenderContextOpenGL& gl, Handle framebuffer, uint32_t width, uint32_t height);

// Binds the target, sets the viewport and clears it to the given colour with depth 1.
void clear_target(RenderContextOpenGL& gl, Handle framebuffer, uint32_t width, uint32_t height, glm::vec4 color);

} // namespace test_support
