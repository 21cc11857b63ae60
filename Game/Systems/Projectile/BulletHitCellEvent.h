#pragma once
// A bullet removed one cell of an entity's sprite.

#include <cstdint>

#include <glm/vec2.hpp>

#include "Engine/Handle.h"

struct BulletHitCellEvent {
    EntityId entity;
    uint32_t cell_color = 0;        // RGBA8
    uint16_t cell_flags = 0;        // read after the removal, so the removed bit is set
    glm::vec2 world_position{0.0f}; // centre of the removed cell
    glm::vec2 local_position{0.0f}; // the same in the sprite's [-1, 1] square
    float entity_angle = 0.0f;
    glm::vec2 velocity{0.0f}; // the body's velocity at the cell plus the bullet's
    uint8_t first_hit = 0;    // the bullet's first removed cell
};
