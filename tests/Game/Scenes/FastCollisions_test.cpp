// Collisions at the speeds the game reaches: a bomb at 25 units/s and "Load shapes hitting" (about 34 units/s)
// meet their target cell to cell and come apart again instead of passing through it in one step.

#include <cmath>

#include <gtest/gtest.h>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Factory/EntityFactory.h"
#include "GameSceneFixture.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;

template <typename T>
T& first(GameScene& scene) {
    return scene.entity_pool().list<T>().entities()[0];
}

glm::vec2 centre(const Transform& t, const PhysicsBody& b) { return t.to_world(b.center_of_mass); }

TEST(FastCollisions, ShapesHittingBounceOffEachOther) {
    GameSceneFixture f;
    GameScene& scene = *f.scene;
    RockRequest hear;
    hear.sprite = scene.assets().get_id_by_name<SpriteAsset>("game/shapes/hear");
    hear.position = {-20.0f, -10.0f};
    hear.angle = 0.5f;
    hear.velocity = {30.0f, 15.0f};
    scene.factory().create_rock(hear);
    RockRequest star;
    star.sprite = scene.assets().get_id_by_name<SpriteAsset>("game/shapes/star");
    star.angle = 0.2f;
    scene.factory().create_rock(star);
    scene.entity_pool().flush();

    const glm::vec2 along = glm::normalize(glm::vec2(30.0f, 15.0f));
    for (int i = 0; i < 180; ++i) {
        f.tick(kDt, true);
    }
    auto& rocks = scene.entity_pool().list<RockEntity>().entities();
    ASSERT_GE(rocks.size(), 2u);
    const RockEntity& h = rocks[0];
    const RockEntity& s = rocks[1];
    // Without a collision the heart would fly on at 33.5 units/s and end some 80 units beyond the star.
    EXPECT_LT(glm::dot(h.body.linear_velocity, along), 20.0f);
    EXPECT_GT(glm::length(s.body.linear_velocity), 3.0f) << "the star took the blow";
    EXPECT_LT(glm::dot(centre(h.transform, h.body) - centre(s.transform, s.body), along), 3.0f)
        << "the heart stays on its own side of the star";
}

TEST(FastCollisions, BombAtTwentyFiveUnitsPerSecondDoesNotPassThroughARock) {
    GameSceneFixture f;
    GameScene& scene = *f.scene;
    RockRequest chunk;
    chunk.sprite = scene.assets().get_id_by_name<SpriteAsset>("Chunk");
    chunk.position = {0.0f, 0.0f};
    scene.factory().create_rock(chunk);
    scene.factory().create_enemy(EnemyRequest{EnemyKindBomb, {-4.0f, 0.1f}, {25.0f, 0.0f}});
    scene.entity_pool().flush();

    for (int i = 0; i < 60; ++i) {
        f.tick(kDt, true);
    }
    const RockEntity& rock = first<RockEntity>(scene);
    const BombEntity& bomb = first<BombEntity>(scene);
    // Unhindered the bomb would be 21 units to the right of the rock by now.
    EXPECT_LT(centre(bomb.transform, bomb.body).x, centre(rock.transform, rock.body).x);
    EXPECT_GT(rock.body.linear_velocity.x, 0.5f) << "the rock was pushed";
}

} // namespace
