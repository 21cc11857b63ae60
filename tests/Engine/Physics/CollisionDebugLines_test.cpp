// The collision's debug lines, drawn from the pool's worker threads into the buffer handed to the step.

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/SpriteCollision.h"
#include "Engine/ThreadPool.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

constexpr float kDt = 1.0f / 60.0f;

struct Rock {
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
};

class CollisionDebugLines : public ::testing::Test {
protected:
    void SetUp() override {
        threads.init(16, ThreadPool::kThreaded);
        debug_renderer_settings = DebugRendererSettings::defaults();
        // Two resting rocks overlapping by one column, and a third one apart.
        add_rock({0.0f, 0.0f});
        add_rock({1.0f - 1.0f / 32.0f, 0.0f});
        add_rock({5.0f, 0.0f});
    }
    void TearDown() override { debug_renderer_settings = DebugRendererSettings::defaults(); }

    void add_rock(glm::vec2 position) {
        rocks.push_back(std::make_unique<Rock>());
        Rock& r = *rocks.back();
        r.sprite = Sprite(pool, make_rect_asset(32, 32, 0, 0, 32, 32, 1), false);
        r.transform.position = position;
        r.transform.scale = glm::vec2(0.5f);
        r.body = PhysicsBody(position, 0.0f);
    }

    size_t step(DebugLines* lines) {
        std::vector<SpritePhysicsProxy> proxies;
        for (auto& r : rocks) {
            proxies.push_back(make_sprite_physics_proxy(r->transform, r->body, r->sprite, kDt));
        }
        ConstraintList rows;
        sprite_physics_step(threads, rows, proxies, kDt, lines);
        return rows.size();
    }

    std::vector<DebugLine> lines_named(const DebugLines& lines, uint32_t name) {
        std::vector<DebugLine> out;
        for (const DebugLine& l : lines.lines()) {
            if (l.name == name) {
                out.push_back(l);
            }
        }
        return out;
    }

    SpriteChunkPool pool{32, 1024, 32};
    ThreadPool threads;
    std::vector<std::unique_ptr<Rock>> rocks;
};

TEST_F(CollisionDebugLines, NothingIsDrawnUntilANameIsEnabled) {
    DebugLines lines;
    EXPECT_GT(step(&lines), 0u);
    EXPECT_EQ(lines.size(), 0u);
}

TEST_F(CollisionDebugLines, EveryEnabledPhaseDrawsFromItsThreads) {
    for (uint32_t name = DebugName::Physics_Broadphase_Tree; name <= DebugName::Physics_Contact_Point_Normal; ++name) {
        debug_renderer_settings.names[name].enabled = 1;
    }
    DebugLines lines;
    const size_t rows = step(&lines);
    ASSERT_GT(rows, 0u);

    // One arrow per contact row, one hexagon at the earliest impact.
    EXPECT_EQ(lines_named(lines, DebugName::Physics_Contact_Point_Normal).size(), rows);
    EXPECT_EQ(lines_named(lines, DebugName::Physics_Contact_Point).size(), 6u);
    // Three leaves and two internal nodes, four edges each.
    EXPECT_EQ(lines_named(lines, DebugName::Physics_Broadphase_Tree).size(), 20u);
    // One pair: its overlap and the line between the two rocks.
    EXPECT_EQ(lines_named(lines, DebugName::Physics_Broadphase_Overlap_World_Bounds).size(), 4u);
    const std::vector<DebugLine> pair = lines_named(lines, DebugName::Physics_Broadphase_Overlap_World_Pair_Line);
    ASSERT_EQ(pair.size(), 1u);
    EXPECT_EQ(pair[0].a, rocks[1]->transform.position);
    EXPECT_EQ(pair[0].b, rocks[0]->transform.position);
    // The chunk phase (on the workers): four corner circles per side, each chunk used once, one pair line.
    EXPECT_EQ(lines_named(lines, DebugName::Physics_Broadphase_Overlap_World_Corners).size(), 2u * 4u * 6u);
    std::vector<DebugLine> used = lines_named(lines, DebugName::Physics_Broadphase_Chunk_Used);
    ASSERT_EQ(used.size(), 12u);
    int layer_a = 0;
    for (const DebugLine& l : used) {
        layer_a += l.layer == DebugLayer::A ? 1 : 0;
    }
    EXPECT_EQ(layer_a, 6) << "the pair's a sprite on layer A, its b sprite on layer B";
    EXPECT_EQ(lines_named(lines, DebugName::Physics_Broadphase_Overlap_Grid_Bounds).size(), 8u);
    EXPECT_EQ(lines_named(lines, DebugName::Physics_Broadphase_Chunk_Pair_Line).size(), 1u);
    // The impact phase (on the workers): one sample per boundary cell at rest, a hexagon each.
    EXPECT_GT(lines_named(lines, DebugName::Physics_Sweep_Cell).size(), 6u * 100u);
}

TEST_F(CollisionDebugLines, AStepWithoutABufferDrawsNowhere) {
    debug_renderer_settings.names[DebugName::Physics_Contact_Point].enabled = 1;
    const size_t before = debug_lines_fixed().size();
    EXPECT_GT(step(nullptr), 0u);
    EXPECT_EQ(debug_lines_fixed().size(), before);
}

} // namespace
