#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Random.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Scenes/SpawnItemEvent.h"
#include "Game/Systems/Ai/ExplosionEvent.h"
#include "Game/Systems/Item/ItemPickupEvent.h"
#include "Game/Systems/Player/PlayerKillEvent.h"
#include "GameSceneFixture.h"

using namespace test_support;

namespace {

constexpr uint32_t kCore = static_cast<uint32_t>(CellType::Core);
constexpr float kCloudSpeed = 8.0f;

// The real scene, windowless, with the player's ship at the origin and nothing else.
struct HurtRoad : GameSceneFixture {
    HurtRoad() : exploded(engine.event_bus()), items(engine.event_bus()), pickups(engine.event_bus()) {
        random_seed(5489);
        scene->factory().create_player(glm::vec2(0.0f));
        scene->entity_pool().flush();
        tick(); // the ship's first commit: its edges and mass
        full_core_cells = player().sprite.cell_type_info(kCore).active;
    }

    EntityList<PlayerEntity>& players() { return scene->entity_pool().list<PlayerEntity>(); }
    PlayerEntity& player() { return players().entities().at(0); }
    glm::vec2 core_position() {
        PlayerEntity& p = player();
        return p.transform.to_world(p.sprite.grid().cell_to_local(p.cores.cores.at(0).grid_point));
    }
    bool cloud_system_in(uint32_t g) const {
        const std::vector<std::string> names = group(g);
        return std::find(names.begin(), names.end(), "PlayerCloudEffectSystem") != names.end();
    }
    bool player_exploded() const {
        return std::any_of(exploded.events.begin(), exploded.events.end(),
                           [](const SpriteCoreExplodedEvent& e) { return e.type == kCore; });
    }
    // The ship flies where the test says; without input nothing else moves it.
    void place_player(glm::vec2 position) {
        PlayerEntity& p = player();
        p.transform.position = position;
        p.body.position = position;
        p.body.previous_position = position;
        p.body.linear_velocity = glm::vec2(0.0f);
    }

    // Explosions at the ship's core until the core gives: shrapnel flies out of it through every cell on its way.
    void shoot_the_core_out() {
        for (int32_t blast = 0; blast < 10 && !player_exploded(); ++blast) {
            engine.event_bus().publish(ExplosionEvent{20, 0, core_position(), glm::vec2(0.0f)});
            for (int32_t i = 0; i < 70 && !player_exploded(); ++i) {
                tick();
            }
        }
        ASSERT_TRUE(player_exploded());
    }

    EventRecorder<SpriteCoreExplodedEvent> exploded;
    EventRecorder<SpawnItemEvent> items;
    EventRecorder<ItemPickupEvent> pickups;
    uint32_t full_core_cells = 0;
};

TEST(PlayerHurtRoad, ShrapnelInTheCoreMakesACloudThatCatchesItsCoresAndReforms) {
    HurtRoad r;
    const size_t core_items_from_hits = r.items.events.size();
    r.shoot_the_core_out();
    ASSERT_EQ(r.players().size(), 1u);
    EXPECT_GT(core_items_from_hits + r.items.events.size(), 3u) << "hits on core cells drop cores too";

    // The core explosion: an empty ship, a cloud, three cores thrown from where the core was.
    const PlayerEntity& cloud = r.player();
    EXPECT_EQ(cloud.player.is_cloud, 1);
    EXPECT_EQ(cloud.sprite.active_cell_count(), 0);
    EXPECT_TRUE(r.cloud_system_in(SystemGroup::Tick));
    const SpriteCoreExplodedEvent& core = r.exploded.events.back();
    const auto thrown = std::count_if(r.items.events.begin(), r.items.events.end(), [&](const SpawnItemEvent& e) {
        return e.kind == 0 && e.position == core.position;
    });
    EXPECT_EQ(thrown, 3);

    // The pilot chases the nearest core; the first one caught re-forms the ship.
    r.pickups.events.clear();
    bool reformed = false;
    for (int32_t i = 0; i < 900 && r.pickups.events.size() < 3; ++i) {
        glm::vec2 nearest(0.0f);
        float best = std::numeric_limits<float>::max();
        for (const ItemEntity& item : r.scene->entity_pool().list<ItemEntity>().entities()) {
            const float d = glm::length(item.position - r.player().transform.position);
            if (item.kind == 0 && item.target == kInvalidEntityId && d < best) {
                best = d;
                nearest = item.position;
            }
        }
        if (best < std::numeric_limits<float>::max()) {
            const glm::vec2 from = r.player().transform.position;
            const glm::vec2 step = nearest - from;
            const float reach = kCloudSpeed / 60.0f;
            r.place_player(glm::length(step) <= reach ? nearest : from + step / glm::length(step) * reach);
        }
        const bool was_cloud = r.player().player.is_cloud != 0;
        r.tick();
        if (was_cloud && !r.pickups.events.empty()) {
            const PlayerEntity& p = r.player();
            EXPECT_EQ(p.player.is_cloud, 0);
            EXPECT_EQ(p.sprite.cell_type_info(kCore).active, r.full_core_cells) << "the whole core comes back";
            ASSERT_EQ(p.cores.cores.size(), 1u);
            EXPECT_TRUE(p.cores.held_back_cores.empty());
            EXPECT_TRUE(r.cloud_system_in(SystemGroup::Unused));
            reformed = true;
        }
    }
    EXPECT_TRUE(reformed);
    ASSERT_GE(r.pickups.events.size(), 3u);
    for (const ItemPickupEvent& e : r.pickups.events) {
        EXPECT_EQ(e.kind, 0u);
    }

    // The re-formed ship holds together and its core works again.
    for (int32_t i = 0; i < 10; ++i) {
        r.tick();
    }
    ASSERT_EQ(r.players().size(), 1u);
    EXPECT_EQ(r.player().player.is_cloud, 0);
    EXPECT_GT(r.player().sprite.active_cell_count(), 0);
    EXPECT_EQ(r.player().cores.cores.size(), 1u);
}

TEST(PlayerHurtRoad, ACloudThatCatchesNoCoreBurstsAndThePlayerIsGone) {
    HurtRoad r;
    r.shoot_the_core_out();
    ASSERT_EQ(r.player().player.is_cloud, 1);
    // Far from every core it dropped.
    r.place_player(glm::vec2(50.0f, 50.0f));
    EventRecorder<PlayerKillEvent> kills(r.engine.event_bus());
    EventRecorder<SpawnParticleEvent> particles(r.engine.event_bus());
    int32_t ticks = 0;
    while (kills.events.empty() && ticks < 400) {
        r.tick(1.0f / 60.0f, true); // the physics runs on the empty body too
        ++ticks;
        const glm::vec2 at = r.player().transform.position;
        ASSERT_TRUE(std::isfinite(at.x) && std::isfinite(at.y));
    }
    ASSERT_EQ(kills.events.size(), 1u);
    EXPECT_NEAR(static_cast<float>(ticks) / 60.0f, 4.0f, 2.0f / 60.0f) << "the cloud lasts four seconds";
    EXPECT_TRUE(r.pickups.events.empty());
    // Cloud particles every tick, then the burst of two emissions of 100.
    const auto bursts =
        std::count_if(particles.events.begin(), particles.events.end(),
                      [](const SpawnParticleEvent& e) { return e.settings.number_to_spawn.min_or_value == 100; });
    EXPECT_EQ(bursts, 2);
    EXPECT_GE(particles.events.size(), static_cast<size_t>(ticks));
    r.tick();
    EXPECT_EQ(r.players().size(), 0u);
    EXPECT_EQ(kills.events.size(), 1u);
}

// A restart (reload, recording, play-back) while the ship is a cloud starts the scene with the cloud effect
// parked again, and it stays parked while the fresh scene runs.
TEST(PlayerHurtRoad, ARestartWhileTheShipIsACloudParksTheCloudEffect) {
    HurtRoad r;
    r.shoot_the_core_out();
    ASSERT_EQ(r.player().player.is_cloud, 1);
    ASSERT_TRUE(r.cloud_system_in(SystemGroup::Tick));

    r.scene->stop();
    r.scene->start(r.engine);
    EXPECT_TRUE(r.cloud_system_in(SystemGroup::Unused));
    EXPECT_FALSE(r.cloud_system_in(SystemGroup::Tick));
    r.scene->factory().create_player(glm::vec2(0.0f));
    for (int32_t i = 0; i < 30; ++i) {
        r.tick(1.0f / 60.0f, true);
    }
    EXPECT_TRUE(r.cloud_system_in(SystemGroup::Unused));
    EXPECT_FALSE(r.cloud_system_in(SystemGroup::Tick));
    ASSERT_EQ(r.players().size(), 1u);
    EXPECT_EQ(r.player().player.is_cloud, 0);
}

} // namespace
