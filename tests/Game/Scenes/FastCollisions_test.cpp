// Collisions at the speeds the game reaches: a bomb at 25 units/s and "Load shapes hitting" (about 34 units/s)
// meet their target cell to cell and come apart again instead of passing through it in one step.

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Engine/SceneEvents.h"
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

glm::vec2 center(const Transform& t, const PhysicsBody& b) { return t.to_world(b.center_of_mass); }

void load_shapes_hitting(GameScene& scene) {
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
}

TEST(FastCollisions, ShapesHittingBounceOffEachOther) {
    GameSceneFixture f;
    GameScene& scene = *f.scene;
    load_shapes_hitting(scene);

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
    EXPECT_LT(glm::dot(center(h.transform, h.body) - center(s.transform, s.body), along), 3.0f)
        << "the heart stays on its own side of the star";
}

// Where every rock is after a run, and how close the first two centres came.
struct ShapesRun {
    std::vector<float> state;
    float closest = 1e9f;
};

ShapesRun run_shapes_hitting(int pause_at) {
    GameSceneFixture f;
    GameScene& scene = *f.scene;
    load_shapes_hitting(scene);
    ShapesRun run;
    for (int i = 0; i < 180; ++i) {
        if (i == pause_at) {
            f.engine.event_bus().publish(PauseRequestEvent{1, 0});
            f.engine.event_bus().dispatch();
            f.engine.event_bus().publish(PauseRequestEvent{0, 0});
            f.engine.event_bus().dispatch();
        }
        f.tick(kDt, true);
        auto& rocks = scene.entity_pool().list<RockEntity>().entities();
        if (rocks.size() >= 2) {
            const float d =
                glm::length(center(rocks[0].transform, rocks[0].body) - center(rocks[1].transform, rocks[1].body));
            run.closest = std::min(run.closest, d);
        }
    }
    for (const RockEntity& r : scene.entity_pool().list<RockEntity>().entities()) {
        run.state.insert(run.state.end(),
                         {r.transform.position.x, r.transform.position.y, r.transform.angle, r.body.linear_velocity.x,
                          r.body.linear_velocity.y, r.body.angular_velocity});
    }
    return run;
}

// A pause and unpause puts the physics update back after the constraint solve: the collision plays out
// bit for bit as without it, whether the pause comes before the flight or just before the contact.
TEST(FastCollisions, APauseAndUnpauseChangesNothingOfTheCollision) {
    const ShapesRun plain = run_shapes_hitting(-1);
    ASSERT_FALSE(plain.state.empty());
    for (int pause_at : {0, 30}) {
        const ShapesRun paused = run_shapes_hitting(pause_at);
        EXPECT_EQ(paused.state, plain.state) << "paused before tick " << pause_at;
        EXPECT_EQ(paused.closest, plain.closest) << "paused before tick " << pause_at;
    }
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
    EXPECT_LT(center(bomb.transform, bomb.body).x, center(rock.transform, rock.body).x);
    EXPECT_GT(rock.body.linear_velocity.x, 0.5f) << "the rock was pushed";
}

} // namespace
