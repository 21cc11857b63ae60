#pragma once
// Aims a fighter's weapon at the player and pulls the trigger while the player is near; the weapon system
// fires it.

#include <string_view>

#include "Engine/Engine/System.h"

class AiFighterSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "AiFighterSystem";

    AiFighterSystem();
    void update(const SimulationTick& tick) override;

    static constexpr float kFireRange = 10.0f;
};
