#pragma once
// Integrates every body over the fixed step, damps its velocities and keeps the previous pose for
// interpolation (PostFixed group, after the solver).

#include <string_view>

#include "Engine/Engine/System.h"

class PhysicsBody;
struct Transform;

// One body's step of h seconds about its centre of mass at the body's own pose; the Transform gives only the scale.
void integrate_body(PhysicsBody& body, const Transform& transform, float h);

class PhysicsUpdateSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "PhysicsUpdateSystem";

    PhysicsUpdateSystem();
    void update(const SimulationTick& tick) override;
};
