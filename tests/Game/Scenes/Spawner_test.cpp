#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "Engine/Engine/SceneEvents.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Random.h"
#include "Game/Components/Tags.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/PlayerEntity.h"
#include "GameSceneFixture.h"

namespace {

struct SpawnerFixture : GameSceneFixture {
    SpawnerFixture() {
        scene->factory().create_player({2.0f, -1.0f});
        tick();
        scene->set_spawn_enabled(true);
    }

    size_t enemies() {
        size_t n = 0;
        for (const auto& list : scene->entity_pool().lists()) {
            if (list->has_components(component_mask<EnemyTag>())) {
                n += list->size();
            }
        }
        return n;
    }
    glm::vec2 player() { return scene->entity_pool().list<PlayerEntity>().entities().at(0).transform.position; }
    void pause(bool on) { scene->handle(PauseRequestEvent{static_cast<uint8_t>(on ? 1 : 0), 0}); }
};

// The enemy the spawner placed, wherever its kind lives: its kind and the centre of its cells.
struct Spawned {
    uint32_t kind = EnemyKindCount;
    glm::vec2 center{0.0f};
};

template <typename E>
void find_in(EntityPool& pool, uint32_t kind, Spawned& out) {
    for (const E& e : pool.list<E>().entities()) {
        out.kind = kind;
        out.center = e.transform.to_world(e.sprite.cell_moments().center_of_mass);
    }
}

Spawned spawned(EntityPool& pool) {
    Spawned s;
    find_in<BombEntity>(pool, EnemyKindBomb, s);
    find_in<FighterEntity>(pool, EnemyKindFighter, s);
    find_in<StationEntity>(pool, EnemyKindStation, s);
    find_in<BaseEntity>(pool, EnemyKindBase, s);
    find_in<Boss1Entity>(pool, EnemyKindBoss1, s);
    return s;
}

struct PlaceCase {
    const char* name;
    bool surrounded;
    int32_t candidate; // the candidate taken, counted from 0
};

class SpawnerPlace : public testing::TestWithParam<PlaceCase> {};

// The draws come in the specified order: candidates on the ring until one is free (the tenth untested),
// then the kind.
TEST_P(SpawnerPlace, EnemyAppearsOnTheRingAroundThePlayerAfterTheInterval) {
    const PlaceCase& c = GetParam();
    SpawnerFixture f;
    f.tick(5.0f);
    EXPECT_FLOAT_EQ(f.scene->spawn_timer(), 5.0f);
    EXPECT_EQ(f.enemies(), 0u);
    if (c.surrounded) {
        // Sprites everywhere around the player (the tree is rebuilt in the next tick, after the spawner).
        f.scene->sprite_tree().insert(AxisAlignedArea{{-50.0f, -50.0f}, {50.0f, 50.0f}}, kInvalidEntityId);
    }

    const glm::vec2 player = f.player();
    random_seed(77);
    glm::vec2 expected(0.0f);
    for (int32_t i = 0; i <= c.candidate; ++i) {
        expected = player + random_on_rect_border(4.0f, 4.0f, 2.0f, 2.0f);
    }
    const uint32_t kinds[] = {EnemyKindFighter, EnemyKindBomb, EnemyKindStation, EnemyKindBase};
    const uint32_t expected_kind = kinds[random_int(4)];
    random_seed(77);

    f.tick(5.0f);
    EXPECT_EQ(f.scene->spawn_timer(), 0.0f);
    f.tick(0.01f); // the deferred create enters its list
    ASSERT_EQ(f.enemies(), 1u);
    const Spawned s = spawned(f.scene->entity_pool());
    EXPECT_EQ(s.kind, expected_kind);
    EXPECT_NEAR(s.center.x, expected.x, 1e-3f);
    EXPECT_NEAR(s.center.y, expected.y, 1e-3f);
    const glm::vec2 d = glm::abs(s.center - player);
    EXPECT_GE(std::max(d.x, d.y), 4.0f - 1e-3f);
    EXPECT_LE(std::max(d.x, d.y), 6.0f + 1e-3f);
}

INSTANTIATE_TEST_SUITE_P(Table, SpawnerPlace,
                         testing::Values(PlaceCase{"FreeRingTakesTheFirstCandidate", false, 0},
                                         PlaceCase{"SurroundedPlayerGetsTheTenthUntested", true, 9}),
                         [](const testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

TEST(Spawner, NothingSpawnsAndTheCountdownWaitsWhilePaused) {
    SpawnerFixture f;
    f.tick(4.0f);
    f.pause(true);
    f.tick(0.0f);
    ASSERT_TRUE(f.scene->paused());
    for (int i = 0; i < 6; ++i) {
        f.tick(5.0f);
    }
    EXPECT_EQ(f.enemies(), 0u);
    EXPECT_FLOAT_EQ(f.scene->spawn_timer(), 4.0f);

    f.pause(false);
    f.tick(5.0f);
    EXPECT_FLOAT_EQ(f.scene->spawn_timer(), 9.0f) << "the countdown goes on where it stopped";
    f.tick(1.0f);
    f.tick(0.01f);
    EXPECT_EQ(f.enemies(), 1u);
}

TEST(Spawner, WithEightEnemiesTheTimerStillResetsAndNothingSpawns) {
    SpawnerFixture f;
    for (int i = 0; i < 8; ++i) {
        f.scene->factory().create_enemy({EnemyKindBase, {30.0f * static_cast<float>(i), 40.0f}, {}});
    }
    f.tick(5.0f);
    ASSERT_EQ(f.enemies(), 8u);
    f.tick(5.0f);
    EXPECT_EQ(f.scene->spawn_timer(), 0.0f);
    f.tick(0.01f);
    EXPECT_EQ(f.enemies(), 8u);
}

TEST(Spawner, OffSwitchMeansNoCountdown) {
    SpawnerFixture f;
    f.scene->set_spawn_enabled(false);
    f.tick(30.0f);
    f.tick(0.01f);
    EXPECT_EQ(f.enemies(), 0u);
    EXPECT_EQ(f.scene->spawn_timer(), 0.0f);
}

// Four kinds, about a quarter each, never the boss.
TEST(Spawner, KindsAreEvenAndNeverTheBoss) {
    SpawnerFixture f;
    random_seed(5);
    constexpr int kSpawns = 400;
    int counts[EnemyKindCount] = {};
    EntityPool& pool = f.scene->entity_pool();
    for (int i = 0; i < kSpawns; ++i) {
        f.scene->reset();
        f.tick(10.0f);
        counts[EnemyKindBomb] += static_cast<int>(pool.list<BombEntity>().pending_create_count());
        counts[EnemyKindFighter] += static_cast<int>(pool.list<FighterEntity>().pending_create_count());
        counts[EnemyKindStation] += static_cast<int>(pool.list<StationEntity>().pending_create_count());
        counts[EnemyKindBase] += static_cast<int>(pool.list<BaseEntity>().pending_create_count());
        counts[EnemyKindBoss1] += static_cast<int>(pool.list<Boss1Entity>().pending_create_count());
    }
    EXPECT_EQ(counts[EnemyKindBoss1], 0);
    int total = 0;
    for (const uint32_t kind : {EnemyKindBomb, EnemyKindFighter, EnemyKindStation, EnemyKindBase}) {
        EXPECT_GT(counts[kind], 65) << kind;
        EXPECT_LT(counts[kind], 135) << kind;
        total += counts[kind];
    }
    EXPECT_EQ(total, kSpawns);
}

} // namespace
