#pragma once
// One-dimensional velocity constraints (contact rows and soft rope rows) and the sequential-impulse solver
// that resolves them once per fixed step. Rows point at bodies inside entity records, so a list is solved and
// emptied within the fixed step that filled it.

#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

class PhysicsBody;
class DebugLines;
struct Contact;

struct VelocityConstraint {
    PhysicsBody* body_a = nullptr;
    PhysicsBody* body_b = nullptr;
    glm::vec2 linear_a{0.0f};
    float angular_a = 0.0f;
    glm::vec2 linear_b{0.0f};
    float angular_b = 0.0f;
    float effective_mass = 0.0f; // 1 / (J M^-1 J^T + softness), or 0 when nothing can move
    float bias = 0.0f;
    float lower = 0.0f;
    float upper = 0.0f;
    float accumulated = 0.0f;
};

using ConstraintList = std::vector<VelocityConstraint>;

struct JointConstraintParams {
    PhysicsBody* a = nullptr;
    PhysicsBody* b = nullptr;
    float dt = 0.0f;
    float lower = 0.0f;
    float upper = 0.0f;
    float stiffness = 0.0f;
    glm::vec2 anchor_a{0.0f}; // world-space offset of the anchor from a's position
    glm::vec2 anchor_b{0.0f};
    float rest_length = 0.0f;
};

// Baumgarte factor of the positional correction and the restitution of fast approaches.
inline constexpr float kContactCorrection = 0.2f;
inline constexpr float kContactRestitution = 0.2f;
inline constexpr float kContactRestitutionSpeed = 0.5f;
inline constexpr int32_t kSolverIterations = 2;

// A non-penetration row: the bodies may only be pushed apart along the contact normal.
void add_contact_constraint(ConstraintList& list, const Contact& contact);
// A soft distance row between two anchors; none when the anchors coincide. The anchors and the rope are drawn
// into `debug` when one is given.
void add_joint_constraint(ConstraintList& list, const JointConstraintParams& params, DebugLines* debug = nullptr);
// Solves the rows in list order, writes the body velocities, then empties the list (also when iterations < 1).
void solve_velocity_constraints(ConstraintList& list, int32_t iterations);
