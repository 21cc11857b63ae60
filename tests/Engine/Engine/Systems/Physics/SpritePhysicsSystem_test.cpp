#include <cmath>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Systems/Physics/PhysicsUpdateSystem.h"
#include "Engine/Engine/Systems/Physics/SpritePhysicsSystem.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/ThreadPool.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

struct RockEntity {
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
};

// Two overlapping resting rocks on the real pool: the fixed tick collides them, the scene solves, and the
// update moves them apart. A third rock with a NaN pose is left out of the collision.
TEST(SpritePhysicsSystem, OverlappingRocksArePushedApartOnAFixedTick) {
    SpriteChunkPool pool{32, 1024, 32};
    SceneHarness harness([&](HarnessScene& scene) {
        scene.entity_pool().add_list<RockEntity>("RockEntity", &RockEntity::transform, &RockEntity::body,
                                                 &RockEntity::sprite);
        EXPECT_EQ(scene.register_system<SpritePhysicsSystem>(SystemGroup::Fixed).name(), "SpritePhysicsSystem");
        scene.register_system<PhysicsUpdateSystem>(SystemGroup::PostFixed);
    });
    harness.engine.thread_pool().init(16, ThreadPool::kThreaded);
    EntityList<RockEntity>& list = harness.scene->entity_pool().list<RockEntity>();
    auto add = [&](glm::vec2 position) {
        RockEntity r;
        r.sprite = Sprite(pool, make_rect_asset(32, 32, 0, 0, 32, 32, 1), false);
        r.transform.position = position;
        r.transform.scale = {0.5f, 0.5f};
        r.body = PhysicsBody(position, 0.0f);
        return list.add(std::move(r));
    };
    const EntityId a = add({0.0f, 0.0f});
    const EntityId b = add({1.0f - 1.0f / 32.0f, 0.0f});
    const EntityId broken = add({0.5f, 0.0f});
    list.at(broken).body.position = {std::nanf(""), 0.0f};

    harness.tick(1.0f / 60.0f, false);
    EXPECT_EQ(list.at(a).body.linear_velocity, glm::vec2(0.0f));

    harness.tick(1.0f / 60.0f, true);
    EXPECT_TRUE(harness.scene->constraints().empty());
    EXPECT_LT(list.at(a).body.linear_velocity.x, 0.0f);
    EXPECT_GT(list.at(b).body.linear_velocity.x, 0.0f);
    EXPECT_NEAR(list.at(a).body.linear_velocity.x + list.at(b).body.linear_velocity.x, 0.0f, 1e-4f);
    EXPECT_LT(list.at(a).body.position.x, 0.0f);
    EXPECT_GT(list.at(b).body.position.x, 1.0f - 1.0f / 32.0f);
    EXPECT_EQ(list.at(broken).body.linear_velocity, glm::vec2(0.0f));
    harness.engine.thread_pool().shutdown();
}

} // namespace
