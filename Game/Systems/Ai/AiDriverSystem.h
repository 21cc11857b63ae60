#pragma once
// The vehicle model of the small ships: turns the velocity toward the desired heading at a limited rate and
// changes the speed at a limited acceleration, on the fixed step.

#include <string_view>

#include <glm/vec2.hpp>

#include "Engine/Engine/System.h"

struct AiDriver;

// The velocity after one step of h seconds.
glm::vec2 drive_velocity(glm::vec2 velocity, const AiDriver& driver, float h);

class AiDriverSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "AiDriverSystem";

    AiDriverSystem();
    void update(const SimulationTick& tick) override;
};
