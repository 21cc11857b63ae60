#include <gtest/gtest.h>

#include "../../Scenes/GameSceneFixture.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Systems/Player/PlayerCloudEffectSystem.h"
#include "Game/Systems/Player/PlayerKillEvent.h"

using namespace test_support;

namespace {

constexpr float kDt = 0.25f;

// The real scene with one player and the cloud system running, as the player event handler leaves it.
struct CloudWorld : GameSceneFixture {
    CloudWorld() : kills(engine.event_bus()), particles(engine.event_bus()) {
        scene->factory().create_player(glm::vec2(1.0f, 2.0f));
        scene->entity_pool().flush();
        scene->transition_system(PlayerCloudEffectSystem::kName, SystemGroup::Tick);
    }
    PlayerEntity& player() { return scene->entity_pool().list<PlayerEntity>().entities().at(0); }
    void make_cloud() {
        player().player.is_cloud = 1;
        player().player.cloud_timer = 1.0f;
        player().player.cloud_elapsed = 0.0f;
    }
    size_t cloud_particles() const {
        size_t n = 0;
        for (const SpawnParticleEvent& e : particles.events) {
            n += e.position == glm::vec2(1.0f, 2.0f) ? 1 : 0;
        }
        return n;
    }

    EventRecorder<PlayerKillEvent> kills;
    EventRecorder<SpawnParticleEvent> particles;
};

TEST(PlayerCloudEffectSystem, ACloudGlowsEveryTickAndEndsWhenItsTimeIsUp) {
    CloudWorld w;
    w.make_cloud();
    for (int32_t i = 0; i < 3; ++i) {
        w.tick(kDt);
    }
    EXPECT_EQ(w.cloud_particles(), 3u);
    EXPECT_FLOAT_EQ(w.player().player.cloud_elapsed, 0.75f);
    EXPECT_TRUE(w.kills.events.empty());
    w.tick(kDt);
    EXPECT_EQ(w.kills.events.size(), 1u);
    w.tick(kDt);
    EXPECT_TRUE(w.scene->entity_pool().list<PlayerEntity>().entities().empty());
}

TEST(PlayerCloudEffectSystem, ACoreOnItsWayHoldsTheEndBack) {
    CloudWorld w;
    w.make_cloud();
    w.player().item_sink.incoming[ItemKindCore] = 1;
    for (int32_t i = 0; i < 8; ++i) {
        w.tick(kDt);
    }
    EXPECT_TRUE(w.kills.events.empty());
    w.player().item_sink.incoming[ItemKindCore] = 0;
    w.tick(kDt);
    EXPECT_EQ(w.kills.events.size(), 1u);
}

TEST(PlayerCloudEffectSystem, AShipThatIsNoCloudNeverTimesOut) {
    CloudWorld w; // the system left running, as after a kill, and a new intact ship
    for (int32_t i = 0; i < 40; ++i) {
        w.tick(kDt);
    }
    EXPECT_TRUE(w.kills.events.empty());
    EXPECT_EQ(w.cloud_particles(), 0u);
    EXPECT_EQ(w.player().player.cloud_elapsed, 0.0f);
}

TEST(PlayerCloudEffectSystem, TheCloudsTimeWaitsWhileTheGameIsPaused) {
    CloudWorld w;
    w.make_cloud();
    w.engine.event_bus().publish(PauseRequestEvent{1, 0});
    w.engine.event_bus().dispatch();
    ASSERT_TRUE(w.scene->paused());
    for (int32_t i = 0; i < 40; ++i) {
        w.tick(kDt);
    }
    EXPECT_TRUE(w.kills.events.empty());
    EXPECT_EQ(w.player().player.cloud_elapsed, 0.0f);
    w.engine.event_bus().publish(PauseRequestEvent{0, 0});
    w.engine.event_bus().dispatch();
    w.tick(kDt);
    EXPECT_FLOAT_EQ(w.player().player.cloud_elapsed, kDt);
}

} // namespace
