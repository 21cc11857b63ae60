#include "Engine/Physics/VelocityConstraint.h"

#include <cmath>

#include <gtest/gtest.h>

#include "Engine/Math/Vector.h"
#include "Engine/Physics/Contact.h"
#include "Engine/Physics/PhysicsBody.h"

namespace {

constexpr float kEps = 1e-5f;

Contact head_on(PhysicsBody& a, PhysicsBody& b, float depth, float time) {
    Contact c;
    c.body_a = &a;
    c.body_b = &b;
    c.normal = {1.0f, 0.0f};
    c.depth = depth;
    c.time = time;
    return c;
}

float relative_normal_velocity(const PhysicsBody& a, const PhysicsBody& b, glm::vec2 n) {
    return glm::dot(b.linear_velocity - a.linear_velocity, n);
}

struct ApproachCase {
    float speed; // each body towards the other
    float depth;
    float bias;        // hand-computed row bias
    float final_speed; // each body away from the other after two iterations
};

class ContactApproach : public ::testing::TestWithParam<ApproachCase> {};

// Equal unit masses, levers 0, dt 1/60: k = 2, effective mass 0.5.
TEST_P(ContactApproach, SeparatesAndConservesMomentum) {
    const ApproachCase& c = GetParam();
    PhysicsBody a({0.0f, 0.0f}, 0.0f);
    PhysicsBody b({1.0f, 0.0f}, 0.0f);
    a.linear_velocity = {c.speed, 0.0f};
    b.linear_velocity = {-c.speed, 0.0f};

    ConstraintList list;
    add_contact_constraint(list, head_on(a, b, c.depth, 1.0f / 60.0f));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_NEAR(list[0].effective_mass, 0.5f, kEps);
    EXPECT_NEAR(list[0].bias, c.bias, kEps);
    EXPECT_EQ(list[0].linear_a, glm::vec2(-1.0f, 0.0f));
    EXPECT_EQ(list[0].lower, 0.0f);
    EXPECT_TRUE(std::isinf(list[0].upper));

    solve_velocity_constraints(list, kSolverIterations);
    EXPECT_TRUE(list.empty());
    EXPECT_NEAR(a.linear_velocity.x, -c.final_speed, kEps);
    EXPECT_NEAR(b.linear_velocity.x, c.final_speed, kEps);
    EXPECT_GE(relative_normal_velocity(a, b, {1.0f, 0.0f}), 0.0f);
    EXPECT_NEAR(a.linear_velocity.x + b.linear_velocity.x, 0.0f, kEps);
    EXPECT_EQ(a.angular_velocity, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ContactApproach,
    ::testing::Values(
        // vn = -2 < -0.5: restitution 0.2 * 2 = 0.4, no depth. lambda = (2 + 0.4) * 0.5 = 1.2.
        ApproachCase{1.0f, 0.0f, -0.4f, 0.2f},
        // vn = -0.5 is not faster than 0.5: no restitution; 0.2 * 60 * (1/32) = 0.375. lambda = 0.4375.
        ApproachCase{0.25f, 1.0f / 32.0f, -0.375f, 0.1875f},
        // Resting contact, depth only: lambda = 0.375 * 0.5.
        ApproachCase{0.0f, 1.0f / 32.0f, -0.375f, 0.1875f}));

TEST(ContactConstraint, LeverArmsTurnTheBodies) {
    // B is hit off its centre: rn_b = cross((0, 0.5), (1, 0)) = -0.5, k = 1 + 1 + 0.25 = 2.25.
    PhysicsBody a({0.0f, 0.0f}, 0.0f);
    PhysicsBody b({1.0f, 0.0f}, 0.0f);
    a.linear_velocity = {1.0f, 0.0f};
    Contact c = head_on(a, b, 0.0f, 1.0f / 60.0f);
    c.lever_b = {0.0f, 0.5f};
    ConstraintList list;
    add_contact_constraint(list, c);
    EXPECT_NEAR(list[0].effective_mass, 1.0f / 2.25f, kEps);
    EXPECT_NEAR(list[0].angular_b, -0.5f, kEps);
    // vn = -1: restitution 0.2; lambda = 1.2 / 2.25 after the first iteration, unchanged by the second.
    solve_velocity_constraints(list, 2);
    const float lambda = 1.2f / 2.25f;
    EXPECT_NEAR(a.linear_velocity.x, 1.0f - lambda, kEps);
    EXPECT_NEAR(b.linear_velocity.x, lambda, kEps);
    EXPECT_NEAR(b.angular_velocity, -0.5f * lambda, kEps);
}

TEST(ContactConstraint, ZeroTimeAndImmovableBodiesStayFinite) {
    // A fixed step of 0 gives a contact time of 0: only restitution, never a division.
    PhysicsBody a({0.0f, 0.0f}, 0.0f);
    PhysicsBody b({1.0f, 0.0f}, 0.0f);
    ConstraintList list;
    add_contact_constraint(list, head_on(a, b, 0.1f, 0.0f));
    EXPECT_EQ(list[0].bias, 0.0f);

    // Nothing can move: effective mass 0, velocities untouched.
    PhysicsBody wall_a({0.0f, 0.0f}, 0.0f);
    PhysicsBody wall_b({1.0f, 0.0f}, 0.0f);
    for (PhysicsBody* w : {&wall_a, &wall_b}) {
        w->inverse_mass = 0.0f;
        w->inverse_inertia = 0.0f;
    }
    wall_a.linear_velocity = {1.0f, 0.0f};
    list.clear();
    add_contact_constraint(list, head_on(wall_a, wall_b, 0.1f, 1.0f / 60.0f));
    EXPECT_EQ(list[0].effective_mass, 0.0f);
    solve_velocity_constraints(list, 2);
    EXPECT_EQ(wall_a.linear_velocity, glm::vec2(1.0f, 0.0f));
    EXPECT_EQ(wall_b.linear_velocity, glm::vec2(0.0f));
}

TEST(Solver, ZeroIterationsOnlyClears) {
    PhysicsBody a({0.0f, 0.0f}, 0.0f);
    PhysicsBody b({1.0f, 0.0f}, 0.0f);
    a.linear_velocity = {1.0f, 0.0f};
    ConstraintList list;
    add_contact_constraint(list, head_on(a, b, 0.0f, 1.0f / 60.0f));
    solve_velocity_constraints(list, 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(a.linear_velocity, glm::vec2(1.0f, 0.0f));
}

JointConstraintParams rope(PhysicsBody& a, PhysicsBody& b, float dt) {
    JointConstraintParams p;
    p.a = &a;
    p.b = &b;
    p.dt = dt;
    p.lower = -infinity();
    p.upper = 0.0f;
    p.stiffness = 1000.0f;
    p.rest_length = 0.6f;
    return p;
}

TEST(JointConstraint, SoftRowFromHandComputedTerms) {
    // len 1, C = 0.4, m = 0.5; gamma = 1 / ((2 sqrt(500) + 1000 / 60) / 60) = 0.9773893,
    // bias = C * 1000 * gamma / 60 = 6.5159287, effective mass = 1 / (2 + gamma) = 0.3358647.
    PhysicsBody a({0.0f, 0.0f}, 0.0f);
    PhysicsBody b({1.0f, 0.0f}, 0.0f);
    ConstraintList list;
    add_joint_constraint(list, rope(a, b, 1.0f / 60.0f));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_NEAR(list[0].bias, 6.5159287f, 1e-4f);
    EXPECT_NEAR(list[0].effective_mass, 0.3358647f, 1e-6f);
    EXPECT_EQ(list[0].linear_b, glm::vec2(1.0f, 0.0f));

    // The rope only pulls: lambda = -(0 + 6.5159) * 0.33586 = -2.18847.
    solve_velocity_constraints(list, 1);
    EXPECT_NEAR(a.linear_velocity.x, 2.1884705f, 1e-4f);
    EXPECT_NEAR(b.linear_velocity.x, -2.1884705f, 1e-4f);
}

TEST(JointConstraint, CoincidentAnchorsAddNoRowAndZeroStepIsRigid) {
    PhysicsBody a({0.0f, 0.0f}, 0.0f);
    PhysicsBody b({0.5f, 0.0f}, 0.0f);
    ConstraintList list;
    JointConstraintParams p = rope(a, b, 1.0f / 60.0f);
    p.anchor_b = {-0.5f, 0.0f};
    add_joint_constraint(list, p);
    EXPECT_TRUE(list.empty());

    // A step of 0 never divides: no softness and no positional bias.
    add_joint_constraint(list, rope(a, b, 0.0f));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].bias, 0.0f);
    EXPECT_NEAR(list[0].effective_mass, 0.5f, kEps);
}

TEST(JointConstraint, SlackRopeDoesNotPush) {
    // Anchors 0.3 apart, shorter than the rest length: C < 0, negative bias, the impulse is clamped at 0.
    PhysicsBody a({0.0f, 0.0f}, 0.0f);
    PhysicsBody b({0.3f, 0.0f}, 0.0f);
    a.linear_velocity = {-0.1f, 0.0f};
    b.linear_velocity = {0.1f, 0.0f};
    ConstraintList list;
    add_joint_constraint(list, rope(a, b, 1.0f / 60.0f));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_LT(list[0].bias, 0.0f);
    solve_velocity_constraints(list, 2);
    EXPECT_EQ(a.linear_velocity, glm::vec2(-0.1f, 0.0f));
    EXPECT_EQ(b.linear_velocity, glm::vec2(0.1f, 0.0f));
}

} // namespace
