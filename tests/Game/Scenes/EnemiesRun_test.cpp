// "Load some enemies" played on the thread pool started with 16 workers: the base and the station move, the
// station launches ships, fighters fire their lasers, bombs arm and explode, and no body leaves the finite numbers.

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Engine/ThreadPool.h"
#include "Engine/TypeId.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Systems/Ai/ExplosionEvent.h"
#include "Game/Weapons/WeaponProps.h"
#include "GameSceneFixture.h"

using test_support::EventRecorder;

namespace {

bool finite(glm::vec2 v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// Thirty seconds: the first launch comes at 4 s, and a bomb that the base gathers is held 3 s before it is
// thrown with a fuse of up to 4 s, so ten seconds hold an explosion only when a bomb goes straight for the
// player.
constexpr int kTicks = 1800;

TEST(EnemiesRun, LoadSomeEnemiesPlaysOnSixteenWorkers) {
    GameSceneFixture f;
    f.engine.thread_pool().init(16, ThreadPool::kThreaded);
    EventRecorder<ExplosionEvent> explosions(f.engine.event_bus());
    random_seed(5489u);
    GameScene& scene = *f.scene;
    create_some_enemies(scene);
    scene.factory().create_player(glm::vec2(0.0f));
    scene.entity_pool().flush();
    EntityPool& pool = scene.entity_pool();
    const glm::vec2 base_start = pool.list<BaseEntity>().entities()[0].body.position;

    size_t launched = 0;
    std::set<std::tuple<uint32_t, int32_t, uint32_t>> seen;
    // Bullets of the fighters' lasers, each counted once: they live well under a second.
    const uint32_t laser_color = WeaponProps::ai_fighter_laser().bullet.trail_color;
    std::set<std::tuple<int32_t, uint32_t>> fighter_lasers;
    for (int i = 0; i < kTicks; ++i) {
        f.tick(1.0f / 60.0f, true);
        // Every ship counts once, however soon it is shot down.
        for (EntityListBase* ships : {static_cast<EntityListBase*>(&pool.list<BombEntity>()),
                                      static_cast<EntityListBase*>(&pool.list<FighterEntity>())}) {
            EntityListView all;
            ships->view_all(all);
            for (size_t k = 0; k < all.count(); ++k) {
                seen.insert({all.id(k).entity_type_id, all.id(k).index, all.id(k).generation});
            }
        }
        launched = seen.size();
        EntityListView bullets;
        pool.list<BulletEntity>().view_all(bullets);
        for (size_t k = 0; k < bullets.count(); ++k) {
            const BulletEntity& bullet = *reinterpret_cast<const BulletEntity*>(bullets.entity(k));
            if (bullet.owner.entity_type_id == entity_type_id<FighterEntity>() && bullet.trail_color == laser_color) {
                fighter_lasers.insert({bullets.id(k).index, bullets.id(k).generation});
            }
        }
        for (auto row : EntityViewOf<PhysicsBody>(pool)) {
            const PhysicsBody& body = row.get<PhysicsBody>();
            ASSERT_TRUE(finite(body.position) && finite(body.linear_velocity) && std::isfinite(body.angle) &&
                        std::isfinite(body.angular_velocity))
                << "tick " << i;
        }
    }
    f.engine.thread_pool().shutdown();

    EXPECT_GE(launched, 5u) << "a launch every 4 seconds";
    EXPECT_GE(fighter_lasers.size(), 1u) << "a fighter fires when the ship is closer than 10";
    EXPECT_GT(glm::length(pool.list<BaseEntity>().entities()[0].body.position - base_start), 1.0f);
    const bool bomb_exploded = std::any_of(explosions.events.begin(), explosions.events.end(),
                                           [](const ExplosionEvent& e) { return e.count_a == 10 && e.count_b == 0; });
    EXPECT_TRUE(bomb_exploded) << explosions.events.size() << " explosions";
}

} // namespace
