#include "Engine/Physics/PhysicsBody.h"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

namespace {

constexpr float kEps = 1e-6f;

TEST(PhysicsBody, DefaultAndPoseConstructors) {
    const PhysicsBody zero;
    EXPECT_EQ(zero.position, glm::vec2(0.0f));
    EXPECT_EQ(zero.angle, 0.0f);
    EXPECT_EQ(zero.linear_damping, 0.01f);
    EXPECT_EQ(zero.angular_damping, 0.01f);
    EXPECT_EQ(zero.inverse_mass, 1.0f);
    EXPECT_EQ(zero.inverse_inertia, 1.0f);
    EXPECT_EQ(zero.angle_fixed, 0);
    EXPECT_TRUE(zero.joints.empty());

    const PhysicsBody body({3.0f, -2.0f}, 0.5f);
    EXPECT_EQ(body.position, glm::vec2(3.0f, -2.0f));
    EXPECT_EQ(body.previous_position, glm::vec2(3.0f, -2.0f));
    EXPECT_EQ(body.angle, 0.5f);
    EXPECT_EQ(body.previous_angle, 0.5f);
    EXPECT_EQ(body.linear_velocity, glm::vec2(0.0f));
    EXPECT_EQ(body.center_of_mass, glm::vec2(0.0f));
}

TEST(PhysicsBody, ImpulseAtPointTurnsTheBodyAboutItsCenterOfMass) {
    PhysicsBody body;
    body.set_mass_inertia(2.0f, 4.0f);
    body.center_of_mass = {0.5f, 0.0f};
    // Lever arm (1, 0) from the centre of mass; an impulse (0, 2) gives cross = 2, times 1/4.
    body.apply_impulse_at({0.0f, 2.0f}, {1.5f, 0.0f});
    EXPECT_NEAR(body.linear_velocity.x, 0.0f, kEps);
    EXPECT_NEAR(body.linear_velocity.y, 1.0f, kEps);
    EXPECT_NEAR(body.angular_velocity, 0.5f, kEps);
}

TEST(PhysicsBody, ImpulseLeverArmIsRotatedByTheBodyAngle) {
    PhysicsBody body({0.0f, 0.0f}, std::numbers::pi_v<float> / 2.0f);
    // Local (1, 0) becomes world (0, 1); an impulse along +x then turns clockwise: cross((0,1),(1,0)) = -1.
    body.apply_impulse_at({1.0f, 0.0f}, {1.0f, 0.0f});
    EXPECT_NEAR(body.linear_velocity.x, 1.0f, kEps);
    EXPECT_NEAR(body.angular_velocity, -1.0f, kEps);
}

TEST(PhysicsBody, AngleFixedBodyTakesOnlyTheLinearPart) {
    PhysicsBody body;
    body.angle_fixed = 1;
    body.apply_impulse_at({0.0f, 3.0f}, {1.0f, 0.0f});
    EXPECT_EQ(body.linear_velocity, glm::vec2(0.0f, 3.0f));
    EXPECT_EQ(body.angular_velocity, 0.0f);
}

TEST(PhysicsBody, PlainImpulseHasNoAngularPart) {
    PhysicsBody body;
    body.set_mass_inertia(4.0f, 1.0f);
    body.apply_impulse({2.0f, -4.0f});
    EXPECT_EQ(body.linear_velocity, glm::vec2(0.5f, -1.0f));
    EXPECT_EQ(body.angular_velocity, 0.0f);
    EXPECT_NEAR(body.speed(), std::sqrt(1.25f), kEps);
}

TEST(PhysicsBody, MassAndInertiaAreStoredAsInverses) {
    PhysicsBody body;
    body.set_mass_inertia(0.25f, 8.0f);
    EXPECT_EQ(body.inverse_mass, 4.0f);
    EXPECT_EQ(body.inverse_inertia, 0.125f);
    EXPECT_EQ(body.get_mass(), 0.25f);
    EXPECT_EQ(body.get_inertia(), 8.0f);
}

TEST(PhysicsBody, ZeroOrInvalidMassNeverGivesInfiniteTerms) {
    struct Case {
        float mass;
        float inertia;
    };
    for (const Case c : {Case{0.0f, 0.0f}, Case{-1.0f, -2.0f}, Case{NAN, INFINITY}, Case{1e-45f, 1e-40f}}) {
        PhysicsBody body;
        body.set_mass_inertia(c.mass, c.inertia);
        EXPECT_EQ(body.inverse_mass, 0.0f) << c.mass;
        EXPECT_EQ(body.inverse_inertia, 0.0f) << c.inertia;
        EXPECT_EQ(body.get_mass(), 0.0f);
        EXPECT_EQ(body.get_inertia(), 0.0f);
        body.apply_impulse_at({1.0f, 1.0f}, {1.0f, 0.0f});
        EXPECT_EQ(body.linear_velocity, glm::vec2(0.0f));
        EXPECT_EQ(body.angular_velocity, 0.0f);
    }
}

TEST(PhysicsBody, TransformCarriesThePoseAndTheGivenScale) {
    PhysicsBody body({1.0f, -2.0f}, 0.75f);
    const Transform t = body.transform({2.0f, 0.5f});
    EXPECT_EQ(t.position, glm::vec2(1.0f, -2.0f));
    EXPECT_EQ(t.angle, 0.75f);
    EXPECT_EQ(t.scale, glm::vec2(2.0f, 0.5f));
    EXPECT_EQ(t.z, 0.0f);
}

TEST(PhysicsBody, LinksAreFoundAndRemovedById) {
    PhysicsBody body;
    EXPECT_EQ(body.find_link(7), body.joints.end());

    body.add_link({7, {0.1f, 0.2f}});
    body.add_link({3, {0.3f, 0.4f}});
    body.add_link({7, {0.5f, 0.6f}});
    body.add_link({9, {0.7f, 0.8f}});

    ASSERT_NE(body.find_link(7), body.joints.end());
    EXPECT_EQ(body.find_link(7) - body.joints.begin(), 0);
    EXPECT_EQ(body.find_link(9) - body.joints.begin(), 3);

    body.remove_link(42); // absent id: nothing changes
    EXPECT_EQ(body.joints.size(), 4u);

    body.remove_link(7); // held twice: both go, the others keep their order
    ASSERT_EQ(body.joints.size(), 2u);
    EXPECT_EQ(body.joints[0].joint_id, 3u);
    EXPECT_EQ(body.joints[1].joint_id, 9u);
    EXPECT_EQ(body.joints[1].local_anchor, glm::vec2(0.7f, 0.8f));
    EXPECT_FALSE(body.has_link(7));
}

TEST(PhysicsBody, MovingABodyMovesItsLinks) {
    PhysicsBody body;
    body.add_link({1, {}});
    body.add_link({2, {}});
    const JointLink* data = body.joints.data();
    PhysicsBody moved = std::move(body);
    EXPECT_EQ(moved.joints.data(), data);
    EXPECT_EQ(moved.joints.size(), 2u);
}

} // namespace
