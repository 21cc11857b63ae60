#include "Engine/Physics/VelocityConstraint.h"

#include <cmath>

#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/Contact.h"
#include "Engine/Physics/PhysicsBody.h"

namespace {

// A body with an infinite or NaN mass term must not turn the row into NaN: such a row moves nothing.
float inverse_of_positive(float k) { return k > 0.0f && std::isfinite(k) ? 1.0f / k : 0.0f; }

float constraint_mass(const PhysicsBody& a, const PhysicsBody& b, float rn_a, float rn_b) {
    return a.inverse_mass + rn_a * rn_a * a.inverse_inertia + b.inverse_mass + rn_b * rn_b * b.inverse_inertia;
}

} // namespace

void add_contact_constraint(ConstraintList& list, const Contact& contact) {
    const PhysicsBody& a = *contact.body_a;
    const PhysicsBody& b = *contact.body_b;
    const glm::vec2 n = contact.normal;
    const float rn_a = cross(contact.lever_a, n);
    const float rn_b = cross(contact.lever_b, n);
    const float k = constraint_mass(a, b, rn_a, rn_b);

    const glm::vec2 va = a.linear_velocity + cross_scalar(a.angular_velocity, contact.lever_a);
    const glm::vec2 vb = b.linear_velocity + cross_scalar(b.angular_velocity, contact.lever_b);
    const float vn = glm::dot(vb - va, n);
    // A contact time of 0 (a fixed step of 0) leaves no time to correct the depth: only restitution applies.
    const float correction = contact.time > 0.0f ? (kContactCorrection / contact.time) * contact.depth : 0.0f;
    const float restitution = vn < -kContactRestitutionSpeed ? -kContactRestitution * vn : 0.0f;

    VelocityConstraint row;
    row.body_a = contact.body_a;
    row.body_b = contact.body_b;
    row.linear_a = -n;
    row.angular_a = -rn_a;
    row.linear_b = n;
    row.angular_b = rn_b;
    row.effective_mass = inverse_of_positive(k);
    row.bias = -(correction + restitution);
    row.lower = 0.0f;
    row.upper = infinity();
    row.accumulated = 0.0f;
    list.push_back(row);
}

void add_joint_constraint(ConstraintList& list, const JointConstraintParams& p, DebugLines* debug) {
    const PhysicsBody& a = *p.a;
    const PhysicsBody& b = *p.b;
    const glm::vec2 pa = a.position + p.anchor_a;
    const glm::vec2 pb = b.position + p.anchor_b;
    if (debug != nullptr) {
        debug_circle(*debug, pa, 0.01f, DebugName::Default);
        debug_circle(*debug, pb, 0.01f, DebugName::Default);
        debug_line(*debug, pa, pb, DebugName::Default);
    }

    const float len = glm::length(pb - pa);
    if (!(len >= 1e-6f)) {
        return;
    }
    const glm::vec2 n = (pb - pa) / len;
    const float c = len - p.rest_length;
    const float rn_a = cross(p.anchor_a, n);
    const float rn_b = cross(p.anchor_b, n);
    const float k = constraint_mass(a, b, rn_a, rn_b);
    const float m = inverse_of_positive(k);

    // Softness needs a positive step; without one the row stays rigid and carries no positional bias.
    float gamma = 0.0f;
    float bias = 0.0f;
    const float h = p.dt;
    if (p.stiffness > 0.0f && h > 0.0f) {
        const float s = p.stiffness;
        const float denominator = (2.0f * std::sqrt(s * m) + h * s) * h;
        gamma = denominator > 0.0f ? 1.0f / denominator : 0.0f;
        bias = h * c * s * gamma;
    }

    VelocityConstraint row;
    row.body_a = p.a;
    row.body_b = p.b;
    row.linear_a = -n;
    row.angular_a = -rn_a;
    row.linear_b = n;
    row.angular_b = rn_b;
    row.effective_mass = inverse_of_positive(k + gamma);
    row.bias = bias;
    row.lower = p.lower;
    row.upper = p.upper;
    row.accumulated = 0.0f;
    list.push_back(row);
}

void solve_velocity_constraints(ConstraintList& list, int32_t iterations) {
    for (int32_t iteration = 0; iteration < iterations; ++iteration) {
        for (VelocityConstraint& row : list) {
            PhysicsBody& a = *row.body_a;
            PhysicsBody& b = *row.body_b;
            const float jv = glm::dot(row.linear_a, a.linear_velocity) + row.angular_a * a.angular_velocity +
                             glm::dot(row.linear_b, b.linear_velocity) + row.angular_b * b.angular_velocity;
            float lambda = row.accumulated - (jv + row.bias) * row.effective_mass;
            if (lambda < row.lower) {
                lambda = row.lower;
            } else if (lambda > row.upper) {
                lambda = row.upper;
            }
            const float delta = lambda - row.accumulated;
            row.accumulated = lambda;
            a.linear_velocity += row.linear_a * (delta * a.inverse_mass);
            a.angular_velocity += delta * a.inverse_inertia * row.angular_a;
            b.linear_velocity += row.linear_b * (delta * b.inverse_mass);
            b.angular_velocity += delta * b.inverse_inertia * row.angular_b;
        }
    }
    list.clear();
}
