#pragma once
// Chooses the goal of a station (an orbit around the player, or a parking place behind the nearest thrower
// with room) and launches a fighter or a bomb from its hangar at a fixed interval.

#include <string_view>

#include "Engine/Engine/System.h"

class EntityFactory;

class AiStationSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "AiStationSystem";

    explicit AiStationSystem(EntityFactory* factory);
    void update(const SimulationTick& tick) override;

    // How far behind a thrower a station parks, and where launched ships start and how fast they leave.
    static constexpr float kParkBehind = 8.0f;
    static constexpr float kLaunchOffset = 0.5f;
    static constexpr float kLaunchSpeed = 2.0f;

private:
    EntityFactory* m_factory;
};
