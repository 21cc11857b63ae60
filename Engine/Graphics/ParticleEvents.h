#pragma once
// Request to emit particles from a spawn description at a world position.

#include <cstdint>

#include <glm/vec2.hpp>

#include "Common/Assets/ParticleSpawnSettings.h"

struct SpawnParticleEvent {
    glm::vec2 position{0.0f, 0.0f};
    float angle = 0.0f; // emit angle in radians: rotates the sampled offset and velocity
    ParticleSpawnSettings settings;
    // Set for previews drawn once per rendered frame: their draws come from the cosmetic generator, not the global
    // one that ticks and replays depend on.
    uint8_t cosmetic = 0;
};
