#pragma once
// The cores of a sprite: groups of cells of one core type whose loss makes the core explode.

#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

struct SpriteCore {
    uint32_t type = 0;          // cell type 2 to 10
    glm::vec2 grid_point{0.0f}; // reference point in the sprite's cell coordinates
    int32_t initial_cell_count = 0;
    // Where the core's picture sits in the packed atlas (empty for Joint1 cores).
    glm::vec2 uv_offset{0.0f};
    glm::vec2 uv_size{0.0f};
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> joint_ids; // joint links of the body that hang on this core
};

struct SpriteCoreSet {
    std::vector<SpriteCore> cores;
    std::vector<SpriteCore> held_back_cores; // exploded cores, kept so the player can re-form
    uint8_t has_core = 0;                    // some core is of type Core
    uint8_t explode_all = 0;                 // every core explodes at the next core update
};
