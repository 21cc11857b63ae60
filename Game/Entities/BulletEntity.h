#pragma once
// A bullet: a point walking the cell grids of the sprites on its path. Its trail is the only registered component.

#include <cstdint>
#include <unordered_set>

#include <glm/vec2.hpp>

#include "Engine/Graphics/Trail.h"
#include "Engine/Handle.h"

struct BulletEntity {
    EntityId owner = kInvalidEntityId;
    glm::vec2 position{0.0f, 0.0f};
    glm::vec2 velocity{0.0f, 0.0f};
    float life = 0.0f;
    int32_t hits_left = 0;
    int32_t hits_total = 0;
    float fork_chance = 0.0f;
    float curve_sign = 0.0f;
    float curve_strength = 0.0f;
    float strength = 1.0f;
    float trail_width = 0.0f;
    uint32_t trail_color = 0;
    Trail trail;
    EntityId last_hit = kInvalidEntityId;
    uint8_t dying = 0;
    std::unordered_set<EntityId> touched;
};
