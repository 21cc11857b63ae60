#pragma once
// The player's movement values and cloud state.

#include <array>
#include <cstdint>
#include <string_view>

#include "Engine/Math/AxisAlignedArea.h"

struct Player {
    static constexpr std::string_view kName = "Player";
    static constexpr std::array<std::string_view, 4> kLabels = {"Speed", "Cloud Speed", "Acceleration", "Is Cloud"};

    float speed = 5.0f;
    float cloud_speed = 8.0f;
    float acceleration = 15.0f;
    AxisAlignedArea bounds;
    uint8_t is_cloud = 0;
    float cloud_timer = 4.0f; // cloud time allowed, seconds
    float cloud_elapsed = 0.0f;
};
