#include "Engine/Engine/Systems/Physics/PhysicsLerpTransformSystem.h"

#include <cmath>

#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"

float fixed_step_alpha(float accumulated, float fixed_delta_time) {
    if (!(fixed_delta_time > 0.0f) || !std::isfinite(accumulated)) {
        return 1.0f;
    }
    return accumulated / fixed_delta_time;
}

void lerp_body_transform(const PhysicsBody& body, Transform& transform, float alpha) {
    transform.position = lerp_clamped(body.previous_position, body.position, alpha);
    transform.angle = lerp_clamped_float(body.previous_angle, body.angle, alpha);
}

PhysicsLerpTransformSystem::PhysicsLerpTransformSystem() : SystemBase(kName) {}

void PhysicsLerpTransformSystem::update(const SimulationTick& tick) {
    const float alpha = fixed_step_alpha(tick.fixed_time_accumulated, tick.fixed_delta_time);
    for (auto row : EntityViewOf<PhysicsBody, Transform>(entity_pool())) {
        lerp_body_transform(row.get<PhysicsBody>(), row.get<Transform>(), alpha);
    }
}
