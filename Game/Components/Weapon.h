#pragma once
// An armed weapon: its preset, ammunition, timers and what its holder aims at. Default-built as the cannon.

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include <glm/vec2.hpp>

#include "Game/Weapons/WeaponProps.h"

struct Weapon {
    static constexpr std::string_view kName = "Weapon";
    // "Ammo" is read-only.
    static constexpr std::array<std::string_view, 5> kLabels = {"Ammo", "Triggered", "Holder Pos", "Holder Vel",
                                                                "Aim Dir"};

    Weapon() : Weapon(WeaponProps::default_cannon()) {}
    // Installing a preset loads its ammunition.
    explicit Weapon(WeaponProps preset) : props(std::move(preset)), ammo(props.ammunition) {}

    WeaponProps props;
    int32_t ammo = 0;
    float fire_timer = 0.0f;
    float reload_timer = 0.0f;
    uint8_t triggered = 0;
    glm::vec2 holder_pos{0.0f, 0.0f};
    glm::vec2 holder_vel{0.0f, 0.0f};
    glm::vec2 aim_dir{0.0f, 0.0f};
};
