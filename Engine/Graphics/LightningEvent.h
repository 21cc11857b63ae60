#pragma once
// Request for a branching line effect: jagged lines from one point towards another, with random side branches.

#include <cstdint>

#include <glm/vec2.hpp>

struct SpawnLightningEvent {
    glm::vec2 from{0.0f, 0.0f};
    glm::vec2 to{0.0f, 0.0f};
    int32_t segment_count = 0;
    // The chance of a branch at each segment is branch_factor / segment_count.
    float branch_factor = 0.0f;
    // Size of the random sideways offsets.
    float offset_scale = 0.0f;
    // Distance units per second at which the effect advances.
    float timing = 0.0f;
};
