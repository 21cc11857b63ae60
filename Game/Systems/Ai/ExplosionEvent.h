#pragma once
// An explosion: shrapnel bullets of two kinds and particle bursts at a point.

#include <cstdint>

#include <glm/vec2.hpp>

struct ExplosionEvent {
    int32_t count_a = 0; // shrapnel of the first kind
    int32_t count_b = 0; // shrapnel of the second kind
    glm::vec2 position{0.0f};
    glm::vec2 velocity{0.0f};
};
static_assert(sizeof(ExplosionEvent) == 24);
