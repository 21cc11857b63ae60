#pragma once
// A weapon preset: shot timing, scatter, its bullets and the effect callbacks the weapon system calls.

#include <cstdint>
#include <functional>

#include <glm/vec2.hpp>

#include "Game/Weapons/BulletProps.h"

class EventBus;

// (bus, holder position, progress in [0, 1)) while the weapon charges or reloads.
using WeaponProgressEffect = std::function<void(EventBus&, glm::vec2, float)>;
// Once per bullet.
using WeaponShotEffect = std::function<void(EventBus&, const WeaponShot&)>;

struct WeaponProps {
    static WeaponProps default_cannon();
    static WeaponProps ai_fighter_laser();

    uint32_t weapon_number = 0;
    int32_t ammunition = -1; // shots per load; -1 never reaches 0 by firing
    int32_t bullets_per_shot = 1;
    float fire_interval = 0.0f; // seconds of charge before a shot
    float reload_time = 0.0f;   // seconds after a shot before charging starts
    float spread_angle = 0.0f;  // radians, times a draw in [-1, 1] per bullet
    float spread_width = 0.0f;  // world units across the aim, times a draw in [-1, 1] per bullet
    BulletProps bullet;
    WeaponProgressEffect charge_effect;
    WeaponProgressEffect reload_effect;
    WeaponShotEffect shot_effect;
};
