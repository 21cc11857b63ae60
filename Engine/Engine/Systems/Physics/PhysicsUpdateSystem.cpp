#include "Engine/Engine/Systems/Physics/PhysicsUpdateSystem.h"

#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"

void integrate_body(PhysicsBody& body, const Transform& transform, float h) {
    // About the centre of mass where the body is, not where the drawn Transform shows it between two steps.
    const glm::vec2 pivot = body.transform(transform.scale).to_world(body.center_of_mass);
    const float w = body.angle_fixed != 0 ? 0.0f : body.angular_velocity;
    // Integrated with the velocities from before the damping.
    const PositionAngle moved = integrate_position_angle(pivot, body.position, body.angle, body.linear_velocity, w, h);
    body.linear_velocity = damp_vec2(body.linear_velocity, body.linear_damping, h);
    body.angular_velocity = damp_float(body.angular_velocity, body.angular_damping, h);
    body.previous_position = body.position;
    body.previous_angle = body.angle;
    body.position = moved.position;
    body.angle = moved.angle;
}

PhysicsUpdateSystem::PhysicsUpdateSystem() : SystemBase(kName) {}

void PhysicsUpdateSystem::update(const SimulationTick& tick) {
    for (auto row : EntityViewOf<PhysicsBody, Transform>(entity_pool())) {
        integrate_body(row.get<PhysicsBody>(), row.get<Transform>(), tick.fixed_delta_time);
    }
}
