#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Engine/Graphics/BranchingLineEffect.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Random.h"
#include "Support/GlContext.h"

namespace {

bool same_nodes(const std::vector<BranchNode>& a, const std::vector<BranchNode>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].polyline != b[i].polyline || a[i].start_time != b[i].start_time || a[i].end_time != b[i].end_time) {
            return false;
        }
    }
    return true;
}

TEST(BranchingLines, BranchFactorZeroNeverBranches) {
    for (uint32_t seed = 0; seed < 50; ++seed) {
        random_seed(seed);
        const std::vector<BranchNode> nodes = generate_branching_lines({{0, 0}, {3, 1}, 40, 0.0f, 5.0f, 8.0f}, 0.0f);
        ASSERT_EQ(nodes.size(), 1u);
        EXPECT_EQ(nodes[0].polyline.size(), 41u);
        // The last segment closes the remaining distance but for half the last, smallest offset.
        const float last_offset = glm::length(glm::vec2(3, 1)) / 40.0f * 5.0f * (1.0f - std::sqrt(39.0f / 40.0f));
        EXPECT_LE(glm::distance(nodes[0].polyline.back(), glm::vec2(3, 1)), 0.5f * last_offset + 1e-5f);
    }
}

TEST(BranchingLines, SameSeedGivesTheSameNodesAndBranchesComeFirst) {
    const SpawnLightningEvent bolt{{1, 1}, {-2, 3}, 48, 1.0f, 5.0f, 16.0f};
    random_seed(77);
    const std::vector<BranchNode> a = generate_branching_lines(bolt, 0.0f);
    const int32_t after_a = random_draw();
    random_seed(77);
    const std::vector<BranchNode> b = generate_branching_lines(bolt, 0.0f);
    EXPECT_EQ(random_draw(), after_a);
    EXPECT_TRUE(same_nodes(a, b));

    // Some seed branches: the root comes last, and every branch starts on a point of some line.
    bool branched = false;
    for (uint32_t seed = 0; seed < 20 && !branched; ++seed) {
        random_seed(seed);
        const std::vector<BranchNode> nodes = generate_branching_lines(bolt, 0.0f);
        branched = nodes.size() > 1;
        EXPECT_EQ(nodes.back().polyline.front(), bolt.from);
        EXPECT_EQ(nodes.back().start_time, 0.0f);
        for (size_t i = 0; i + 1 < nodes.size(); ++i) {
            EXPECT_LT(nodes[i].polyline.size(), 26u) << "a branch has half the segments";
            EXPECT_GE(nodes[i].start_time, 0.0f);
        }
    }
    EXPECT_TRUE(branched);
}

// A line without sideways offsets travels no time: its window has equal start and end times.
TEST(BranchingLines, EqualStartAndEndTimesGiveNoNaN) {
    std::vector<BranchingLineEffect> effects;
    random_seed(3);
    spawn_branching_line_effect(effects, {{0, 0}, {2, 0}, 10, 0.0f, 0.0f, 8.0f});
    spawn_branching_line_effect(effects, {{0, 0}, {2, 0}, 10, 0.0f, 1.0f, 0.0f}); // no speed at all
    for (const BranchingLineEffect& e : effects) {
        ASSERT_EQ(e.nodes.size(), 1u);
        EXPECT_EQ(e.nodes[0].start_time, e.nodes[0].end_time);
        EXPECT_EQ(e.lifetime, 0.0f);
    }
    std::vector<BranchingLineEffect> grown = effects;
    update_branching_line_effects(grown, 0.0f); // age 0 lies in the empty window
    for (const BranchingLineEffect& e : grown) {
        ASSERT_FALSE(e.nodes[0].trail.points().empty());
        for (const TrailPoint& p : e.nodes[0].trail.points()) {
            EXPECT_TRUE(std::isfinite(p.position.x) && std::isfinite(p.position.y) && std::isfinite(p.width));
        }
    }
    update_branching_line_effects(grown, 1.0f / 60.0f);
    EXPECT_TRUE(grown.empty());
}

TEST(BranchingLines, GrowAlongTheWindowThenGo) {
    std::vector<BranchingLineEffect> effects;
    random_seed(5);
    // No segments: one node with the start point only, living one update.
    spawn_branching_line_effect(effects, {{0, 0}, {1, 0}, 0, 1.0f, 1.0f, 8.0f});
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_EQ(effects[0].nodes.size(), 1u);
    EXPECT_EQ(effects[0].nodes[0].polyline.size(), 1u);
    update_branching_line_effects(effects, 0.01f);
    EXPECT_TRUE(effects.empty());

    spawn_branching_line_effect(effects, {{0, 0}, {4, 0}, 20, 0.0f, 1.0f, 4.0f});
    const float lifetime = effects[0].lifetime;
    ASSERT_GT(lifetime, 0.0f);
    int32_t frames = 0;
    size_t most_points = 0;
    while (!effects.empty() && frames < 1000) {
        update_branching_line_effects(effects, 1.0f / 60.0f);
        if (!effects.empty()) {
            most_points = std::max(most_points, effects[0].nodes[0].trail.points().size());
        }
        ++frames;
    }
    EXPECT_NEAR(static_cast<float>(frames), std::floor(lifetime * 60.0f) + 1.0f, 1.0f);
    EXPECT_GE(most_points, 2u);
    EXPECT_LE(most_points, 10u) << "half the segment count";
}

// A renderer that never draws never ages its effects: the live list stops at its cap, while every bolt still takes
// its random draws as if it had been kept.
TEST(BranchingLines, LiveEffectsAreCappedWithoutChangingTheRandomSequence) {
    const SpawnLightningEvent bolt{{0, 0}, {1.5f, 0.5f}, 12, 1.0f, 2.0f, 6.0f};
    const size_t spawned = kMaxBranchingLineEffects + 900;
    random_seed(21);
    for (size_t i = 0; i < spawned; ++i) {
        (void)generate_branching_lines(bolt, 0.0f);
    }
    const int32_t next_uncapped = random_draw();

    Renderer renderer; // no window, no init: a run that never renders
    random_seed(21);
    for (size_t i = 0; i < spawned; ++i) {
        renderer.add_effect(bolt);
        ASSERT_LE(renderer.effects().size(), kMaxBranchingLineEffects);
    }
    EXPECT_EQ(renderer.effects().size(), kMaxBranchingLineEffects);
    EXPECT_EQ(random_draw(), next_uncapped);

    // Once they age out there is room again.
    renderer.advance_time(10.0f);
    EXPECT_TRUE(renderer.effects().empty());
    renderer.add_effect(bolt);
    EXPECT_EQ(renderer.effects().size(), 1u);
}

// Drawn: the renderer's effects go into the thick-line batch with every upload.
TEST(BranchingLines, RendererDrawsEffectsThroughTheLineBatch) {
    RenderContextOpenGL& gl = test_support::gl_context();
    Renderer renderer;
    renderer.init(gl);
    random_seed(9);
    renderer.add_effect({{0, 0}, {0.9f, 0.5f}, 30, 0.0f, 2.0f, 2.0f});
    renderer.advance_time(1.0f / 60.0f);
    renderer.advance_time(1.0f / 60.0f);
    ASSERT_EQ(renderer.effects().size(), 1u);
    ASSERT_GE(renderer.effects()[0].nodes[0].trail.points().size(), 2u);
    renderer.upload_batches(gl);
    EXPECT_EQ(renderer.line_batch().uploaded_count(), 1u);
}

} // namespace
