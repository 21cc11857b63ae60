#pragma once
// Places every body's Transform between its last two fixed poses, by the share of the fixed step that has
// accumulated since the last fixed tick (AfterFixed group, every frame).

#include <string_view>

#include "Engine/Engine/System.h"

class PhysicsBody;
struct Transform;

// The share of the step; a fixed step that is not positive shows the current pose.
float fixed_step_alpha(float accumulated, float fixed_delta_time);
void lerp_body_transform(const PhysicsBody& body, Transform& transform, float alpha);

class PhysicsLerpTransformSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "PhysicsLerpTransformSystem";

    PhysicsLerpTransformSystem();
    void update(const SimulationTick& tick) override;
};
