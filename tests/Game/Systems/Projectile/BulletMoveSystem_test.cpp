#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/SimulationClock.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteCreateTreeSystem.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"
#include "Game/Systems/Projectile/BulletMoveSystem.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteBuilder.h"

using namespace test_support;

namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr float kSpeed = 30.0f; // half a world unit per tick
// World y of the centre of cell row 16 of a one-chunk rock at the origin (scale 0.5).
constexpr float kRow16 = 0.015625f;
// Cell x -8.25 of that rock: a tick's segment then ends at cell 7.75, clear of any cell border.
constexpr float kStartX = -0.7578125f;

struct BulletFixture {
    BulletFixture()
        : harness([this](HarnessScene& scene) {
              EntityPool& pool = scene.entity_pool();
              pool.add_list<RockEntity>("RockEntity", &RockEntity::transform, &RockEntity::body, &RockEntity::sprite,
                                        &RockEntity::cores, &RockEntity::dirty, &RockEntity::marker);
              pool.add_list<BulletEntity>("BulletEntity", &BulletEntity::trail);
              scene.register_system<SpriteCreateTreeSystem>(SystemGroup::Tick, &tree);
              system = &scene.register_system<BulletMoveSystem>(SystemGroup::Tick, scene, &tree);
          }),
          hits(harness.engine.event_bus()) {}

    EntityList<RockEntity>& rocks() { return harness.scene->entity_pool().list<RockEntity>(); }
    EntityList<BulletEntity>& bullets() { return harness.scene->entity_pool().list<BulletEntity>(); }

    EntityId add_rock(const CellTypeAt& cells, glm::vec2 position = glm::vec2(0.0f)) {
        RockEntity rock;
        rock.sprite = build_sprite(pool, {1, 1}, cells);
        rock.transform.position = position;
        rock.transform.scale = glm::vec2(0.5f);
        rock.body = PhysicsBody(position, 0.0f);
        return rocks().add(std::move(rock));
    }

    EntityId add_bullet(glm::vec2 position, glm::vec2 velocity, int32_t hits) {
        BulletEntity bullet;
        bullet.position = position;
        bullet.velocity = velocity;
        bullet.life = 5.0f;
        bullet.hits_left = hits;
        bullet.hits_total = hits;
        bullet.fork_chance = 0.0f;
        bullet.curve_sign = 1.0f;
        bullet.curve_strength = 0.0f;
        bullet.trail_width = 0.015625f;
        bullet.trail_color = 0xFFFFFFFFu;
        bullet.trail.add_point(position, bullet.trail_width, bullet.trail_color);
        return bullets().add(std::move(bullet));
    }

    BulletEntity& bullet(EntityId id) { return bullets().at(id); }
    bool cell_active(EntityId rock, int32_t x, int32_t y) {
        const Sprite& sprite = rocks().at(rock).sprite;
        const ChunkCell at = sprite.grid().to_chunk_cell(x, y);
        return sprite.is_cell_active(at.chunk, at.cell);
    }

    SpriteChunkPool pool{32, 1024, 32};
    AxisAlignedAreaTree<EntityId> tree;
    BulletMoveSystem* system = nullptr;
    SceneHarness harness;
    EventRecorder<BulletHitCellEvent> hits;
};

CellTypeAt full_chunk() { return filled_box({0, 0}, {31, 31}); }

TEST(BulletMove, ThreeHitsRemoveThreeCellsInARowAndTheBulletDies) {
    BulletFixture f;
    const EntityId rock = f.add_rock(full_chunk());
    const glm::vec2 start(kStartX, kRow16);
    const EntityId bullet = f.add_bullet(start, {kSpeed, 0.0f}, 3);
    f.harness.tick(kDt);

    ASSERT_EQ(f.hits.events.size(), 3u);
    for (int32_t x = 0; x < 3; ++x) {
        const BulletHitCellEvent& e = f.hits.events[static_cast<size_t>(x)];
        EXPECT_EQ(e.entity, rock);
        EXPECT_EQ(e.cell_color, cell_color_of(x, 16));
        EXPECT_EQ(e.first_hit, x == 0 ? 1 : 0);
        EXPECT_NE(e.cell_flags & 0x20, 0) << "removed bit";
        EXPECT_EQ(e.cell_flags & 0x1F, 1);
        EXPECT_FLOAT_EQ(e.local_position.x, (x + 0.5f) / 32.0f * 2.0f - 1.0f);
        EXPECT_FLOAT_EQ(e.world_position.x, e.local_position.x * 0.5f);
        EXPECT_FLOAT_EQ(e.world_position.y, kRow16);
        EXPECT_FALSE(f.cell_active(rock, x, 16));
    }
    EXPECT_TRUE(f.cell_active(rock, 3, 16));
    EXPECT_EQ(f.rocks().at(rock).dirty.dirty, 1);
    EXPECT_EQ(f.rocks().at(rock).sprite.active_cell_count(), 32 * 32 - 3);
    const BulletEntity& b = f.bullet(bullet);
    EXPECT_EQ(b.dying, 1);
    EXPECT_EQ(b.hits_left, 0);
    EXPECT_EQ(b.position, start) << "a spent bullet keeps the position of the start of its tick";
}

// The events of a tick come bullet after bullet in the list's order, each bullet's in the order of its hits, and
// every one reads its cell as the removal left it; a later bullet on the same row starts past the cells the
// earlier one took.
TEST(BulletMove, EventsComeInBulletOrderWithTheCellsAsRemoved) {
    BulletFixture f;
    const EntityId rock = f.add_rock(full_chunk());
    constexpr float kRow20 = 0.140625f;
    f.add_bullet({kStartX, kRow16}, {kSpeed, 0.0f}, 3);
    f.add_bullet({kStartX, kRow16}, {kSpeed, 0.0f}, 2);
    f.add_bullet({kStartX, kRow20}, {kSpeed, 0.0f}, 2);
    f.harness.tick(kDt);

    const glm::ivec2 cells[] = {{0, 16}, {1, 16}, {2, 16}, {3, 16}, {4, 16}, {0, 20}, {1, 20}};
    const uint8_t first[] = {1, 0, 0, 1, 0, 1, 0};
    ASSERT_EQ(f.hits.events.size(), std::size(cells));
    for (size_t i = 0; i < std::size(cells); ++i) {
        const BulletHitCellEvent& e = f.hits.events[i];
        EXPECT_EQ(e.entity, rock);
        EXPECT_EQ(e.cell_color, cell_color_of(cells[i].x, cells[i].y)) << i;
        EXPECT_EQ(e.cell_flags & 0x3F, 0x21) << i;
        EXPECT_EQ(e.first_hit, first[i]) << i;
        EXPECT_FLOAT_EQ(e.local_position.x, (static_cast<float>(cells[i].x) + 0.5f) / 16.0f - 1.0f) << i;
        EXPECT_FLOAT_EQ(e.local_position.y, (static_cast<float>(cells[i].y) + 0.5f) / 16.0f - 1.0f) << i;
        EXPECT_FALSE(f.cell_active(rock, cells[i].x, cells[i].y));
    }
    EXPECT_TRUE(f.cell_active(rock, 5, 16));
    EXPECT_TRUE(f.cell_active(rock, 2, 20));
}

// Each bullet's trail gets the point it starts the tick from and then one at every removed cell, in hit order,
// and only its own.
TEST(BulletMove, TrailTakesTheStartThenEveryHitInOrder) {
    BulletFixture f;
    f.add_rock(full_chunk());
    constexpr float kRow20 = 0.140625f;
    TrailSettings keep_all;
    keep_all.max_points = 100;
    keep_all.max_length = 0.0f;
    keep_all.min_segment = 0.0f;
    const EntityId first = f.add_bullet({kStartX, kRow16}, {kSpeed, 0.0f}, 3);
    const EntityId second = f.add_bullet({kStartX, kRow20}, {kSpeed, 0.0f}, 2);
    for (const EntityId id : {first, second}) {
        BulletEntity& b = f.bullet(id);
        b.trail = Trail(keep_all);
        b.trail.add_point(b.position, b.trail_width, b.trail_color);
    }
    f.harness.tick(kDt);

    ASSERT_EQ(f.hits.events.size(), 5u);
    const auto expect_trail = [&](EntityId id, glm::vec2 start, size_t from, size_t count) {
        Trail expected(keep_all);
        expected.add_point(start, 0.015625f, 0xFFFFFFFFu);
        expected.add_point(start, 0.015625f, 0xFFFFFFFFu);
        for (size_t i = from; i < from + count; ++i) {
            expected.add_point(f.hits.events[i].world_position, 0.015625f, 0xFFFFFFFFu);
        }
        const std::span<const TrailPoint> got = f.bullet(id).trail.points();
        ASSERT_EQ(got.size(), expected.points().size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].position, expected.points()[i].position) << i;
            EXPECT_EQ(got[i].distance, expected.points()[i].distance) << i;
            EXPECT_EQ(got[i].width, expected.points()[i].width) << i;
        }
    };
    expect_trail(first, {kStartX, kRow16}, 0, 3);
    expect_trail(second, {kStartX, kRow20}, 3, 2);
}

TEST(BulletMove, BulletPassesItsOwner) {
    BulletFixture f;
    const EntityId rock = f.add_rock(full_chunk());
    const EntityId bullet = f.add_bullet({kStartX, kRow16}, {kSpeed, 0.0f}, 3);
    f.bullet(bullet).owner = rock;
    f.harness.tick(kDt);
    EXPECT_TRUE(f.hits.events.empty());
    EXPECT_FLOAT_EQ(f.bullet(bullet).position.x, kStartX + 0.5f);
    EXPECT_EQ(f.bullet(bullet).dying, 0);
}

TEST(BulletMove, OnlyTheFirstCandidateWithACellOnThePathIsHit) {
    BulletFixture f;
    const EntityId first = f.add_rock(full_chunk());
    const EntityId second = f.add_rock(full_chunk());
    f.add_bullet({kStartX, kRow16}, {kSpeed, 0.0f}, 20);
    f.harness.tick(kDt);
    // Cells 0 to 7 lie on the path from cell -8.25 to cell 7.75.
    ASSERT_EQ(f.hits.events.size(), 8u);
    for (const BulletHitCellEvent& e : f.hits.events) {
        EXPECT_EQ(e.entity, first);
    }
    EXPECT_EQ(f.rocks().at(second).sprite.active_cell_count(), 32 * 32);
}

TEST(BulletMove, StraightBulletKeepsItsDirectionAndSpeedAcrossHits) {
    BulletFixture f;
    f.add_rock(full_chunk());
    const EntityId bullet = f.add_bullet({kStartX, kRow16}, {kSpeed, 0.0f}, 20);
    f.harness.tick(kDt);
    const BulletEntity& b = f.bullet(bullet);
    EXPECT_EQ(b.hits_left, 12);
    EXPECT_EQ(b.dying, 0);
    EXPECT_FLOAT_EQ(b.velocity.x, kSpeed);
    EXPECT_FLOAT_EQ(b.velocity.y, 0.0f);
    // The walk ends where it left the tick's segment: the lower corner of cell 8.
    EXPECT_FLOAT_EQ(b.position.x, (8.0f / 32.0f * 2.0f - 1.0f) * 0.5f);
    EXPECT_FLOAT_EQ(b.life, 5.0f - kDt);
}

// A curving bullet through a wall three cells thick turns at each of its three hits, by the tick's curve times
// the share of hits it has left before the hit: 10/10, 9/10, 8/10 of it (4/4, 3/4, 2/4 with four hits). The
// expected path is worked out in cell space: the walk meets cell k at the border x = k, turns there and goes on to
// the next border; after the wall it goes on in the last direction, and the bullet ends the tick on the first cell
// border past the 16 cells of its segment (where the walk stops).
TEST(BulletMove, TurnAtEveryHitFadesWithTheHitsLeft) {
    struct Case {
        int32_t hits;
        float curve_sign;
    };
    for (const Case c : {Case{10, 1.0f}, Case{10, -1.0f}, Case{4, 1.0f}}) {
        SCOPED_TRACE(testing::Message() << c.hits << " hits, sign " << c.curve_sign);
        BulletFixture f;
        f.add_rock(filled_box({0, 0}, {2, 31}));
        const EntityId bullet = f.add_bullet({kStartX, kRow16}, {kSpeed, 0.0f}, c.hits);
        f.bullet(bullet).curve_strength = 3.0f; // 0.05 radians in a tick
        f.bullet(bullet).curve_sign = c.curve_sign;
        f.harness.tick(kDt);

        const double curve = 3.0 * c.curve_sign / 60.0;
        double angle = 0.0;
        double y = 16.5;           // where the walk crosses x = 0, 1, 2
        double left = 16.0 - 8.25; // cells of the tick's segment left at x = 0
        for (int32_t k = 0; k < 3; ++k) {
            angle += curve * (c.hits - k) / c.hits;
            if (k < 2) {
                y += std::tan(angle);
                left -= 1.0 / std::cos(angle);
            }
        }
        ASSERT_EQ(f.hits.events.size(), 3u);
        for (int32_t k = 0; k < 3; ++k) {
            EXPECT_FLOAT_EQ(f.hits.events[static_cast<size_t>(k)].local_position.x, (k + 0.5f) / 16.0f - 1.0f);
            EXPECT_FLOAT_EQ(f.hits.events[static_cast<size_t>(k)].local_position.y, 16.5f / 16.0f - 1.0f);
        }
        const BulletEntity& b = f.bullet(bullet);
        EXPECT_EQ(b.hits_left, c.hits - 3);
        EXPECT_NEAR(std::atan2(b.velocity.y, b.velocity.x), angle, 1e-5);
        EXPECT_NEAR(glm::length(b.velocity), kSpeed, 1e-3);
        // The first border past the segment's end, across x = 3, 4, ... or across the rows.
        double stop = std::numeric_limits<double>::infinity();
        for (int32_t k = 1; k < 64 && stop == std::numeric_limits<double>::infinity(); ++k) {
            const double t = k / std::cos(angle);
            stop = t > left ? t : stop;
        }
        for (int32_t k = 1; k < 64; ++k) {
            const double border = std::sin(angle) > 0.0 ? std::floor(y) + k : std::floor(y) - (k - 1);
            const double t = (border - y) / std::sin(angle);
            if (t > left) {
                stop = std::min(stop, t);
                break;
            }
        }
        // Cell (x, y) of the rock lies at world (x / 32 - 0.5, y / 32 - 0.5).
        EXPECT_NEAR(b.position.x, (2.0 + stop * std::cos(angle)) / 32.0 - 0.5, 1e-5);
        EXPECT_NEAR(b.position.y, (y + stop * std::sin(angle)) / 32.0 - 0.5, 1e-5);
    }
}

TEST(BulletMove, HitVelocityIsTheBodysAtTheCellPlusTheBullets) {
    BulletFixture f;
    const glm::vec2 at(3.0f, 0.0f);
    const EntityId rock = f.add_rock(filled_box({0, 16}, {0, 16}), at);
    f.rocks().at(rock).body.angular_velocity = 2.0f;
    f.add_bullet({at.x + kStartX, kRow16}, {kSpeed, 0.0f}, 3);
    f.harness.tick(kDt);
    ASSERT_EQ(f.hits.events.size(), 1u);
    const BulletHitCellEvent& e = f.hits.events[0];
    // Spin 2 about the centre of mass (3, 0) at the cell centre (3 - 0.484375, 0.015625).
    EXPECT_FLOAT_EQ(e.velocity.x, kSpeed - 2.0f * kRow16);
    EXPECT_FLOAT_EQ(e.velocity.y, 2.0f * -0.484375f);
}

TEST(BulletMove, ForkTakesHalfTheHitsLeft) {
    BulletFixture f;
    f.add_rock(filled_box({0, 16}, {0, 16}));
    const glm::vec2 start(kStartX, kRow16);
    const EntityId parent = f.add_bullet(start, {kSpeed, 0.0f}, 6);
    f.bullet(parent).fork_chance = 1.0f;
    f.harness.tick(kDt);
    ASSERT_EQ(f.hits.events.size(), 1u);
    ASSERT_EQ(f.bullets().pending_create_count(), 1u);
    f.harness.tick(kDt);
    ASSERT_EQ(f.bullets().size(), 2u);
    const BulletEntity& fork = f.bullets().entities()[1];
    EXPECT_EQ(fork.hits_left, 2); // 5 left after the hit, halved
    EXPECT_EQ(fork.hits_total, 2);
    EXPECT_FLOAT_EQ(fork.fork_chance, 0.5f);
    EXPECT_NEAR(glm::length(fork.velocity), kSpeed, 1e-3f);
    EXPECT_LE(std::abs(std::atan2(fork.velocity.y, fork.velocity.x)), 0.5235988f + 1e-5f);
    // The fork started at the parent's position with a fresh trail and moved one tick since.
    EXPECT_FLOAT_EQ(fork.position.x, start.x + fork.velocity.x * kDt);
    EXPECT_LE(fork.trail.points().size(), 2u);
}

// Three hits in one tick, each drawing for a fork: the forks come in hit order, each with half the hits left after
// its own hit, and the draws (chance, then angle and curve sign for a fork) follow one another as the hits do.
TEST(BulletMove, ForksOfSeveralHitsFollowTheHitsAndTheirDraws) {
    constexpr float kChance = 0.6f;
    // The fork chance draws and, for each fork, its angle and curve sign, from the generator as it is now.
    struct Fork {
        int32_t hits;
        float angle;
        float curve_sign;
    };
    const auto expected_forks = [&] {
        std::mt19937 copy = random_generator();
        ScopedRandomGenerator use(copy);
        std::vector<Fork> forks;
        for (const int32_t hits_left : {7, 6, 5}) {
            if (random_chance(kChance) && hits_left / 2 >= 1) {
                const float angle = random_signed(0.5235988f);
                forks.push_back({hits_left / 2, angle, random_signed_unit()});
            }
        }
        return forks;
    };
    // A seed whose draws fork at some hits and not at others, one of the forks at an early hit (with more hits
    // than the bullet has left at the end of the tick).
    const auto telling = [](const std::vector<Fork>& forks) {
        return forks.size() < 3 && !forks.empty() && forks.front().hits == 3;
    };
    uint32_t seed = 1;
    for (; seed < 100; ++seed) {
        random_seed(seed);
        if (telling(expected_forks())) {
            break;
        }
    }
    BulletFixture f;
    f.add_rock(filled_box({0, 16}, {2, 16}));
    const glm::vec2 start(kStartX, kRow16);
    const EntityId parent = f.add_bullet(start, {kSpeed, 0.0f}, 8);
    f.bullet(parent).fork_chance = kChance;
    random_seed(seed);
    const std::vector<Fork> expected = expected_forks();
    ASSERT_TRUE(telling(expected));
    f.harness.tick(kDt);
    ASSERT_EQ(f.hits.events.size(), 3u);
    ASSERT_EQ(f.bullets().pending_create_count(), expected.size());
    f.harness.tick(kDt);
    ASSERT_EQ(f.bullets().size(), 1 + expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const BulletEntity& fork = f.bullets().entities()[1 + i];
        EXPECT_EQ(fork.hits_left, expected[i].hits) << i;
        EXPECT_EQ(fork.hits_total, expected[i].hits) << i;
        EXPECT_EQ(fork.curve_sign, expected[i].curve_sign) << i;
        EXPECT_EQ(fork.velocity, rotate(glm::vec2(kSpeed, 0.0f), expected[i].angle)) << i;
    }
}

TEST(BulletMove, NoForkWhenFewerThanTwoHitsAreLeft) {
    BulletFixture f;
    f.add_rock(filled_box({0, 16}, {0, 16}));
    const EntityId parent = f.add_bullet({kStartX, kRow16}, {kSpeed, 0.0f}, 2);
    f.bullet(parent).fork_chance = 1.0f;
    f.harness.tick(kDt);
    ASSERT_EQ(f.hits.events.size(), 1u);
    EXPECT_EQ(f.bullets().pending_create_count(), 0u);
    EXPECT_EQ(f.bullet(parent).hits_left, 1);
}

TEST(BulletMove, LifeZeroSurvivesOneMoreTick) {
    BulletFixture f;
    const EntityId bullet = f.add_bullet({0.0f, 0.0f}, {kSpeed, 0.0f}, 3);
    f.bullet(bullet).life = 0.0f;
    f.harness.tick(kDt);
    EXPECT_EQ(f.bullet(bullet).dying, 0);
    EXPECT_FLOAT_EQ(f.bullet(bullet).life, -kDt);
    f.harness.tick(kDt);
    EXPECT_EQ(f.bullet(bullet).dying, 1);
}

TEST(BulletMove, DyingBulletDrawsItsTrailInAndGoes) {
    BulletFixture f;
    const EntityId bullet = f.add_bullet({0.0f, 0.0f}, {kSpeed, 0.0f}, 3);
    BulletEntity& b = f.bullet(bullet);
    b.trail.add_point({0.1f, 0.0f}, b.trail_width, b.trail_color);
    b.trail.add_point({0.2f, 0.0f}, b.trail_width, b.trail_color);
    b.dying = 1;
    f.harness.tick(kDt); // 3 points: two go, one comes
    ASSERT_TRUE(f.bullets().is_alive(bullet));
    EXPECT_EQ(f.bullet(bullet).trail.points().size(), 2u);
    EXPECT_FLOAT_EQ(f.bullet(bullet).position.x, 0.5f);
    f.harness.tick(kDt); // both go: destroyed at the next flush
    f.harness.tick(kDt);
    EXPECT_FALSE(f.bullets().is_alive(bullet));
    EXPECT_EQ(f.bullets().size(), 0u);
}

// A tick of a huge delta (a stalled frame, a recorded one) gives a path of millions of cells or more. Only its
// part over the grid is walked: the work stays that of a sprite's width, the hits are those of an ordinary
// tick, and a bullet that passes through still ends its tick the whole path on.
struct HugeTick {
    const char* name;
    float dt;
};

void PrintTo(const HugeTick& tick, std::ostream* os) { *os << tick.name; }

class BulletMoveHugeTick : public ::testing::TestWithParam<HugeTick> {};

TEST_P(BulletMoveHugeTick, WalksOnlyTheGridAndEndsTheWholePathOn) {
    BulletFixture f;
    const EntityId rock = f.add_rock(full_chunk());
    const glm::vec2 start(kStartX, kRow16);
    // Three hits: spent on cells 0 to 2 of row 16, as in an ordinary tick.
    const EntityId spent = f.add_bullet(start, {kSpeed, 0.0f}, 3);
    // Forty hits: clears row 15 (32 cells) and flies on.
    const float row15 = kRow16 - 1.0f / 32.0f;
    const EntityId through = f.add_bullet({kStartX, row15}, {kSpeed, 0.0f}, 40);
    const float dt = GetParam().dt;
    f.harness.tick(dt);

    // Both walks cross the 32 cells of the grid and its margins, a few dozen steps each.
    EXPECT_LE(f.system->cells_walked(), 2u * 64u);
    EXPECT_EQ(f.bullet(spent).dying, 1);
    EXPECT_EQ(f.bullet(spent).position, start);
    for (int32_t x = 0; x < 32; ++x) {
        EXPECT_EQ(f.cell_active(rock, x, 16), x >= 3) << x;
        EXPECT_FALSE(f.cell_active(rock, x, 15)) << x;
    }
    ASSERT_EQ(f.hits.events.size(), 3u + 32u);
    const BulletEntity& b = f.bullet(through);
    EXPECT_EQ(b.dying, 0);
    EXPECT_EQ(b.hits_left, 8);
    const double end = static_cast<double>(kStartX) + static_cast<double>(kSpeed) * static_cast<double>(dt);
    EXPECT_NEAR(b.position.x, end, end * 1e-4);
    EXPECT_FLOAT_EQ(b.position.y, row15);
}

INSTANTIATE_TEST_SUITE_P(Deltas, BulletMoveHugeTick,
                         ::testing::Values(HugeTick{"a_thousand_seconds", 1e3f}, HugeTick{"a_year", 3.2e7f},
                                           HugeTick{"the_longest_frame", SimulationClock::kMaxDeltaTime}),
                         [](const ::testing::TestParamInfo<HugeTick>& info) { return std::string(info.param.name); });

} // namespace
