#include <gtest/gtest.h>

#include <cmath>

#include "AiFixture.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Math/Vector.h"
#include "Game/Systems/Ai/AiBombSystem.h"
#include "Game/Systems/Ai/ExplosionEvent.h"

using test_support::EventRecorder;

namespace {

constexpr float kDt = 1.0f / 60.0f;

struct BombFixture : AiFixture {
    BombFixture()
        : AiFixture([](test_support::HarnessScene& scene, AiFixture&) {
              scene.register_system<AiBombSystem>(SystemGroup::Tick);
          }) {}
    BombEntity& bomb(EntityId id) { return list<BombEntity>().at(id); }
};

TEST(AiBombSystem, BombAtRestSetsOffAlongXThenReachesItsSpeedTowardThePlayer) {
    BombFixture f;
    // Off the player's axis: a velocity pointing exactly away from the target cannot start to turn.
    const EntityId id = f.enemy(EnemyKindBomb, {20.0f, 5.0f});
    BombEntity& b = f.bomb(id);
    b.bomb.timer = b.bomb.period; // steering from the first tick

    f.tick(kDt);
    EXPECT_GT(b.body.linear_velocity.x, 0.0f);
    EXPECT_EQ(b.body.linear_velocity.y, 0.0f);
    EXPECT_TRUE(std::isfinite(b.body.linear_velocity.x));

    for (int i = 0; i < 600; ++i) {
        f.tick(kDt);
    }
    // No player: it homes in on the default record at the origin, at its own speed.
    EXPECT_NEAR(glm::length(b.body.linear_velocity), b.bomb.speed, 0.01f);
    EXPECT_LT(b.body.linear_velocity.x, 0.0f);
}

struct SpeedCase {
    float speed;
    const char* change; // "slower", "same", "faster"
};

class AiBombSpeed : public testing::TestWithParam<SpeedCase> {};

TEST_P(AiBombSpeed, OnlyBombsAbove25OrBelowTheirSpeedChangeSpeed) {
    BombFixture f;
    const EntityId id = f.enemy(EnemyKindBomb, {20.0f, 0.0f});
    BombEntity& b = f.bomb(id);
    b.bomb.timer = b.bomb.period;
    b.body.linear_velocity = {-GetParam().speed, 0.0f}; // already heading at the player
    f.tick(kDt);
    const float after = glm::length(b.body.linear_velocity);
    const std::string change = GetParam().change;
    if (change == "same") {
        EXPECT_FLOAT_EQ(after, GetParam().speed);
    } else {
        const float expected = GetParam().speed + (b.bomb.speed - GetParam().speed) * kDt * b.bomb.turn_strength;
        EXPECT_NEAR(after, expected, 1e-4f);
        EXPECT_EQ(change == "slower", after < GetParam().speed);
    }
}

INSTANTIATE_TEST_SUITE_P(Speeds, AiBombSpeed,
                         testing::Values(SpeedCase{30.0f, "slower"}, SpeedCase{25.0f, "same"}, SpeedCase{10.0f, "same"},
                                         SpeedCase{1.0f, "faster"}));

TEST(AiBombSystem, ArmsOnlyWithinTheStartRadiusOfThePlayer) {
    BombFixture f;
    f.player({0.0f, 0.0f});
    const EntityId near_id = f.enemy(EnemyKindBomb, {2.0f, 0.0f});
    const EntityId far_id = f.enemy(EnemyKindBomb, {9.0f, 0.0f});
    f.bomb(near_id).bomb.timer = 1.0f;
    f.bomb(far_id).bomb.timer = 1.0f;
    f.tick(kDt);
    EXPECT_EQ(f.bomb(near_id).bomb.exploding, 1);
    EXPECT_EQ(f.bomb(far_id).bomb.exploding, 0);
}

TEST(AiBombSystem, FuseTurnsTheBombIntoARockOfItsShapeAndPoseAndExplodesOnce) {
    BombFixture f;
    EventRecorder<ExplosionEvent> explosions(f.harness.engine.event_bus());
    EventRecorder<SpawnParticleEvent> sparks(f.harness.engine.event_bus());
    const EntityId id = f.enemy(EnemyKindBomb, {4.0f, 1.0f}, {1.5f, -0.5f});
    BombEntity& b = f.bomb(id);
    b.bomb.exploding = 1;
    b.bomb.fuse = 0.09f;
    b.transform.angle = 0.3f;
    b.body.angle = 0.3f;
    const Transform pose = b.transform;
    const glm::vec2 center = pose.to_world(b.body.center_of_mass);
    const int32_t cells = b.sprite.active_cell_count();

    int ticks = 0;
    while (explosions.events.empty() && ticks < 20) {
        f.tick(kDt);
        ++ticks;
    }
    ASSERT_EQ(explosions.events.size(), 1u);
    EXPECT_EQ(ticks, 6);                                         // 0.09 s of 1/60 s ticks
    EXPECT_EQ(sparks.events.size(), static_cast<size_t>(ticks)); // one per burning tick, the last one too
    const ExplosionEvent& e = explosions.events[0];
    EXPECT_EQ(e.count_a, 10);
    EXPECT_EQ(e.count_b, 0);
    EXPECT_FLOAT_EQ(e.position.x, center.x);
    EXPECT_FLOAT_EQ(e.position.y, center.y);
    EXPECT_FLOAT_EQ(e.velocity.x, 1.5f);
    EXPECT_FLOAT_EQ(e.velocity.y, -0.5f);

    // The bomb lives until the flush: a second run before it must not explode it again.
    f.harness.scene->systems()[SystemGroup::Tick].back()->update(test_support::make_tick(99, kDt, false));
    f.harness.engine.event_bus().dispatch();
    EXPECT_EQ(explosions.events.size(), 1u);

    f.tick(kDt);
    EXPECT_EQ(f.list<BombEntity>().size(), 0u);
    ASSERT_EQ(f.list<RockEntity>().size(), 1u);
    const RockEntity& rock = f.only<RockEntity>();
    EXPECT_EQ(rock.sprite.active_cell_count(), cells);
    EXPECT_EQ(rock.transform.position, pose.position);
    EXPECT_EQ(rock.transform.angle, pose.angle);
    EXPECT_EQ(rock.transform.scale, pose.scale);
    EXPECT_EQ(rock.body.linear_velocity, glm::vec2(1.5f, -0.5f));
    EXPECT_TRUE(rock.cores.cores.empty());
    EXPECT_EQ(rock.dirty.dirty, 1);
    EXPECT_EQ(explosions.events.size(), 1u);
}

} // namespace
