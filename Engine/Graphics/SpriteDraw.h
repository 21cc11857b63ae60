#pragma once
// What the renderer needs of a destructible sprite: its chunk counts and, per live chunk, the chunk's index in the
// grid and where its block lies in the chunk pool's texture arrays.

#include <cstdint>
#include <span>

#include <glm/glm.hpp>

struct SpriteChunkDraw {
    int32_t index = 0;   // cy * chunks_x + cx
    glm::vec3 uvw{0.0f}; // the block's corner in atlas texture coordinates and its layer
};

struct SpriteDraw {
    uint32_t chunks_x = 0;
    uint32_t chunks_y = 0;
    std::span<const SpriteChunkDraw> chunks;
};
