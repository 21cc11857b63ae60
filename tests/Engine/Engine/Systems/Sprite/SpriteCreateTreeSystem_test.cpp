#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Systems/Sprite/SpriteCreateTreeSystem.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteBuilder.h"

using namespace test_support;

namespace {

struct TreeTestEntity {
    Transform transform;
    Sprite sprite;
};

struct NoSpriteEntity {
    Transform transform;
};

std::vector<EntityId> query(const AxisAlignedAreaTree<EntityId>& tree, AxisAlignedArea area) {
    std::vector<int32_t> values;
    tree.query(area, values);
    std::vector<EntityId> ids;
    for (const int32_t v : values) {
        ids.push_back(tree.payload(v));
    }
    return ids;
}

TEST(SpriteCreateTree, HoldsTheWorldBoundsOfEverySpriteOfTheTick) {
    SpriteChunkPool pool{32, 1024, 32};
    AxisAlignedAreaTree<EntityId> tree;
    SceneHarness harness([&](HarnessScene& scene) {
        scene.entity_pool().add_list<TreeTestEntity>("TreeTestEntity", &TreeTestEntity::transform,
                                                     &TreeTestEntity::sprite);
        scene.entity_pool().add_list<NoSpriteEntity>("NoSpriteEntity", &NoSpriteEntity::transform);
        scene.register_system<SpriteCreateTreeSystem>(SystemGroup::Tick, &tree);
    });
    EntityPool& entities = harness.scene->entity_pool();
    EntityList<TreeTestEntity>& list = entities.list<TreeTestEntity>();

    TreeTestEntity straight;
    straight.sprite = build_sprite(pool, {2, 1}, filled_box({0, 0}, {63, 31}));
    straight.transform.position = {10.0f, 0.0f};
    straight.transform.scale = {1.0f, 0.5f};
    const EntityId a = list.add(std::move(straight));
    // A quarter turn makes the 2 x 1 box 1 x 2.
    TreeTestEntity turned;
    turned.sprite = build_sprite(pool, {2, 1}, filled_box({0, 0}, {63, 31}));
    turned.transform.position = {-10.0f, 0.0f};
    turned.transform.scale = {1.0f, 0.5f};
    turned.transform.angle = 1.5707964f;
    const EntityId b = list.add(std::move(turned));
    entities.list<NoSpriteEntity>().add(NoSpriteEntity{});

    harness.tick();
    ASSERT_EQ(tree.nodes().size(), 3u); // two leaves under one root: the entity without a sprite is left out
    EXPECT_EQ(query(tree, AxisAlignedArea::around_point({10.9f, 0.4f}, 0.1f)), std::vector<EntityId>{a});
    EXPECT_TRUE(query(tree, AxisAlignedArea::around_point({10.0f, 0.6f}, 0.1f)).empty());
    EXPECT_EQ(query(tree, AxisAlignedArea::around_point({-10.0f, 0.9f}, 0.1f)), std::vector<EntityId>{b});
    EXPECT_TRUE(query(tree, AxisAlignedArea::around_point({-10.9f, 0.0f}, 0.1f)).empty());

    // Rebuilt from scratch every tick: a moved sprite is found only at its new place.
    list.at(a).transform.position = {0.0f, 5.0f};
    harness.tick();
    EXPECT_EQ(tree.nodes().size(), 3u);
    EXPECT_TRUE(query(tree, AxisAlignedArea::around_point({10.0f, 0.0f}, 0.1f)).empty());
    EXPECT_EQ(query(tree, AxisAlignedArea::around_point({0.0f, 5.0f}, 0.1f)), std::vector<EntityId>{a});
}

} // namespace
