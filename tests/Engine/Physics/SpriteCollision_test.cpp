#include "Engine/Physics/SpriteCollision.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/ThreadPool.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr float kCell = 1.0f / 32.0f;

// A sprite of one full chunk: one world unit wide at scale 0.5.
struct Rock {
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
};

class SpriteCollision : public ::testing::Test {
protected:
    void SetUp() override { threads.init(16, ThreadPool::kThreaded); }

    Rock& add_rock(glm::vec2 position, glm::vec2 velocity = {0.0f, 0.0f}, uint32_t chunks = 1) {
        rocks.push_back(std::make_unique<Rock>());
        Rock& r = *rocks.back();
        const int32_t cells = static_cast<int32_t>(chunks) * 32;
        // Built from an asset, as the game does, so that every chunk has its boundary lists.
        r.sprite = Sprite(pool, make_rect_asset(cells, cells, 0, 0, cells, cells, 1), false);
        r.transform.position = position;
        r.transform.scale = glm::vec2(0.5f * static_cast<float>(chunks));
        r.body = PhysicsBody(position, 0.0f);
        r.body.linear_velocity = velocity;
        return r;
    }

    std::vector<SpritePhysicsProxy> proxies() {
        std::vector<SpritePhysicsProxy> out;
        for (auto& r : rocks) {
            out.push_back(make_sprite_physics_proxy(r->transform, r->body, r->sprite, kDt));
        }
        return out;
    }

    std::vector<Contact> contacts_of(const std::vector<SpritePhysicsProxy>& p) {
        const std::vector<ProxyPair> pairs = find_proxy_pairs(p);
        const std::vector<ProxyChunk> chunks = find_chunk_proxies(threads, p, pairs);
        const std::vector<Impact> impacts = find_impacts(threads, p, chunks, kDt);
        return make_contacts(p, impacts, kDt);
    }

    SpriteChunkPool pool{32, 1024, 32};
    ThreadPool threads;
    std::vector<std::unique_ptr<Rock>> rocks;
};

struct OverlapCase {
    const char* name;
    float overlap;      // in cells
    float depth;        // of the contacts on b's left column
    int32_t side_extra; // top and bottom side cells of b that also land in a
};

class SpriteOverlap : public SpriteCollision, public ::testing::WithParamInterface<OverlapCase> {};

// Two resting unit rocks side by side, b overlapping a's right column. The later proxy (b) is the pair's a:
// its 30 left-column side cells (corners excluded) land in a's last column and push along (-1, 0); a, the
// pair's b, only sweeps its corner cells, and its two right corners land in b's first column. All at time 0,
// so contacts use dt.
TEST_P(SpriteOverlap, ContactsCarryTheCellNormalsAndDepths) {
    const OverlapCase& c = GetParam();
    Rock& a = add_rock({0.0f, 0.0f});
    Rock& b = add_rock({1.0f - c.overlap * kCell, 0.0f});
    const std::vector<Contact> contacts = contacts_of(proxies());

    int32_t along_x = 0;
    int32_t vertical = 0;
    int32_t diagonal = 0;
    for (const Contact& k : contacts) {
        EXPECT_EQ(k.time, kDt);
        if (k.body_a == &b.body) {
            ASSERT_EQ(k.body_b, &a.body);
            EXPECT_NEAR(k.depth, c.depth, 1e-6f);
            if (k.normal == glm::vec2(-1.0f, 0.0f)) {
                // On b's first column, at a cell centre; the lever is measured from b's centre.
                const float x = 0.5f - c.overlap * kCell + 0.5f * kCell;
                EXPECT_NEAR(k.point.x, x, 1e-6f);
                EXPECT_NEAR(k.lever_b.x, x, 1e-6f);
                EXPECT_NEAR(k.lever_a.x, x - b.body.position.x, 1e-6f);
                ++along_x;
            } else {
                EXPECT_EQ(k.normal.x, 0.0f);
                EXPECT_EQ(std::fabs(k.normal.y), 1.0f);
                ++vertical;
            }
        } else {
            ASSERT_EQ(k.body_a, &a.body);
            EXPECT_NEAR(k.normal.x, 0.70710677f, 1e-6f);
            EXPECT_NEAR(std::fabs(k.normal.y), 0.70710677f, 1e-6f);
            ++diagonal;
        }
    }
    EXPECT_EQ(along_x, 30);
    EXPECT_EQ(vertical, c.side_extra);
    EXPECT_EQ(diagonal, 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpriteOverlap,
                         ::testing::Values(
                             // Cell centres coincide: the sampled cell's centre is the point itself, depth one cell.
                             OverlapCase{"one_cell", 1.0f, kCell, 0},
                             // Half a cell further in: every point sits half a cell from the sampled centre, depth 1/32
                             // - 1/64; b's second top and bottom cells now reach a's last column too.
                             OverlapCase{"one_and_a_half_cells", 1.5f, kCell - 0.5f * kCell, 2}),
                         [](const ::testing::TestParamInfo<OverlapCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(SpriteCollision, SingleAndTouchingProxiesGiveNothing) {
    add_rock({0.0f, 0.0f});
    EXPECT_TRUE(find_proxy_pairs(proxies()).empty());
    // Bounds that share only an edge are no pair.
    add_rock({1.0f, 0.0f});
    EXPECT_TRUE(find_proxy_pairs(proxies()).empty());
    ConstraintList rows;
    sprite_physics_step(threads, rows, proxies(), kDt);
    EXPECT_TRUE(rows.empty());
}

TEST_F(SpriteCollision, SweepFindsTheEarliestHitAndTheStepMovesOnlyThatPair) {
    // a moves right at 12 units/s towards b, one cell away: the step covers 0.2 units in trunc(0.2 * 32) = 6
    // sub-steps of 1/30 unit. a is the earlier proxy, so it sweeps its corner cells. Its right corners sit at
    // b-cell coordinate 1.0667 i - 2 after the half-cell shift: outside for i = 0, truncated into b's first
    // cell for i = 1, so the hit time is dt / 6.
    Rock& a = add_rock({0.0f, 0.0f}, {12.0f, 0.0f});
    Rock& b = add_rock({1.0f + kCell, 0.0f});
    // A third rock far off moves nothing.
    Rock& c = add_rock({10.0f, 0.0f}, {1.0f, 0.0f});
    ConstraintList rows;
    sprite_physics_step(threads, rows, proxies(), kDt);
    ASSERT_EQ(rows.size(), 2u);
    const float t_hit = kDt / 6.0f;
    EXPECT_NEAR(a.body.position.x, 12.0f * t_hit, 1e-5f);
    EXPECT_EQ(b.body.position, glm::vec2(1.0f + kCell, 0.0f));
    EXPECT_EQ(c.body.position, glm::vec2(10.0f, 0.0f));
    // Velocities are left to the solver.
    EXPECT_EQ(a.body.linear_velocity, glm::vec2(12.0f, 0.0f));
    for (const VelocityConstraint& row : rows) {
        EXPECT_EQ(row.body_a, &a.body);
        EXPECT_EQ(row.body_b, &b.body);
    }
    solve_velocity_constraints(rows, kSolverIterations);
    // Equal masses: what a loses along x, b gains.
    EXPECT_LT(a.body.linear_velocity.x, 12.0f);
    EXPECT_GT(b.body.linear_velocity.x, 0.0f);
    EXPECT_NEAR(a.body.linear_velocity.x + b.body.linear_velocity.x, 12.0f, 1e-4f);
    EXPECT_NEAR(a.body.linear_velocity.y + b.body.linear_velocity.y, 0.0f, 1e-4f);
}

TEST_F(SpriteCollision, MoreThanThirtyTwoEarliestHitsAreCappedWithAMessage) {
    // b's 30 left-column side cells all hit a at time 0; three of them listed again make 33.
    add_rock({0.0f, 0.0f});
    Rock& b = add_rock({1.0f - kCell, 0.0f});
    const std::vector<SpritePhysicsProxy> p = proxies();
    const SpriteChunk& chunk = *b.sprite.chunk(0);
    std::vector<EdgeCell> cells = chunk.side_cells;
    std::erase_if(cells, [](const EdgeCell& e) { return e.index % 32 != 0; });
    ASSERT_EQ(cells.size(), 30u);
    cells.push_back(cells[0]);
    cells.push_back(cells[1]);
    cells.push_back(cells[2]);
    StdoutCapture capture;
    const Impact impact = find_cell_hits(chunk, cells, p[1], p[0], kDt);
    const std::string out = capture.finish();
    EXPECT_EQ(impact.count, 32);
    EXPECT_EQ(impact.time, 0.0f);
    EXPECT_EQ(out, "ran out of hit points!\n");
}

TEST_F(SpriteCollision, RunawaySpeedsAreCappedAndNonFiniteBodiesSkipped) {
    Rock& a = add_rock({0.0f, 0.0f}, {1e30f, 0.0f});
    add_rock({1.0f - kCell, 0.0f});
    const std::vector<SpritePhysicsProxy> p = proxies();
    HitPoint hit;
    // Overlapping already: sub-step 0 hits, however far the step would go.
    EXPECT_TRUE(sweep_cell(*a.sprite.chunk(0), a.sprite.chunk(0)->side_cells.back().center,
                           a.sprite.chunk(0)->side_cells.back().index, p[0], p[1], kDt, hit));
    EXPECT_EQ(hit.time, 0.0f);

    PhysicsBody bad;
    bad.position = {std::nanf(""), 0.0f};
    EXPECT_FALSE(body_is_finite(bad));
    bad.position = {0.0f, 0.0f};
    bad.angular_velocity = INFINITY;
    EXPECT_FALSE(body_is_finite(bad));
    EXPECT_TRUE(body_is_finite(PhysicsBody({1.0f, 2.0f}, 0.5f)));
}

// A resting pile: every impact ties at time 0. Chunks and impacts come out in one order on sixteen threaded
// workers and inline, run after run, and the impacts follow the total key (time, proxies, chunk).
TEST_F(SpriteCollision, RestingPileGivesTheSameImpactsOnAnyNumberOfWorkers) {
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            add_rock({static_cast<float>(x) * (1.0f - kCell), static_cast<float>(y) * (1.0f - kCell)}, {0.0f, 0.0f},
                     (x + y) % 2 == 0 ? 1u : 2u);
        }
    }
    const std::vector<SpritePhysicsProxy> p = proxies();
    const std::vector<ProxyPair> pairs = find_proxy_pairs(p);
    ThreadPool one;
    one.init(1, ThreadPool::kInline);
    const std::vector<ProxyChunk> chunks = find_chunk_proxies(one, p, pairs);
    const std::vector<Impact> expected = find_impacts(one, p, chunks, kDt);
    ASSERT_GT(expected.size(), 40u);
    ASSERT_TRUE(std::is_sorted(expected.begin(), expected.end(), impact_before));
    ASSERT_EQ(expected.front().time, 0.0f);

    const auto key = [](const Impact& i) {
        return std::to_string(i.a) + "/" + std::to_string(i.b) + "/" + std::to_string(i.chunk) + "/" +
               std::to_string(i.count);
    };
    for (int run = 0; run < 20; ++run) {
        const std::vector<ProxyChunk> threaded_chunks = find_chunk_proxies(threads, p, pairs);
        ASSERT_EQ(threaded_chunks.size(), chunks.size());
        for (size_t i = 0; i < chunks.size(); ++i) {
            ASSERT_EQ(threaded_chunks[i].chunk, chunks[i].chunk) << "run " << run << ", chunk " << i;
            ASSERT_EQ(threaded_chunks[i].proxy, chunks[i].proxy);
        }
        const std::vector<Impact> impacts = find_impacts(threads, p, threaded_chunks, kDt);
        ASSERT_EQ(impacts.size(), expected.size());
        for (size_t i = 0; i < impacts.size(); ++i) {
            ASSERT_EQ(key(impacts[i]), key(expected[i])) << "run " << run << ", impact " << i;
        }
    }
}

TEST(ImpactOrder, TimeThenProxiesThenChunk) {
    const auto impact = [](float time, int32_t a, int32_t b, int32_t chunk) {
        Impact i;
        i.time = time;
        i.a = a;
        i.b = b;
        i.chunk = chunk;
        return i;
    };
    struct Case {
        Impact first;
        Impact second;
    };
    const Case cases[] = {
        {impact(0.0f, 9, 9, 9), impact(0.001f, 0, 0, 0)},
        {impact(0.0f, 1, 9, 9), impact(0.0f, 2, 0, 0)},
        {impact(0.0f, 1, 2, 9), impact(0.0f, 1, 3, 0)},
        {impact(0.0f, 1, 2, 3), impact(0.0f, 1, 2, 4)},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(impact_before(c.first, c.second));
        EXPECT_FALSE(impact_before(c.second, c.first));
    }
    EXPECT_FALSE(impact_before(cases[0].first, cases[0].first));
}

} // namespace
