#pragma once
// What one bullet is made of, and one bullet request as the weapon system hands it to the effects and the factory.

#include <cstdint>

#include <glm/vec2.hpp>

#include "Engine/Graphics/Trail.h"
#include "Engine/Handle.h"

struct BulletProps {
    uint8_t speed_single = 1; // 1: speed is fixed; 0: uniform between speed and speed_max
    float speed = 0.0f;
    float speed_max = 0.0f;
    uint8_t life_single = 1; // as for speed
    float life = 0.0f;
    float life_max = 0.0f;
    float trail_width = 0.0f;
    int32_t hits = 0;
    float curve_strength = 0.0f;
    float fork_chance = 0.0f;
    uint32_t trail_color = 0;  // RGBA8, red in the low byte
    uint32_t second_color = 0; // carried along, not read by the bullet code
    TrailSettings trail_settings;
};

struct WeaponShot {
    BulletProps props;
    glm::vec2 position{0.0f, 0.0f};
    glm::vec2 direction{1.0f, 0.0f}; // unit
    glm::vec2 holder_velocity{0.0f, 0.0f};
    EntityId owner = kInvalidEntityId;
};

// Explosion shrapnel.
BulletProps bullet_preset_shrapnel_a();
BulletProps bullet_preset_shrapnel_b();
