#pragma once
// Chooses the goal of a base: a random point of an ellipse around the player, re-drawn every 25 seconds once
// the player is more than 20 units away. Also turns the base back upright.

#include <string_view>

#include "Engine/Engine/System.h"

class AiBaseSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "AiBaseSystem";

    AiBaseSystem();
    void update(const SimulationTick& tick) override;
};
