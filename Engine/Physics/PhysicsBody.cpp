#include "Engine/Physics/PhysicsBody.h"

#include <algorithm>
#include <cmath>

#include <glm/geometric.hpp>

namespace {

glm::vec2 rotated(glm::vec2 v, float angle) {
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

float safe_inverse(float value) {
    if (!(value > 0.0f) || !std::isfinite(value)) {
        return 0.0f;
    }
    // Below about 3e-39 the reciprocal overflows.
    const float inverse = 1.0f / value;
    return std::isfinite(inverse) ? inverse : 0.0f;
}

} // namespace

PhysicsBody::PhysicsBody(glm::vec2 position_, float angle_)
    : position(position_), angle(angle_), previous_position(position_), previous_angle(angle_) {}

void PhysicsBody::apply_impulse_at(glm::vec2 impulse, glm::vec2 point) {
    const glm::vec2 r = rotated(point - center_of_mass, angle);
    linear_velocity += impulse * inverse_mass;
    if (angle_fixed == 0) {
        angular_velocity += (r.x * impulse.y - r.y * impulse.x) * inverse_inertia;
    }
}

void PhysicsBody::apply_impulse(glm::vec2 impulse) { linear_velocity += impulse * inverse_mass; }

float PhysicsBody::get_mass() const { return safe_inverse(inverse_mass); }

float PhysicsBody::get_inertia() const { return safe_inverse(inverse_inertia); }

void PhysicsBody::set_mass_inertia(float mass, float inertia) {
    inverse_mass = safe_inverse(mass);
    inverse_inertia = safe_inverse(inertia);
}

float PhysicsBody::speed() const { return glm::length(linear_velocity); }

Transform PhysicsBody::transform(glm::vec2 scale) const {
    Transform t;
    t.position = position;
    t.scale = scale;
    t.angle = angle;
    t.z = 0.0f;
    return t;
}

void PhysicsBody::add_link(const JointLink& link) { joints.push_back(link); }

std::vector<JointLink>::iterator PhysicsBody::find_link(uint32_t joint_id) {
    return std::find_if(joints.begin(), joints.end(),
                        [joint_id](const JointLink& l) { return l.joint_id == joint_id; });
}

std::vector<JointLink>::const_iterator PhysicsBody::find_link(uint32_t joint_id) const {
    return std::find_if(joints.begin(), joints.end(),
                        [joint_id](const JointLink& l) { return l.joint_id == joint_id; });
}

void PhysicsBody::remove_link(uint32_t joint_id) {
    std::erase_if(joints, [joint_id](const JointLink& l) { return l.joint_id == joint_id; });
}
