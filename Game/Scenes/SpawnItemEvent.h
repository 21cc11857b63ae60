#pragma once
// Asks the game scene to create an item.

#include <cstdint>

#include <glm/vec2.hpp>

struct SpawnItemEvent {
    uint32_t kind = 0;        // 0 Core, 1 Health
    glm::vec2 position{0.0f}; // world units
    glm::vec2 velocity{0.0f}; // world units per second
};
