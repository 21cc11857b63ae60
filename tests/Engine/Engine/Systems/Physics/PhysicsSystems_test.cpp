#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "Engine/Engine/Systems/Physics/PhysicsLerpTransformSystem.h"
#include "Engine/Engine/Systems/Physics/PhysicsUpdateSystem.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

constexpr float kEps = 1e-5f;

struct BodyEntity {
    Transform transform;
    PhysicsBody body;
};

struct UpdateCase {
    const char* name;
    glm::vec2 position;
    glm::vec2 center_of_mass;
    glm::vec2 scale;
    glm::vec2 velocity;
    float angular_velocity;
    uint8_t angle_fixed;
    float damping;
    float h;
    glm::vec2 want_position;
    float want_angle;
    glm::vec2 want_velocity;
    float want_angular_velocity;
};

class PhysicsUpdate : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(PhysicsUpdate, IntegratesThenDampsAndKeepsThePreviousPose) {
    const UpdateCase& c = GetParam();
    PhysicsUpdateSystem* system = nullptr;
    SceneHarness harness([&](HarnessScene& scene) {
        scene.entity_pool().add_list<BodyEntity>("BodyEntity", &BodyEntity::transform, &BodyEntity::body);
        system = &scene.register_system<PhysicsUpdateSystem>(SystemGroup::PostFixed);
    });
    EXPECT_EQ(system->name(), "PhysicsUpdateSystem");
    EntityList<BodyEntity>& list = harness.scene->entity_pool().list<BodyEntity>();
    BodyEntity e{Transform{}, PhysicsBody(c.position, 0.0f)};
    e.transform.position = c.position;
    e.transform.scale = c.scale;
    e.body.center_of_mass = c.center_of_mass;
    e.body.linear_velocity = c.velocity;
    e.body.angular_velocity = c.angular_velocity;
    e.body.angle_fixed = c.angle_fixed;
    e.body.linear_damping = c.damping;
    e.body.angular_damping = c.damping;
    const EntityId id = list.add(std::move(e));

    harness.tick(c.h, true);
    const PhysicsBody& body = list.at(id).body;
    EXPECT_NEAR(body.position.x, c.want_position.x, kEps);
    EXPECT_NEAR(body.position.y, c.want_position.y, kEps);
    EXPECT_NEAR(body.angle, c.want_angle, kEps);
    EXPECT_NEAR(body.linear_velocity.x, c.want_velocity.x, kEps);
    EXPECT_NEAR(body.linear_velocity.y, c.want_velocity.y, kEps);
    EXPECT_NEAR(body.angular_velocity, c.want_angular_velocity, kEps);
    EXPECT_EQ(body.previous_position, c.position);
    EXPECT_EQ(body.previous_angle, 0.0f);
}

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;

INSTANTIATE_TEST_SUITE_P(Cases, PhysicsUpdate,
                         ::testing::Values(
                             // The origin is the centre of mass: turning 0.5 about it leaves it in place, and it
                             // moves by v h = (1, 0) along the velocity, unturned. Damping 0.5 over 0.5 s
                             // multiplies by 0.75.
                             UpdateCase{"move_and_turn",
                                        {1.0f, 0.0f},
                                        {0.0f, 0.0f},
                                        {1.0f, 1.0f},
                                        {2.0f, 0.0f},
                                        1.0f,
                                        0,
                                        0.5f,
                                        0.5f,
                                        {2.0f, 0.0f},
                                        0.5f,
                                        {1.5f, 0.0f},
                                        0.75f},
                             // The pivot is the centre of mass placed by the Transform: (0.5, 0) * 2 = (1, 0). A
                             // quarter turn takes the origin to (1, -1).
                             UpdateCase{"turn_about_centre_of_mass",
                                        {0.0f, 0.0f},
                                        {0.5f, 0.0f},
                                        {2.0f, 2.0f},
                                        {0.0f, 0.0f},
                                        kHalfPi,
                                        0,
                                        0.0f,
                                        1.0f,
                                        {1.0f, -1.0f},
                                        kHalfPi,
                                        {0.0f, 0.0f},
                                        kHalfPi},
                             // angle_fixed: no turn, but the angular velocity still decays (1 - 0.1 * 1 = 0.9).
                             UpdateCase{"angle_fixed",
                                        {0.0f, 0.0f},
                                        {0.0f, 0.0f},
                                        {1.0f, 1.0f},
                                        {0.0f, 1.0f},
                                        2.0f,
                                        1,
                                        0.1f,
                                        1.0f,
                                        {0.0f, 1.0f},
                                        0.0f,
                                        {0.0f, 0.9f},
                                        1.8f},
                             // A damping of 1 / h or more stops the body after this step's move.
                             UpdateCase{"damping_clamped",
                                        {0.0f, 0.0f},
                                        {0.0f, 0.0f},
                                        {1.0f, 1.0f},
                                        {3.0f, 0.0f},
                                        0.0f,
                                        0,
                                        120.0f,
                                        1.0f / 60.0f,
                                        {0.05f, 0.0f},
                                        0.0f,
                                        {0.0f, 0.0f},
                                        0.0f},
                             // A fixed step of 0 moves and damps nothing.
                             UpdateCase{"zero_step",
                                        {2.0f, 3.0f},
                                        {0.0f, 0.0f},
                                        {1.0f, 1.0f},
                                        {3.0f, 1.0f},
                                        1.0f,
                                        0,
                                        0.5f,
                                        0.0f,
                                        {2.0f, 3.0f},
                                        0.0f,
                                        {3.0f, 1.0f},
                                        1.0f}),
                         [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

// The drawn Transform lags the body between two steps (here it still shows the constructor's origin); the turn
// goes about the centre of mass at the body's own pose: (4, 0) + (0.5, 0) * 2 = (5, 0), so a quarter turn takes
// the origin (4, 0) to (5, -1). About the Transform's (1, 0) it would land at (1, 3).
TEST(PhysicsUpdateBody, TurnsAboutTheCenterOfMassWhereTheBodyIs) {
    SceneHarness harness([&](HarnessScene& scene) {
        scene.entity_pool().add_list<BodyEntity>("BodyEntity", &BodyEntity::transform, &BodyEntity::body);
        scene.register_system<PhysicsUpdateSystem>(SystemGroup::PostFixed);
    });
    EntityList<BodyEntity>& list = harness.scene->entity_pool().list<BodyEntity>();
    BodyEntity e{Transform{}, PhysicsBody({4.0f, 0.0f}, 0.0f)};
    e.transform.scale = {2.0f, 2.0f};
    e.body.center_of_mass = {0.5f, 0.0f};
    e.body.angular_velocity = kHalfPi;
    e.body.angular_damping = 0.0f;
    const EntityId id = list.add(std::move(e));
    harness.tick(1.0f, true);
    const PhysicsBody& body = list.at(id).body;
    EXPECT_NEAR(body.position.x, 5.0f, kEps);
    EXPECT_NEAR(body.position.y, -1.0f, kEps);
    EXPECT_NEAR(body.angle, kHalfPi, kEps);
}

struct LerpCase {
    const char* name;
    float accumulated;
    float fixed_delta_time;
    glm::vec2 want_position;
    float want_angle;
};

class PhysicsLerp : public ::testing::TestWithParam<LerpCase> {};

TEST_P(PhysicsLerp, PlacesTheTransformBetweenTheLastTwoPoses) {
    const LerpCase& c = GetParam();
    PhysicsLerpTransformSystem* system = nullptr;
    SceneHarness harness([&](HarnessScene& scene) {
        scene.entity_pool().add_list<BodyEntity>("BodyEntity", &BodyEntity::transform, &BodyEntity::body);
        system = &scene.register_system<PhysicsLerpTransformSystem>(SystemGroup::AfterFixed);
    });
    EXPECT_EQ(system->name(), "PhysicsLerpTransformSystem");
    EntityList<BodyEntity>& list = harness.scene->entity_pool().list<BodyEntity>();
    BodyEntity e;
    e.body.previous_position = {0.0f, 2.0f};
    e.body.previous_angle = 1.0f;
    e.body.position = {4.0f, 0.0f};
    e.body.angle = 2.0f;
    e.transform.scale = {3.0f, 0.5f};
    e.transform.z = 7.0f;
    const EntityId id = list.add(std::move(e));

    SimulationTick tick = make_tick(1, c.fixed_delta_time, false);
    tick.fixed_time_accumulated = c.accumulated;
    system->update(tick);
    const Transform& t = list.at(id).transform;
    EXPECT_NEAR(t.position.x, c.want_position.x, kEps);
    EXPECT_NEAR(t.position.y, c.want_position.y, kEps);
    EXPECT_NEAR(t.angle, c.want_angle, kEps);
    EXPECT_EQ(t.scale, glm::vec2(3.0f, 0.5f));
    EXPECT_EQ(t.z, 7.0f);
}

INSTANTIATE_TEST_SUITE_P(Cases, PhysicsLerp,
                         ::testing::Values(LerpCase{"none_accumulated", 0.0f, 0.02f, {0.0f, 2.0f}, 1.0f},
                                           LerpCase{"quarter", 0.005f, 0.02f, {1.0f, 1.5f}, 1.25f},
                                           LerpCase{"whole_step", 0.02f, 0.02f, {4.0f, 0.0f}, 2.0f},
                                           LerpCase{"beyond_the_step", 0.05f, 0.02f, {4.0f, 0.0f}, 2.0f},
                                           // A fixed step of 0 shows the current pose instead of dividing by it.
                                           LerpCase{"zero_step", 0.01f, 0.0f, {4.0f, 0.0f}, 2.0f}),
                         [](const ::testing::TestParamInfo<LerpCase>& info) { return std::string(info.param.name); });

} // namespace
