#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "../Scenes/GameSceneFixture.h"
#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/ParticleAsset.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Random.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/EventHandlers/PlayerEventHandler.h"
#include "Game/Scenes/SpawnItemEvent.h"
#include "Game/Systems/Item/ItemPickupEvent.h"
#include "Game/Systems/Player/PlayerKillEvent.h"

using namespace test_support;

namespace {

// The real game scene with one player at the origin and one fighter out of the way.
struct PlayerWorld : GameSceneFixture {
    PlayerWorld() {
        random_seed(5489);
        scene->factory().create_player(glm::vec2(0.0f));
        scene->factory().create_enemy(EnemyRequest{EnemyKindFighter, glm::vec2(6.0f, 4.0f), glm::vec2(0.0f)});
        scene->entity_pool().flush();
        player_id = first_id<PlayerEntity>();
        fighter_id = first_id<FighterEntity>();
        full_cells = player().sprite.active_cell_count();
        full_core_cells = player().sprite.cell_type_info(kCore).active;
    }

    template <typename T>
    EntityId first_id() {
        EntityListView all;
        scene->entity_pool().list<T>().view_all(all);
        return all.id(0);
    }

    PlayerEntity& player() { return scene->entity_pool().list<PlayerEntity>().at(player_id); }
    void dispatch() { engine.event_bus().dispatch(); }
    template <typename E>
    void deliver(const E& event) {
        engine.event_bus().publish(event);
        dispatch();
    }

    // Removes up to n active cells of a type from the player's sprite, in cell order.
    int32_t remove_cells(uint32_t type, int32_t n) {
        Sprite& sprite = player().sprite;
        int32_t removed = 0;
        for (int32_t cell = 0; cell < 1024 && removed < n; ++cell) {
            const CellValue v = sprite.get_cell(0, cell);
            if (sprite.is_cell_active(0, cell) && cell_type_of(v.flags) == type) {
                sprite.remove_cell(0, cell);
                ++removed;
            }
        }
        return removed;
    }

    bool cloud_system_in(uint32_t group) const {
        const std::vector<std::string> names = this->group(group);
        return std::find(names.begin(), names.end(), "PlayerCloudEffectSystem") != names.end();
    }

    static constexpr uint32_t kCore = static_cast<uint32_t>(CellType::Core);
    EntityId player_id;
    EntityId fighter_id;
    int32_t full_cells = 0;
    uint32_t full_core_cells = 0;
};

struct HitCase {
    const char* name;
    bool on_player;
    CellType cell;
    size_t items;
};

class PlayerBulletHit : public testing::TestWithParam<HitCase> {};

TEST_P(PlayerBulletHit, OnlyAHitOnThePlayersCoreDropsACoreItem) {
    const HitCase& c = GetParam();
    PlayerWorld w;
    EventRecorder<SpawnItemEvent> items(w.engine.event_bus());
    BulletHitCellEvent hit;
    hit.entity = c.on_player ? w.player_id : w.fighter_id;
    hit.cell_flags = static_cast<uint16_t>(static_cast<uint16_t>(c.cell) | kCellRemovedBit);
    hit.world_position = glm::vec2(0.1f, 0.2f);
    hit.velocity = glm::vec2(0.0f, 7.0f);
    w.deliver(hit);
    ASSERT_EQ(items.events.size(), c.items);
    for (const SpawnItemEvent& item : items.events) {
        EXPECT_EQ(item.kind, 0u);
        EXPECT_EQ(item.position, hit.world_position);
        // The unit velocity (0, 1) scaled component-wise by a point of the disc of radius 10.
        EXPECT_EQ(item.velocity.x, 0.0f);
        EXPECT_LE(std::abs(item.velocity.y), 10.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Cells, PlayerBulletHit,
                         testing::Values(HitCase{"player_core", true, CellType::Core, 1},
                                         HitCase{"player_filled", true, CellType::Filled, 0},
                                         HitCase{"player_weak_point", true, CellType::Weakpoint1, 0},
                                         HitCase{"enemy_core", false, CellType::Core, 0}),
                         [](const testing::TestParamInfo<HitCase>& info) { return std::string(info.param.name); });

TEST(PlayerEventHandler, AHitWithoutVelocityDropsACoreItemThatIsNotNaN) {
    PlayerWorld w;
    EventRecorder<SpawnItemEvent> items(w.engine.event_bus());
    BulletHitCellEvent hit;
    hit.entity = w.player_id;
    hit.cell_flags = static_cast<uint16_t>(CellType::Core);
    w.deliver(hit);
    ASSERT_EQ(items.events.size(), 1u);
    EXPECT_EQ(items.events[0].velocity, glm::vec2(0.0f));
}

TEST(PlayerEventHandler, CoreExplosionEmptiesTheShipIntoACloudThatDropsThreeCores) {
    PlayerWorld w;
    EventRecorder<SpawnItemEvent> items(w.engine.event_bus());
    const glm::vec2 core(0.02f, -0.1f);
    w.deliver(SpriteCoreExplodedEvent{w.player_id, core, 8, PlayerWorld::kCore});
    const PlayerEntity& p = w.player();
    EXPECT_EQ(p.sprite.active_cell_count(), 0);
    EXPECT_EQ(p.dirty.dirty, 1);
    EXPECT_EQ(p.player.is_cloud, 1);
    EXPECT_EQ(p.player.cloud_timer, 4.0f);
    EXPECT_EQ(p.player.cloud_elapsed, 0.0f);
    ASSERT_EQ(items.events.size(), 3u);
    for (const SpawnItemEvent& item : items.events) {
        EXPECT_EQ(item.kind, 0u);
        EXPECT_EQ(item.position, core);
        EXPECT_LE(glm::length(item.velocity), 10.0f + 1e-5f);
    }
    EXPECT_TRUE(w.cloud_system_in(SystemGroup::Tick));
    EXPECT_FALSE(w.cloud_system_in(SystemGroup::Unused));
}

TEST(PlayerEventHandler, AnEnemyCoreExplosionLeavesThePlayerAlone) {
    PlayerWorld w;
    w.deliver(SpriteCoreExplodedEvent{w.fighter_id, glm::vec2(6.0f, 4.0f), 8, PlayerWorld::kCore});
    EXPECT_EQ(w.player().sprite.active_cell_count(), w.full_cells);
    EXPECT_EQ(w.player().player.is_cloud, 0);
    EXPECT_TRUE(w.cloud_system_in(SystemGroup::Unused));
}

struct PickupCase {
    const char* name;
    uint32_t kind;
    uint32_t restored_type;
};

class PlayerPickupIntact : public testing::TestWithParam<PickupCase> {};

TEST_P(PlayerPickupIntact, RestoresExactlyOneCellOfTheItemsType) {
    const PickupCase& c = GetParam();
    PlayerWorld w;
    const uint32_t filled = static_cast<uint32_t>(CellType::Filled);
    ASSERT_EQ(w.remove_cells(PlayerWorld::kCore, 5), 5);
    ASSERT_EQ(w.remove_cells(filled, 5), 5);
    const uint32_t core_before = w.player().sprite.cell_type_info(PlayerWorld::kCore).active;
    const uint32_t filled_before = w.player().sprite.cell_type_info(filled).active;
    w.player().dirty.dirty = 0;
    w.deliver(ItemPickupEvent{w.player_id, c.kind});
    const Sprite& sprite = w.player().sprite;
    EXPECT_EQ(sprite.cell_type_info(PlayerWorld::kCore).active,
              core_before + (c.restored_type == PlayerWorld::kCore ? 1u : 0u));
    EXPECT_EQ(sprite.cell_type_info(filled).active, filled_before + (c.restored_type == filled ? 1u : 0u));
    EXPECT_EQ(w.player().dirty.dirty, 1);
    EXPECT_EQ(w.player().player.is_cloud, 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PlayerPickupIntact,
                         testing::Values(PickupCase{"core", 0, 2}, PickupCase{"health", 1, 1},
                                         PickupCase{"unknown_kind", 7, 0}),
                         [](const testing::TestParamInfo<PickupCase>& info) { return std::string(info.param.name); });

TEST(PlayerEventHandler, AHealthItemCaughtByACloudChangesNothingButTheDirtyFlag) {
    PlayerWorld w;
    w.deliver(SpriteCoreExplodedEvent{w.player_id, glm::vec2(0.0f), 8, PlayerWorld::kCore});
    w.player().dirty.dirty = 0;
    EventRecorder<SpawnParticleEvent> particles(w.engine.event_bus());
    w.deliver(ItemPickupEvent{w.player_id, 1});
    EXPECT_EQ(w.player().sprite.active_cell_count(), 0);
    EXPECT_EQ(w.player().player.is_cloud, 1);
    EXPECT_EQ(w.player().dirty.dirty, 1);
    EXPECT_TRUE(particles.events.empty());
    EXPECT_TRUE(w.cloud_system_in(SystemGroup::Tick));
}

TEST(PlayerEventHandler, ACoreCaughtByACloudReformsTheWholeShip) {
    PlayerWorld w;
    ASSERT_EQ(w.remove_cells(static_cast<uint32_t>(CellType::Filled), 30), 30);
    SpriteCoreSet& set = w.player().cores;
    ASSERT_EQ(set.cores.size(), 1u);
    // As the core update leaves it: the exploded core held back, the empty sprite's commit asking for more.
    set.held_back_cores.push_back(std::move(set.cores[0]));
    set.cores.clear();
    set.explode_all = 1;
    w.deliver(SpriteCoreExplodedEvent{w.player_id, glm::vec2(0.0f), 8, PlayerWorld::kCore});
    w.player().body.linear_velocity = glm::vec2(2.0f, 0.0f);

    EventRecorder<SpawnParticleEvent> particles(w.engine.event_bus());
    w.deliver(ItemPickupEvent{w.player_id, 0});
    const PlayerEntity& p = w.player();
    EXPECT_EQ(p.sprite.active_cell_count(), w.full_cells) << "every removed cell comes back";
    EXPECT_EQ(p.sprite.cell_type_info(PlayerWorld::kCore).active, w.full_core_cells);
    ASSERT_EQ(p.cores.cores.size(), 1u);
    EXPECT_EQ(p.cores.cores[0].type, PlayerWorld::kCore);
    EXPECT_TRUE(p.cores.held_back_cores.empty());
    EXPECT_EQ(p.cores.explode_all, 0);
    EXPECT_EQ(p.player.is_cloud, 0);
    EXPECT_EQ(p.dirty.dirty, 1);
    EXPECT_TRUE(w.cloud_system_in(SystemGroup::Unused));
    // The burst: thrown along the velocity, then all around, 100 particles of 5 s each.
    ASSERT_EQ(particles.events.size(), 2u);
    const Range<glm::vec2>& along = particles.events[0].settings.velocity;
    EXPECT_FALSE(along.single);
    EXPECT_GT(along.min_or_value.x, 0.0f);
    EXPECT_GT(along.max.x, 0.0f);
    EXPECT_EQ(particles.events[1].settings.velocity.min_or_value, glm::vec2(-10.0f));
    EXPECT_EQ(particles.events[1].settings.velocity.max, glm::vec2(10.0f));
    for (const SpawnParticleEvent& e : particles.events) {
        EXPECT_EQ(e.position, p.body.position);
        EXPECT_EQ(e.angle, 0.0f);
        EXPECT_EQ(e.settings.number_to_spawn.min_or_value, 100);
        EXPECT_EQ(e.settings.life.min_or_value, 5.0f);
        EXPECT_EQ(e.settings.damping.min_or_value, 2.0f);
        EXPECT_EQ(e.settings.damping.max, 8.0f);
    }
}

TEST(PlayerEventHandler, KillEndsEveryPlayerWithABurstEach) {
    PlayerWorld w;
    w.scene->factory().create_player(glm::vec2(3.0f, 0.0f));
    w.scene->entity_pool().flush();
    EventRecorder<SpawnParticleEvent> particles(w.engine.event_bus());
    w.deliver(PlayerKillEvent{});
    ASSERT_EQ(particles.events.size(), 4u);
    EXPECT_EQ(particles.events[0].position, glm::vec2(0.0f));
    EXPECT_EQ(particles.events[2].position, glm::vec2(3.0f, 0.0f));
    for (const SpawnParticleEvent& e : particles.events) {
        EXPECT_EQ(e.settings.number_to_spawn.min_or_value, 100);
        // A body at rest throws its first burst with zero velocity, never NaN.
        EXPECT_TRUE(std::isfinite(e.settings.velocity.min_or_value.x));
    }
    w.tick();
    EXPECT_EQ(w.scene->entity_pool().list<PlayerEntity>().size(), 0u);
}

// The burst thrown along the ship's velocity v spans the angles a - r1 to a + r2 about a = angle_of(v), r1 and r2
// being the next two draws of the global generator: its low edge is v + |v| (cos(a - r1), sin(a - r1)), its high
// edge v + |v| (cos(a + r2), sin(a + r2)).
TEST(PlayerEventHandler, TheCloudBurstSpansTheVelocityTurnedBackByR1AndOnByR2) {
    PlayerWorld w;
    const glm::vec2 v(3.0f, 4.0f);
    w.player().body.linear_velocity = v;
    float r1 = 0.0f;
    float r2 = 0.0f;
    {
        std::mt19937 copy = random_generator();
        ScopedRandomGenerator use(copy);
        r1 = random_float();
        r2 = random_float();
    }
    ASSERT_GT(std::abs(r1 - r2), 0.1f) << "edges that tell a - r1 from a + r1";
    EventRecorder<SpawnParticleEvent> particles(w.engine.event_bus());
    w.deliver(PlayerKillEvent{});
    ASSERT_EQ(particles.events.size(), 2u);
    const double a = std::atan2(4.0, 3.0);
    const Range<glm::vec2>& along = particles.events[0].settings.velocity;
    EXPECT_NEAR(along.min_or_value.x, 3.0 + 5.0 * std::cos(a - r1), 1e-4);
    EXPECT_NEAR(along.min_or_value.y, 4.0 + 5.0 * std::sin(a - r1), 1e-4);
    EXPECT_NEAR(along.max.x, 3.0 + 5.0 * std::cos(a + r2), 1e-4);
    EXPECT_NEAR(along.max.y, 4.0 + 5.0 * std::sin(a + r2), 1e-4);
}

TEST(PlayerEventHandler, AMissingCloudParticleDefinitionThrows) {
    AssetPackage empty;
    EventBus bus;
    EntityPool pool;
    EXPECT_THROW(PlayerEventHandler(bus, &pool, empty), std::invalid_argument);
    EXPECT_EQ(bus.subscriber_count<BulletHitCellEvent>(), 0u) << "the half-built handler leaves the bus";
}

} // namespace
