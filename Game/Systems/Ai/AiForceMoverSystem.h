#pragma once
// The motor of the large enemies: pushes a body toward its goal with impulses of limited size, braking early
// enough to stop there.

#include <string_view>

#include "Engine/Engine/System.h"

class AiForceMoverSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "AiForceMoverSystem";

    AiForceMoverSystem();
    void update(const SimulationTick& tick) override;
};
