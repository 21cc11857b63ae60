#include <gtest/gtest.h>

#include <cmath>

#include "AiFixture.h"
#include "Engine/Engine/Systems/Physics/PhysicsLerpTransformSystem.h"
#include "Engine/Engine/Systems/Physics/PhysicsUpdateSystem.h"
#include "Engine/Math/Vector.h"
#include "Game/Systems/Ai/AiThrowerSystem.h"
#include "Support/SpriteBuilder.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;

struct ThrowerFixture : AiFixture {
    ThrowerFixture()
        : AiFixture([](test_support::HarnessScene& scene, AiFixture& f) {
              scene.register_system<AiThrowerSystem>(SystemGroup::Tick, &f.tree);
              scene.register_system<PhysicsUpdateSystem>(SystemGroup::PostFixed);
              scene.register_system<PhysicsLerpTransformSystem>(SystemGroup::AfterFixed);
          }) {}
    void place_player(EntityId id, glm::vec2 position) {
        PlayerEntity& p = list<PlayerEntity>().at(id);
        p.transform.position = position;
        p.body.position = position;
        p.body.previous_position = position;
    }
    void step() { tick(kDt, true); }

    AiThrower& thrower() { return only<BaseEntity>().thrower; }
    // A throwable body of `cells` filled cells in one chunk, at a world position.
    EntityId throwable(int32_t cells, glm::vec2 position) {
        BombEntity bomb;
        bomb.sprite = test_support::build_sprite(
            chunks, {1, 1}, [cells](int32_t x, int32_t y) { return y * 32 + x < cells ? 1u : 0u; });
        bomb.transform.position = position;
        bomb.transform.scale = glm::vec2(0.5f);
        bomb.body = PhysicsBody(position, 0.0f);
        list<BombEntity>().add_deferred(std::move(bomb));
        pool().flush();
        return newest<BombEntity>();
    }
};

struct CellsCase {
    int32_t cells;
    bool gathered;
};

class AiThrowerGather : public testing::TestWithParam<CellsCase> {};

TEST_P(AiThrowerGather, OnlyBodiesOfAtMost200CellsAreGathered) {
    ThrowerFixture f;
    f.enemy(EnemyKindBase, {0.0f, 0.0f});
    const glm::vec2 point = f.only<BaseEntity>().transform.to_world(f.thrower().origin);
    const EntityId id = f.throwable(GetParam().cells, point + glm::vec2(1.5f, 0.0f));
    f.step();
    ASSERT_EQ(f.thrower().held.size(), GetParam().gathered ? 1u : 0u);
    if (GetParam().gathered) {
        EXPECT_EQ(f.thrower().held[0].entity, id);
    }
}

INSTANTIATE_TEST_SUITE_P(Cells, AiThrowerGather,
                         testing::Values(CellsCase{200, true}, CellsCase{201, false}, CellsCase{1, true}));

TEST(AiThrowerSystem, ThrowsAfterThreeSecondsWithinTheThrowRadiusAndArmsTheBomb) {
    ThrowerFixture f;
    f.enemy(EnemyKindBase, {0.0f, 0.0f});
    const glm::vec2 point = f.only<BaseEntity>().transform.to_world(f.thrower().origin);
    const EntityId bomb_id = f.throwable(50, point + glm::vec2(0.0f, 2.0f));
    // Far outside the throw radius the hold time does not count.
    const EntityId player_id = f.player(point + glm::vec2(0.0f, -40.0f));
    for (int i = 0; i < 300; ++i) {
        f.step();
    }
    ASSERT_EQ(f.thrower().held.size(), 1u);
    EXPECT_EQ(f.thrower().held[0].throwing, 0);
    EXPECT_EQ(f.thrower().held[0].hold_timer, 0.0f);

    f.place_player(player_id, point + glm::vec2(0.0f, -10.0f));
    int ticks = 0;
    while (f.thrower().held[0].throwing == 0 && ticks < 1000) {
        f.step();
        ++ticks;
    }
    EXPECT_GE(static_cast<float>(ticks) * kDt, 3.0f - 1e-4f);
    EXPECT_LE(static_cast<float>(ticks) * kDt, 3.0f + kDt + 1e-4f);

    // The throw: released within its throw time, armed with a fuse no longer than 4 s.
    for (int i = 0; i < 600 && !f.thrower().held.empty(); ++i) {
        f.step();
    }
    ASSERT_TRUE(f.thrower().held.empty());
    const BombEntity& bomb = f.list<BombEntity>().at(bomb_id);
    EXPECT_EQ(bomb.bomb.exploding, 1);
    EXPECT_EQ(bomb.throwable.thrown, 1);
    EXPECT_GT(bomb.bomb.fuse, 0.0f);
    EXPECT_LE(bomb.bomb.fuse, AiThrowerSystem::kMaxFuse);
    EXPECT_EQ(bomb.bomb.fuse_timer, 0.0f);
}

TEST(AiThrowerSystem, BombReleasedAtRestOnThePlayerStillGetsAFiniteFuse) {
    ThrowerFixture f;
    f.enemy(EnemyKindBase, {0.0f, 0.0f});
    const glm::vec2 point = f.only<BaseEntity>().transform.to_world(f.thrower().origin);
    const EntityId bomb_id = f.throwable(50, point + glm::vec2(0.0f, -1.0f));
    f.step();
    ASSERT_EQ(f.thrower().held.size(), 1u);
    // The player sits on the bomb's centre and the bomb is at rest: distance 0 over speed 0.
    BombEntity& bomb = f.list<BombEntity>().at(bomb_id);
    f.place_player(f.player(glm::vec2(0.0f)), bomb.transform.to_world(bomb.body.center_of_mass));
    f.thrower().held[0].throwing = 1;
    f.thrower().held[0].throw_timer = 2.0f;
    bomb.body.linear_velocity = glm::vec2(0.0f);
    // The thrower pulls the body before it is released only when it stays; here it is released at once.
    f.step();
    ASSERT_TRUE(f.thrower().held.empty());
    EXPECT_EQ(bomb.bomb.exploding, 1);
    EXPECT_TRUE(std::isfinite(bomb.bomb.fuse));
    EXPECT_LE(bomb.bomb.fuse, AiThrowerSystem::kMaxFuse);
}

} // namespace
