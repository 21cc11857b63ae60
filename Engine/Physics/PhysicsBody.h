#pragma once
// Rigid-body component of every moving sprite entity: pose, previous pose, velocities, damping, mass terms and the
// body's joint links. Mass and inertia are kept only as inverses; an inverse of 0 means an immovable axis.

#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Math/Transform.h"

// One side of a joint: both bodies of a joint hold a link with the same id.
struct JointLink {
    uint32_t joint_id = 0;
    glm::vec2 local_anchor{0.0f, 0.0f}; // sprite-local [-1, 1] coordinates of the attachment point
};

class PhysicsBody {
public:
    PhysicsBody() = default;
    PhysicsBody(glm::vec2 position, float angle);

    // Impulse at a sprite-local point (the frame of center_of_mass); the lever arm ignores the Transform scale.
    void apply_impulse_at(glm::vec2 impulse, glm::vec2 point);
    void apply_impulse(glm::vec2 impulse);

    // A stored inverse of 0 (immovable) reads back as 0, and a mass or inertia that is not positive and finite is
    // stored as inverse 0, so neither direction ever produces an infinity.
    float get_mass() const;
    float get_inertia() const;
    void set_mass_inertia(float mass, float inertia);

    float speed() const;
    // The body's pose with the given scale and z 0, for bounding the body in world space.
    Transform transform(glm::vec2 scale) const;

    void add_link(const JointLink& link);
    std::vector<JointLink>::iterator find_link(uint32_t joint_id);
    std::vector<JointLink>::const_iterator find_link(uint32_t joint_id) const;
    bool has_link(uint32_t joint_id) const { return find_link(joint_id) != joints.end(); }
    void remove_link(uint32_t joint_id);

    glm::vec2 position{0.0f, 0.0f};
    float angle = 0.0f;
    glm::vec2 previous_position{0.0f, 0.0f};
    float previous_angle = 0.0f;
    glm::vec2 linear_velocity{0.0f, 0.0f};
    float angular_velocity = 0.0f;
    float linear_damping = 0.01f;
    float angular_damping = 0.01f;
    glm::vec2 center_of_mass{0.0f, 0.0f};
    float inverse_mass = 1.0f;
    float inverse_inertia = 1.0f;
    uint8_t angle_fixed = 0;
    std::vector<JointLink> joints;
};
