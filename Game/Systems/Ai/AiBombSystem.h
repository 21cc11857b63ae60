#pragma once
// Steers the bombs: home in on the player (or on a nearer thrower with room), arm within the start radius,
// burn the fuse while throwing sparks, then turn into an inert rock and explode.

#include <string_view>

#include "Common/Assets/ParticleSpawnSettings.h"
#include "Engine/Engine/System.h"

// Sparks of a burning fuse, one per tick.
ParticleSpawnSettings bomb_fuse_sparks();

class AiBombSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "AiBombSystem";

    AiBombSystem();
    void update(const SimulationTick& tick) override;

    // Bombs above this speed are slowed back toward their own "Speed".
    static constexpr float kMaxSpeed = 25.0f;
    static constexpr int32_t kShrapnel = 10;
};
