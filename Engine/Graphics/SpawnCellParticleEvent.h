#pragma once
// Debris cells that broke off a sprite, to be turned into particles: published by the sprite commit, drawn by
// the render event handler, so it lives with the particles below both.

#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Handle.h"

struct DebrisCellParticle {
    glm::vec2 world_position{0.0f}; // cell centre in the world
    glm::vec2 local_position{0.0f}; // the same centre in the sprite's [-1, 1] square
    float angle = 0.0f;             // the sprite's angle
    glm::vec2 velocity{0.0f};       // velocity of the body at that point
    float angular_velocity = 0.0f;
    uint32_t color = 0; // RGBA8
};
static_assert(sizeof(DebrisCellParticle) == 36, "debris records are packed without gaps");

struct SpawnCellParticleEvent {
    EntityId entity;
    std::vector<DebrisCellParticle> cells;
};
