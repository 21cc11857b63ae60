#include "Engine/Physics/SpriteCollision.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/ThreadPool.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

// A constraint row's bodies and every float's bits, for exact comparisons.
std::string row_bits(const VelocityConstraint& r) {
    return fmt::format("{} {} {:08x},{:08x} {:08x} {:08x},{:08x} {:08x} {:08x} {:08x} {:08x} {:08x} {:08x}",
                       static_cast<const void*>(r.body_a), static_cast<const void*>(r.body_b),
                       std::bit_cast<uint32_t>(r.linear_a.x), std::bit_cast<uint32_t>(r.linear_a.y),
                       std::bit_cast<uint32_t>(r.angular_a), std::bit_cast<uint32_t>(r.linear_b.x),
                       std::bit_cast<uint32_t>(r.linear_b.y), std::bit_cast<uint32_t>(r.angular_b),
                       std::bit_cast<uint32_t>(r.effective_mass), std::bit_cast<uint32_t>(r.bias),
                       std::bit_cast<uint32_t>(r.lower), std::bit_cast<uint32_t>(r.upper),
                       std::bit_cast<uint32_t>(r.accumulated));
}

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

struct PileCase {
    const char* name;
    uint32_t seed;
    int32_t count;
    float speed; // world units per second, each axis uniform in [-speed, speed]
    float spin;  // radians per second
    bool turned; // random angles
    bool scaled; // random per-axis scales, some mirrored
    int32_t shape;
    float spacing; // of the rocks' centres, in rock widths
    glm::vec2 origin;
};

void PrintTo(const PileCase& c, std::ostream* os) { *os << c.name; }

// A rock of 2 x 2 chunks: a disc, a ring, a bar with a chunk left out and holes, or a frame two cells thick along
// the grid's border (thin, and its cells reach the grid's edge, where a cull that allows too little motion first
// turns hits away).
SpriteAsset pile_rock(int32_t shape) {
    return make_asset_from(64, 64, [shape](int32_t x, int32_t y) -> uint16_t {
        const float fx = static_cast<float>(x) + 0.5f - 32.0f;
        const float fy = static_cast<float>(y) + 0.5f - 32.0f;
        const float rr = fx * fx + fy * fy;
        switch (shape) {
        case 0:
            return rr <= 30.0f * 30.0f ? 1 : 0;
        case 1:
            return rr <= 30.0f * 30.0f && rr >= 14.0f * 14.0f ? 1 : 0;
        case 3:
            return x < 2 || y < 2 || x >= 62 || y >= 62 ? 1 : 0;
        default:
            return x >= 32 && y >= 32 ? 0 : ((x * 7 + y * 3) % 11 != 0 ? 1 : 0);
        }
    });
}

class SpritePile : public SpriteCollision, public ::testing::WithParamInterface<PileCase> {};

// The impact search passes over repeated records and over boundary cells that can not reach the other grid, and
// the step runs its phases together. Sweeping every cell of every record one by one, as the plain description of
// the step does, and sorting the impacts stably must give the same impacts, and the phases one by one the same
// rows and moved bodies, bit for bit, on piles of every kind and through a few steps.
TEST_P(SpritePile, StepEqualsSweepingEveryCellOfEveryRecord) {
    const PileCase& c = GetParam();
    const SpriteAsset asset = pile_rock(c.shape);
    std::mt19937 gen(c.seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    const auto per_row = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<float>(c.count))));
    for (int32_t i = 0; i < c.count; ++i) {
        rocks.push_back(std::make_unique<Rock>());
        Rock& r = *rocks.back();
        r.sprite = Sprite(pool, asset, false);
        const glm::vec2 p = c.origin + glm::vec2(static_cast<float>(i % per_row) * 2.0f * c.spacing + 0.05f * u(gen),
                                                 static_cast<float>(i / per_row) * 2.0f * c.spacing + 0.05f * u(gen));
        r.transform.position = p;
        r.transform.scale = glm::vec2(1.0f);
        if (c.scaled) {
            r.transform.scale = glm::vec2(1.0f + 0.3f * u(gen), 1.0f + 0.3f * u(gen));
            if (i % 5 == 0) {
                r.transform.scale.x = -r.transform.scale.x;
            }
        }
        r.transform.angle = c.turned ? 3.0f * u(gen) : 0.0f;
        r.body = PhysicsBody(p, r.transform.angle);
        r.body.linear_velocity = {c.speed * u(gen), c.speed * u(gen)};
        r.body.angular_velocity = c.spin * u(gen);
    }

    const auto text = [](const Impact& i) {
        std::string out = fmt::format("{}/{}/{}/{:08x}/{:08x},{:08x}/{:08x},{:08x}", i.a, i.b, i.chunk,
                                      std::bit_cast<uint32_t>(i.time), std::bit_cast<uint32_t>(i.point.x),
                                      std::bit_cast<uint32_t>(i.point.y), std::bit_cast<uint32_t>(i.normal.x),
                                      std::bit_cast<uint32_t>(i.normal.y));
        for (int32_t k = 0; k < i.count; ++k) {
            const HitPoint& h = i.hits[static_cast<size_t>(k)];
            out += fmt::format(" {:08x},{:08x},{:08x},{:08x},{:08x},{:08x}", std::bit_cast<uint32_t>(h.point.x),
                               std::bit_cast<uint32_t>(h.point.y), std::bit_cast<uint32_t>(h.normal.x),
                               std::bit_cast<uint32_t>(h.normal.y), std::bit_cast<uint32_t>(h.depth),
                               std::bit_cast<uint32_t>(h.time));
        }
        return out;
    };

    const auto pose_text = [](const PhysicsBody& body) {
        return fmt::format("{:08x},{:08x} {:08x}", std::bit_cast<uint32_t>(body.position.x),
                           std::bit_cast<uint32_t>(body.position.y), std::bit_cast<uint32_t>(body.angle));
    };

    size_t compared = 0;
    for (int step = 0; step < 3; ++step) {
        const std::vector<SpritePhysicsProxy> p = proxies();
        const std::vector<ProxyChunk> chunks = find_chunk_proxies(threads, p, find_proxy_pairs(p));
        std::vector<Impact> expected;
        for (const ProxyChunk& record : chunks) {
            const SpritePhysicsProxy& a = p[static_cast<size_t>(record.proxy)];
            const SpritePhysicsProxy& b = p[static_cast<size_t>(record.other_proxy)];
            Impact result = find_cell_hits(*record.chunk, record.chunk->corner_cells, a, b, kDt);
            if (record.second == 0) {
                const Impact side = find_cell_hits(*record.chunk, record.chunk->side_cells, a, b, kDt);
                if (!(side.time > result.time)) {
                    result = side;
                }
            }
            if (result.count != 0) {
                result.a = record.proxy;
                result.b = record.other_proxy;
                result.chunk = record.chunk->index;
                expected.push_back(result);
            }
        }
        std::stable_sort(expected.begin(), expected.end(), impact_before);
        const std::vector<Impact> impacts = find_impacts(threads, p, chunks, kDt);
        ASSERT_EQ(impacts.size(), expected.size()) << "step " << step;
        for (size_t i = 0; i < impacts.size(); ++i) {
            ASSERT_EQ(text(impacts[i]), text(expected[i])) << "step " << step << ", impact " << i;
        }
        compared += impacts.size();

        // The whole step gives the rows of the phases taken one by one, and moves the same two bodies.
        std::vector<PositionAngle> start;
        for (auto& r : rocks) {
            start.push_back({r->body.position, r->body.angle});
        }
        ConstraintList expected_rows;
        if (!impacts.empty()) {
            for (const int32_t index : {impacts.front().a, impacts.front().b}) {
                const SpritePhysicsProxy& proxy = p[static_cast<size_t>(index)];
                const PositionAngle moved = integrate_position_angle(
                    proxy.world_center_of_mass, proxy.body->position, proxy.body->angle, proxy.body->linear_velocity,
                    proxy.body->angular_velocity, impacts.front().time);
                proxy.body->position = moved.position;
                proxy.body->angle = moved.angle;
                // The pose the collision reads moves with the body, so both levers come from where they met.
                proxy.transform->position = moved.position;
                proxy.transform->angle = moved.angle;
            }
        }
        for (const Contact& contact : make_contacts(p, impacts, kDt)) {
            add_contact_constraint(expected_rows, contact);
        }
        std::vector<std::string> expected_bodies;
        for (size_t i = 0; i < rocks.size(); ++i) {
            Rock& r = *rocks[i];
            expected_bodies.push_back(pose_text(r.body));
            r.body.position = start[i].position;
            r.body.angle = start[i].angle;
            r.transform.position = start[i].position;
            r.transform.angle = start[i].angle;
        }
        ConstraintList rows;
        sprite_physics_step(threads, rows, p, kDt);
        ASSERT_EQ(rows.size(), expected_rows.size()) << "step " << step;
        for (size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(row_bits(rows[i]), row_bits(expected_rows[i])) << "step " << step << ", row " << i;
        }
        for (size_t i = 0; i < rocks.size(); ++i) {
            ASSERT_EQ(pose_text(rocks[i]->body), expected_bodies[i]) << "step " << step << ", body " << i;
        }
        solve_velocity_constraints(rows, kSolverIterations);
        for (auto& r : rocks) {
            const PositionAngle moved =
                integrate_position_angle(r->transform.to_world(r->body.center_of_mass), r->body.position, r->body.angle,
                                         r->body.linear_velocity, r->body.angular_velocity, kDt);
            r->body.position = moved.position;
            r->body.angle = moved.angle;
            r->transform.position = moved.position;
            r->transform.angle = moved.angle;
        }
    }
    EXPECT_GT(compared, static_cast<size_t>(c.count)) << "the pile must collide to compare anything";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpritePile,
    ::testing::Values(
        // Slow rocks: every cell takes one sample at time 0.
        PileCase{"slow_discs", 77u, 40, 2.0f, 1.0f, false, false, 0, 0.95f, {0.0f, 0.0f}},
        PileCase{"resting_bars", 11u, 30, 0.0f, 0.0f, true, false, 2, 0.9f, {0.0f, 0.0f}},
        // Fast and spinning rocks take many sub-steps, and the other grid moves between them.
        PileCase{"fast_turned_discs", 5u, 36, 16.0f, 6.0f, true, false, 0, 0.95f, {0.0f, 0.0f}},
        // Apart at the start: the earliest impact comes after the step's start and turns its two bodies.
        PileCase{"apart_fast_discs", 31u, 36, 16.0f, 6.0f, true, false, 0, 1.02f, {0.0f, 0.0f}},
        PileCase{"scaled_rings", 9u, 30, 4.0f, 3.0f, true, true, 1, 0.9f, {0.0f, 0.0f}},
        PileCase{"wild_bars", 17u, 30, 40.0f, 20.0f, true, true, 2, 0.9f, {0.0f, 0.0f}},
        // Thin frames spinning fast on the spot: their corners sweep well beyond their grids, into cells of others
        // that their own motion alone does not reach.
        PileCase{"spinning_thin_frames", 41u, 30, 1.0f, 30.0f, true, false, 3, 1.05f, {0.0f, 0.0f}},
        // Thin frames apart and fast: they meet late in the step, after the cells that hit have come a long way.
        PileCase{"fast_thin_frames_apart", 43u, 36, 30.0f, 8.0f, true, false, 3, 1.12f, {0.0f, 0.0f}},
        // Far from the origin the float rounding is coarse.
        PileCase{"far_away", 23u, 30, 3.0f, 2.0f, true, true, 0, 0.95f, {3000.0f, -5000.0f}},
        // Speeds about one cell per step: whether a cell takes one sample or two hangs on the rounding.
        PileCase{"far_away_one_cell_per_step", 29u, 30, 2.2f, 0.3f, true, false, 1, 0.95f, {40000.0f, 40000.0f}}),
    [](const ::testing::TestParamInfo<PileCase>& info) { return std::string(info.param.name); });

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
    // a moves right at 12 units/s towards b, one cell away: over b's grid every cell of either travels 0.2 units,
    // in ceil(0.2 * 32) = 7 sub-steps of 0.2 / 7 unit (0.914 cells), none longer than a cell. a is the earlier
    // proxy, so it sweeps its corner cells: its right corners sit at b-cell coordinate 0.914 i - 2 after the
    // half-cell shift, outside for i = 0 and 1, truncated into b's first cell for i = 2, so the hit time is
    // 2 dt / 7. b, the later one, sweeps its side cells through a, which comes at them: its 30 left side cells sit
    // at a-cell coordinate 33 - 0.914 i and land in a's last column at the same sub-step. 2 + 30 rows.
    Rock& a = add_rock({0.0f, 0.0f}, {12.0f, 0.0f});
    Rock& b = add_rock({1.0f + kCell, 0.0f});
    // A third rock far off moves nothing.
    Rock& c = add_rock({10.0f, 0.0f}, {1.0f, 0.0f});
    ConstraintList rows;
    sprite_physics_step(threads, rows, proxies(), kDt);
    ASSERT_EQ(rows.size(), 32u);
    const float t_hit = 2.0f * kDt / 7.0f;
    EXPECT_NEAR(a.body.position.x, 12.0f * t_hit, 1e-5f);
    EXPECT_EQ(b.body.position, glm::vec2(1.0f + kCell, 0.0f));
    EXPECT_EQ(c.body.position, glm::vec2(10.0f, 0.0f));
    // Velocities are left to the solver.
    EXPECT_EQ(a.body.linear_velocity, glm::vec2(12.0f, 0.0f));
    for (const VelocityConstraint& row : rows) {
        EXPECT_TRUE((row.body_a == &a.body && row.body_b == &b.body) ||
                    (row.body_a == &b.body && row.body_b == &a.body));
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

// The step writes its rows after those already in the list, the same on sixteen workers as inline, whether the
// step before it on this thread had more rows (a bigger pile) or fewer.
TEST_F(SpriteCollision, StepAppendsItsRowsAfterThoseAlreadyListed) {
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            add_rock({static_cast<float>(x) * (1.0f - kCell), static_cast<float>(y) * (1.0f - kCell)}, {0.3f, -0.2f},
                     (x + y) % 2 == 0 ? 1u : 2u);
        }
    }
    const std::vector<SpritePhysicsProxy> all = proxies();
    const std::vector<SpritePhysicsProxy> few(all.begin(), all.begin() + 7);
    const auto step = [&](ThreadPool& workers, const std::vector<SpritePhysicsProxy>& p, ConstraintList& rows) {
        std::vector<PositionAngle> start;
        for (auto& r : rocks) {
            start.push_back({r->body.position, r->body.angle});
        }
        sprite_physics_step(workers, rows, p, kDt);
        for (size_t i = 0; i < rocks.size(); ++i) {
            rocks[i]->body.position = start[i].position;
            rocks[i]->body.angle = start[i].angle;
        }
    };
    ThreadPool one;
    one.init(1, ThreadPool::kInline);
    ConstraintList all_rows;
    ConstraintList few_rows;
    step(one, all, all_rows);
    step(one, few, few_rows);
    ASSERT_FALSE(few_rows.empty());
    ASSERT_GT(all_rows.size(), few_rows.size());

    VelocityConstraint listed;
    listed.bias = 7.0f;
    listed.lower = -3.0f;
    for (const std::vector<SpritePhysicsProxy>* p : {&all, &few, &few, &all, &all}) {
        const ConstraintList& expected = p == &all ? all_rows : few_rows;
        ConstraintList rows(3, listed);
        step(threads, *p, rows);
        ASSERT_EQ(rows.size(), 3 + expected.size());
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(row_bits(rows[i]), row_bits(listed)) << "row " << i;
        }
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(row_bits(rows[3 + i]), row_bits(expected[i])) << (p == &all ? "all" : "few") << ", row " << i;
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
