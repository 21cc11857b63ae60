#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "AiFixture.h"
#include "Engine/Math/Vector.h"
#include "Game/Systems/Ai/AiBaseSystem.h"
#include "Game/Systems/Ai/AiForceMoverSystem.h"
#include "Game/Systems/Ai/AiStationSystem.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;

struct MoverFixture : AiFixture {
    MoverFixture()
        : AiFixture([](test_support::HarnessScene& scene, AiFixture& f) {
              scene.register_system<AiStationSystem>(SystemGroup::Tick, &f.factory);
              scene.register_system<AiBaseSystem>(SystemGroup::Tick);
              scene.register_system<AiForceMoverSystem>(SystemGroup::Tick);
          }) {}
    BaseEntity& base() { return only<BaseEntity>(); }
    glm::vec2 center(const Transform& t, const PhysicsBody& b) { return t.to_world(b.center_of_mass); }
};

TEST(AiForceMoverSystem, MoverAtItsGoalBrakesToRestAtMostMaxImpulsePerSecond) {
    MoverFixture f;
    f.enemy(EnemyKindBase, {30.0f, 0.0f});
    BaseEntity& b = f.base();
    b.base.period = 1000.0f; // keep the goal
    b.force_mover.goal = f.center(b.transform, b.body);
    b.body.linear_velocity = {0.5f, 0.0f};
    const float max_dv = b.force_mover.max_impulse * kDt * b.body.inverse_mass;
    float previous = 0.5f;
    for (int i = 0; i < 2000; ++i) {
        f.tick(kDt);
        const float v = b.body.linear_velocity.x;
        ASSERT_LE(previous - v, max_dv * 1.0001f);
        ASSERT_GE(v, -1e-6f); // brakes, never pushes back
        previous = v;
    }
    EXPECT_NEAR(glm::length(b.body.linear_velocity), 0.0f, 1e-4f);
}

TEST(AiForceMoverSystem, ZeroMaxImpulseOrAnEmptyBodyGetsNoImpulse) {
    MoverFixture f;
    f.enemy(EnemyKindBase, {30.0f, 0.0f});
    BaseEntity& b = f.base();
    b.base.period = 1000.0f;
    b.force_mover.goal = {0.0f, 0.0f};
    b.force_mover.max_impulse = 0.0f;
    b.body.linear_velocity = {0.25f, 0.0f};
    f.tick(kDt);
    EXPECT_EQ(b.body.linear_velocity, glm::vec2(0.25f, 0.0f));

    // A body whose sprite lost every cell has an infinite inverse mass.
    b.force_mover.max_impulse = 1.0f;
    b.body.inverse_mass = std::numeric_limits<float>::infinity();
    f.tick(kDt);
    EXPECT_EQ(b.body.linear_velocity, glm::vec2(0.25f, 0.0f));
}

TEST(AiBaseSystem, KeepsItsGoalWhilePlayerIsNearAndRedrawsOnTheFirstTickItIsFar) {
    MoverFixture f;
    const EntityId player = f.player({0.0f, 0.0f});
    f.enemy(EnemyKindBase, {10.0f, 0.0f});
    BaseEntity& b = f.base();
    b.force_mover.max_impulse = 0.0f; // stays where it is
    const glm::vec2 goal = b.force_mover.goal;
    for (int i = 0; i < 120; ++i) {
        f.tick(kDt);
    }
    EXPECT_EQ(b.force_mover.goal, goal);
    EXPECT_GT(b.base.timer, 1.9f);

    f.list<PlayerEntity>().at(player).transform.position = {-20.0f, 0.0f};
    f.tick(kDt);
    const PlayerEntity& p = f.list<PlayerEntity>().at(player);
    const glm::vec2 offset =
        (b.force_mover.goal - p.transform.to_world(p.body.center_of_mass)) / glm::vec2(16.0f, 6.0f);
    EXPECT_NEAR(glm::length(offset), 1.0f, 1e-4f); // a point of the ellipse around the player
    EXPECT_EQ(b.base.timer, 0.0f);
    EXPECT_EQ(b.base.period, 25.0f);
}

TEST(AiStationSystem, ParksBehindANearerThrowerWithoutAdvancingItsTimer) {
    MoverFixture f;
    f.player({-30.0f, 0.0f});
    f.enemy(EnemyKindBase, {10.0f, 0.0f});
    f.enemy(EnemyKindStation, {5.0f, 4.0f});
    StationEntity& s = f.only<StationEntity>();
    s.force_mover.max_impulse = 0.0f;
    f.base().force_mover.max_impulse = 0.0f;
    f.tick(kDt);
    const BaseEntity& b = f.base();
    const PlayerEntity& p = f.only<PlayerEntity>();
    const glm::vec2 t = b.transform.to_world(b.body.center_of_mass);
    const glm::vec2 expected = t + normalize_or_zero(t - p.transform.to_world(p.body.center_of_mass)) * 8.0f;
    EXPECT_NEAR(s.force_mover.goal.x, expected.x, 1e-4f);
    EXPECT_NEAR(s.force_mover.goal.y, expected.y, 1e-4f);
    EXPECT_EQ(s.station.timer, 0.0f);
}

TEST(AiStationSystem, LaunchesFromTheHangarHalfAUnitOutAlongALocalAxisAtSpeedTwo) {
    MoverFixture f;
    f.enemy(EnemyKindStation, {5.0f, 4.0f});
    StationEntity& s = f.only<StationEntity>();
    s.force_mover.max_impulse = 0.0f;
    s.transform.angle = 0.7f;
    const glm::vec2 origin = s.transform.to_world(s.station.spawn_origin);
    s.station.spawn_timer = s.station.spawn_interval - 1.5f * kDt;
    f.tick(kDt);
    f.tick(kDt);
    EXPECT_EQ(f.list<FighterEntity>().size() + f.list<BombEntity>().size(), 0u);
    EXPECT_EQ(s.station.spawn_timer, 0.0f);
    f.tick(kDt); // the flush brings the launched ship in
    ASSERT_EQ(f.list<FighterEntity>().size() + f.list<BombEntity>().size(), 1u);
    const bool fighter = f.list<FighterEntity>().size() == 1;
    const Transform& t = fighter ? f.only<FighterEntity>().transform : f.only<BombEntity>().transform;
    const PhysicsBody& body = fighter ? f.only<FighterEntity>().body : f.only<BombEntity>().body;
    const glm::vec2 d = (t.to_world(body.center_of_mass) - origin) / 0.5f;
    const glm::vec2 local = rotate(d, -0.7f);
    EXPECT_NEAR(glm::length(d), 1.0f, 1e-3f);
    EXPECT_NEAR(std::fabs(local.x) + std::fabs(local.y), 1.0f, 1e-3f); // along one of the four local axes
    EXPECT_NEAR(body.linear_velocity.x, d.x * 2.0f, 1e-3f);
    EXPECT_NEAR(body.linear_velocity.y, d.y * 2.0f, 1e-3f);
}

} // namespace
