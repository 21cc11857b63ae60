#include "Engine/Physics/SpriteRayCast.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/ThreadPool.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

constexpr float kEps = 1e-5f;

struct SpriteEntity {
    Transform transform;
    Sprite sprite;
};

// a: one full chunk at (3.75, 0), bounds [3.25, 4.25]. b: 2 x 2 chunks at (4, 0), bounds [3, 5], live cells
// only in its right half, from x = 4. A ray along y = 0.01 enters b's bounds first but meets a's cells first.
class SpriteRayCastTest : public ::testing::Test {
protected:
    void SetUp() override {
        threads.init(16, ThreadPool::kThreaded);
        entities.add_list<SpriteEntity>("SpriteEntity", &SpriteEntity::transform, &SpriteEntity::sprite);
        a = add({3.75f, 0.0f}, 0.5f, make_rect_asset(32, 32, 0, 0, 32, 32, 1));
        b = add({4.0f, 0.0f}, 1.0f, make_rect_asset(64, 64, 32, 0, 32, 64, 1));
        for (const auto& e : {a, b}) {
            tree.insert(list().at(e).transform.bounds(), e);
        }
    }

    EntityList<SpriteEntity>& list() { return entities.list<SpriteEntity>(); }

    EntityId add(glm::vec2 position, float scale, const SpriteAsset& asset) {
        SpriteEntity e;
        e.transform.position = position;
        e.transform.scale = glm::vec2(scale);
        e.sprite = Sprite(chunks, asset, false);
        return list().add(std::move(e));
    }

    SpriteRayCastResult cast(EntityId ignore, glm::vec2 origin, glm::vec2 direction, float max_t) {
        return sprite_ray_cast(threads, entities, tree, ignore, origin, direction, max_t);
    }

    SpriteChunkPool chunks{32, 1024, 32};
    ThreadPool threads;
    EntityPool entities;
    AxisAlignedAreaTree<EntityId> tree;
    EntityId a;
    EntityId b;
};

TEST_F(SpriteRayCastTest, NearestLiveCellWinsAndRemovedCellsAreSkipped) {
    const glm::vec2 origin(0.0f, 0.01f);
    SpriteRayCastResult r = cast(kInvalidEntityId, origin, {1.0f, 0.0f}, 10.0f);
    ASSERT_EQ(r.hit, 1);
    EXPECT_EQ(r.entity, a);
    // a's column 0, row trunc((0.01 / 0.5 + 1) * 16) = 16; centre 3.25 + 1/64, 1/64.
    EXPECT_EQ(r.cell, glm::vec2(0.0f, 16.0f));
    EXPECT_NEAR(r.local_point.x, -1.0f + 1.0f / 32.0f, kEps);
    EXPECT_NEAR(r.point.x, 3.265625f, kEps);
    EXPECT_NEAR(r.point.y, 0.015625f, kEps);
    EXPECT_NEAR(r.distance, std::hypot(3.265625f, 0.005625f), kEps);

    // With that cell gone, the next one in the row.
    list().at(a).sprite.remove_cell(0, 16 * 32 + 0);
    r = cast(kInvalidEntityId, origin, {1.0f, 0.0f}, 10.0f);
    ASSERT_EQ(r.hit, 1);
    EXPECT_EQ(r.entity, a);
    EXPECT_EQ(r.cell, glm::vec2(1.0f, 16.0f));
    EXPECT_NEAR(r.point.x, 3.25f + 1.5f / 32.0f, kEps);

    // Skipping a: b's first live cell, column 32 at x = 4 + 1/64.
    r = cast(a, origin, {1.0f, 0.0f}, 10.0f);
    ASSERT_EQ(r.hit, 1);
    EXPECT_EQ(r.entity, b);
    EXPECT_EQ(r.cell, glm::vec2(32.0f, 32.0f));
    EXPECT_NEAR(r.point.x, 4.015625f, kEps);
    EXPECT_NEAR(r.distance, std::hypot(4.015625f, 0.005625f), kEps);
}

TEST_F(SpriteRayCastTest, BoundsWithoutLiveCellsAndIgnoredEntitiesMiss) {
    // Through b's empty left half only: b is a candidate but has no live cell there; a is out of reach.
    SpriteRayCastResult r = cast(kInvalidEntityId, {0.0f, 0.01f}, {1.0f, 0.0f}, 3.2f);
    EXPECT_EQ(r.hit, 0);
    EXPECT_EQ(r.entity, kInvalidEntityId);
    EXPECT_EQ(r.distance, 0.0f);

    // Straight down at x = 3.75: b's bounds hold no live cell there, and a is ignored.
    r = cast(a, {3.75f, 10.0f}, {0.0f, -1.0f}, 20.0f);
    EXPECT_EQ(r.hit, 0);
    r = cast(kInvalidEntityId, {3.75f, 10.0f}, {0.0f, -1.0f}, 20.0f);
    ASSERT_EQ(r.hit, 1);
    EXPECT_EQ(r.entity, a);
    EXPECT_EQ(r.cell, glm::vec2(16.0f, 31.0f));

    // A destroyed entity still in the tree is skipped, not looked up.
    list().destroy_deferred(a);
    list().flush({});
    r = cast(kInvalidEntityId, {3.75f, 10.0f}, {0.0f, -1.0f}, 20.0f);
    EXPECT_EQ(r.hit, 0);
}

// Equally near candidates: the first in the tree's candidate order wins, however the tasks are scheduled.
// Each copy spans 32 cells of the ray, so together they are too long to walk inline and go to the workers.
TEST_F(SpriteRayCastTest, TiesGoToTheFirstCandidateOnAnyNumberOfWorkers) {
    constexpr int kCopies = 200;
    static_assert(kCopies * 32 > kRayCastInlineCells);
    std::vector<EntityId> copies;
    for (int i = 0; i < kCopies; ++i) {
        const EntityId e = add({3.75f, 0.0f}, 0.5f, make_rect_asset(32, 32, 0, 0, 32, 32, 1));
        tree.insert(list().at(e).transform.bounds(), e);
        copies.push_back(e);
    }
    ThreadPool one;
    one.init(1, ThreadPool::kInline);
    const SpriteRayCastResult expected =
        sprite_ray_cast(one, entities, tree, kInvalidEntityId, {0.0f, 0.01f}, {1.0f, 0.0f}, 10.0f);
    ASSERT_EQ(expected.hit, 1);
    for (int run = 0; run < 1000; ++run) {
        const SpriteRayCastResult r = cast(kInvalidEntityId, {0.0f, 0.01f}, {1.0f, 0.0f}, 10.0f);
        ASSERT_EQ(r.hit, 1);
        ASSERT_EQ(r.entity, expected.entity) << "run " << run;
        ASSERT_EQ(r.distance, expected.distance);
    }
}

} // namespace
