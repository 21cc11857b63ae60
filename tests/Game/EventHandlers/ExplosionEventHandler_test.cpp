#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "../Scenes/GameSceneFixture.h"
#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/ParticleAsset.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/EventHandlers/ExplosionEventHandler.h"
#include "Game/Systems/Ai/ExplosionEvent.h"

using namespace test_support;

namespace {

struct ExplosionCase {
    const char* name;
    int32_t count_a;
    int32_t count_b;
    size_t bullets_a;
    size_t bullets_b;
};

class ExplosionShrapnel : public testing::TestWithParam<ExplosionCase> {};

TEST_P(ExplosionShrapnel, MakesTheCountsOfShrapnelAndAlwaysBothBursts) {
    const ExplosionCase& c = GetParam();
    GameSceneFixture f;
    random_seed(5489);
    EventRecorder<SpawnParticleEvent> particles(f.engine.event_bus());
    const glm::vec2 at(1.0f, -2.0f);
    f.engine.event_bus().publish(ExplosionEvent{c.count_a, c.count_b, at, glm::vec2(0.5f, 0.0f)});
    f.engine.event_bus().dispatch();

    EntityList<BulletEntity>& bullets = f.scene->entity_pool().list<BulletEntity>();
    ASSERT_EQ(bullets.pending_create_count(), c.bullets_a + c.bullets_b);
    f.scene->entity_pool().flush();
    size_t a = 0;
    size_t b = 0;
    for (const BulletEntity& bullet : bullets.entities()) {
        EXPECT_EQ(bullet.position, at);
        EXPECT_EQ(bullet.owner, kInvalidEntityId) << "shrapnel can hit anything, the exploding sprite included";
        const float speed = std::sqrt(bullet.velocity.x * bullet.velocity.x + bullet.velocity.y * bullet.velocity.y);
        if (bullet.hits_total == 6) {
            // Shrapnel A: 3 to 8 units per second for 0.4 to 1 s.
            ++a;
            EXPECT_GE(speed, 3.0f - 1e-4f);
            EXPECT_LE(speed, 8.0f + 1e-4f);
            EXPECT_GE(bullet.life, 0.4f);
            EXPECT_LE(bullet.life, 1.0f);
        } else {
            ++b;
            EXPECT_EQ(bullet.hits_total, 32);
        }
    }
    EXPECT_EQ(a, c.bullets_a);
    EXPECT_EQ(b, c.bullets_b);

    ASSERT_EQ(particles.events.size(), 2u);
    AssetPackage& assets = f.scene->assets();
    const ParticleSpawnSettings& spark = assets.get_by_name<ParticleAsset>("game/particles/explosion_spark").spawn;
    const ParticleSpawnSettings& smoke = assets.get_by_name<ParticleAsset>("game/particles/explosion_smoke").spawn;
    EXPECT_EQ(particles.events[0].settings.life.min_or_value, spark.life.min_or_value);
    EXPECT_EQ(particles.events[0].settings.number_to_spawn.min_or_value, spark.number_to_spawn.min_or_value);
    EXPECT_EQ(particles.events[1].settings.life.min_or_value, smoke.life.min_or_value);
    EXPECT_EQ(particles.events[1].settings.number_to_spawn.min_or_value, smoke.number_to_spawn.min_or_value);
    for (const SpawnParticleEvent& e : particles.events) {
        EXPECT_EQ(e.position, at);
        EXPECT_EQ(e.angle, 0.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, ExplosionShrapnel,
                         testing::Values(ExplosionCase{"twenty_a", 20, 0, 20, 0}, ExplosionCase{"both", 3, 2, 3, 2},
                                         ExplosionCase{"negative", -5, -1, 0, 0}, ExplosionCase{"none", 0, 0, 0, 0}),
                         [](const testing::TestParamInfo<ExplosionCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ExplosionEventHandler, AMissingParticleDefinitionThrows) {
    AssetPackage empty;
    EventBus bus;
    EXPECT_THROW(ExplosionEventHandler(bus, empty, nullptr), std::invalid_argument);
}

} // namespace
