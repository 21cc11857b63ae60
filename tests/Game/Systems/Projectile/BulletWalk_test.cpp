// The bullet walk on every kind of sprite grid (32-cell chunks with their occupancy rows, built with or without
// SSE2, and chunks of other sizes) against a plain cell-by-cell walk written from the bullet rule: the same
// bullets over the same sprites remove the same cells, report the same events and end the same, to the bit.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/ChunkRows.h"
#include "Engine/DestructibleSprite/GridRayWalk.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteCreateTreeSystem.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"
#include "Game/Systems/Projectile/BulletMoveSystem.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteBuilder.h"

using namespace test_support;

namespace {

constexpr float kDt = 1.0f / 60.0f;

// A sprite as the plain walk sees it: every cell's flags and colour by global cell, y * cells_x + x (flags 0
// where the sprite has no chunk).
struct PlainSprite {
    EntityId id;
    Transform transform;
    glm::vec2 linear_velocity{0.0f};
    float angular_velocity = 0.0f;
    glm::vec2 center_of_mass{0.0f};
    SpriteGrid grid;
    std::vector<uint16_t> flags;
    std::vector<uint32_t> colors;

    size_t at(glm::ivec2 cell) const {
        return static_cast<size_t>(cell.y) * grid.cells_x + static_cast<size_t>(cell.x);
    }
    bool active(glm::ivec2 cell) const { return grid.contains_cell(cell.x, cell.y) && cell_active(flags[at(cell)]); }
};

struct PlainBullet {
    EntityId owner;
    glm::vec2 position{0.0f};
    glm::vec2 velocity{0.0f};
    float life = 0.0f;
    int32_t hits_left = 0;
    int32_t hits_total = 0;
    float curve_sign = 0.0f;
    float curve_strength = 0.0f;
    uint8_t dying = 0;
};

// One tick of the bullet rule, cell by cell: the walk asks every cell it passes whether it is active, turns at
// each hit by the curve times the share of hits left, and stops at the first candidate that it bit into.
void plain_tick(std::vector<PlainBullet>& bullets, std::vector<PlainSprite>& sprites,
                const AxisAlignedAreaTree<EntityId>& tree, float dt, std::vector<BulletHitCellEvent>& events) {
    std::vector<int32_t> leaves;
    for (PlainBullet& b : bullets) {
        const glm::vec2 next = b.position + b.velocity * dt;
        if (b.dying != 0) {
            b.position = next;
            continue;
        }
        leaves.clear();
        tree.query(AxisAlignedArea::from_corners(b.position, next), leaves);
        glm::vec2 new_position = next;
        glm::vec2 new_velocity = b.velocity;
        const float curve = b.curve_strength * b.curve_sign * dt;
        bool spent = false;
        for (const int32_t leaf : leaves) {
            const EntityId id = tree.payload(leaf);
            if (id == b.owner) {
                continue;
            }
            PlainSprite* found = nullptr;
            for (PlainSprite& s : sprites) {
                if (s.id == id) {
                    found = &s;
                }
            }
            ASSERT_NE(found, nullptr);
            PlainSprite& s = *found;
            const glm::vec2 start = s.grid.local_to_cell(s.transform.to_local(b.position));
            const glm::vec2 end = s.grid.local_to_cell(s.transform.to_local(next));
            const VectorWithLength path = normalize_with_length(end - start);
            GridRayWalk walk(start, path.vector, path.length);
            bool hit = false;
            while (walk.in_range()) {
                const glm::ivec2 cell = walk.cell();
                if (!s.active(cell)) {
                    walk.step();
                    continue;
                }
                const glm::vec2 local = s.grid.cell_center_to_local(cell.x, cell.y);
                const glm::vec2 world = s.transform.to_world(local);
                const glm::vec2 body_velocity = point_velocity(s.linear_velocity, s.angular_velocity,
                                                               s.transform.to_world(s.center_of_mass), world);
                s.flags[s.at(cell)] |= kCellRemovedBit;
                const float share = static_cast<float>(b.hits_left) / static_cast<float>(b.hits_total);
                walk.redirect(direction_from_angle(angle_of(walk.direction()) + curve * share));
                hit = true;
                BulletHitCellEvent e;
                e.entity = id;
                e.cell_color = s.colors[s.at(cell)];
                e.cell_flags = s.flags[s.at(cell)];
                e.world_position = world;
                e.local_position = local;
                e.entity_angle = s.transform.angle;
                e.velocity = body_velocity + b.velocity;
                e.first_hit = b.hits_left == b.hits_total ? 1 : 0;
                events.push_back(e);
                b.hits_left -= 1;
                if (b.hits_left < 1) {
                    spent = true;
                    break;
                }
                walk.step();
            }
            if (spent) {
                break;
            }
            if (hit) {
                new_position = s.transform.to_world(s.grid.cell_to_local(walk.position()));
                new_velocity = normalize_or_zero(rotate(walk.direction(), s.transform.angle)) * glm::length(b.velocity);
                break;
            }
        }
        if (b.life < 0.0f || b.hits_left < 1) {
            b.dying = 1;
        } else {
            b.position = new_position;
            b.velocity = new_velocity;
            b.life -= dt;
        }
    }
}

struct WalkCase {
    const char* name;
    uint32_t chunk_size;
    glm::uvec2 chunks;
    bool simd_rows; // how the occupancy rows of 32-cell chunks are built
};

void PrintTo(const WalkCase& c, std::ostream* out) { *out << c.name; }

class BulletWalk : public testing::TestWithParam<WalkCase> {
protected:
    BulletWalk()
        : pool(GetParam().chunk_size, 1024, 64), harness([this](HarnessScene& scene) {
              EntityPool& entities = scene.entity_pool();
              entities.add_list<RockEntity>("RockEntity", &RockEntity::transform, &RockEntity::body,
                                            &RockEntity::sprite, &RockEntity::cores, &RockEntity::dirty,
                                            &RockEntity::marker);
              entities.add_list<BulletEntity>("BulletEntity", &BulletEntity::trail);
              scene.register_system<SpriteCreateTreeSystem>(SystemGroup::Tick, &tree);
              scene.register_system<BulletMoveSystem>(SystemGroup::Tick, scene, &tree);
          }),
          hits(harness.engine.event_bus()) {
        set_chunk_rows_simd(GetParam().simd_rows);
    }
    ~BulletWalk() override { set_chunk_rows_simd(true); }

    EntityList<RockEntity>& rocks() { return harness.scene->entity_pool().list<RockEntity>(); }
    EntityList<BulletEntity>& bullets() { return harness.scene->entity_pool().list<BulletEntity>(); }

    EntityId add_rock(glm::uvec2 chunks, const CellTypeAt& cells, glm::vec2 position, float angle) {
        RockEntity rock;
        rock.sprite = build_sprite(pool, chunks, cells);
        rock.transform.position = position;
        rock.transform.scale = glm::vec2(chunks) * 0.5f;
        rock.transform.angle = angle;
        rock.body = PhysicsBody(position, angle);
        rock.body.linear_velocity = {0.25f, -0.5f};
        rock.body.angular_velocity = 0.75f;
        rock.body.center_of_mass = {0.125f, -0.0625f};
        rock_ids.push_back(rocks().add(std::move(rock)));
        return rock_ids.back();
    }

    std::vector<PlainSprite> plain_sprites() {
        std::vector<PlainSprite> out;
        for (const EntityId id : rock_ids) {
            const RockEntity& rock = rocks().at(id);
            PlainSprite s;
            s.id = id;
            s.transform = rock.transform;
            s.linear_velocity = rock.body.linear_velocity;
            s.angular_velocity = rock.body.angular_velocity;
            s.center_of_mass = rock.body.center_of_mass;
            s.grid = rock.sprite.grid();
            s.flags.assign(static_cast<size_t>(s.grid.cells_x) * s.grid.cells_y, 0);
            s.colors.assign(s.flags.size(), 0);
            for (int32_t y = 0; y < static_cast<int32_t>(s.grid.cells_y); ++y) {
                for (int32_t x = 0; x < static_cast<int32_t>(s.grid.cells_x); ++x) {
                    const ChunkCell c = s.grid.to_chunk_cell(x, y);
                    if (rock.sprite.has_chunk(c.chunk)) {
                        const CellValue v = rock.sprite.get_cell(c.chunk, c.cell);
                        s.flags[s.at({x, y})] = v.flags;
                        s.colors[s.at({x, y})] = v.color;
                    }
                }
            }
            out.push_back(std::move(s));
        }
        return out;
    }

    std::vector<PlainBullet> plain_bullets() {
        std::vector<PlainBullet> out;
        for (const BulletEntity& b : bullets().entities()) {
            out.push_back({b.owner, b.position, b.velocity, b.life, b.hits_left, b.hits_total, b.curve_sign,
                           b.curve_strength, b.dying});
        }
        return out;
    }

    SpriteChunkPool pool;
    std::vector<EntityId> rock_ids;
    AxisAlignedAreaTree<EntityId> tree;
    SceneHarness harness;
    EventRecorder<BulletHitCellEvent> hits;
};

// A ragged shape with holes, of every active cell type, with one chunk left out where the grid has more than one.
CellTypeAt ragged(glm::uvec2 cells, uint32_t chunk_size) {
    return [cells, chunk_size](int32_t x, int32_t y) -> uint32_t {
        const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(cells.x) * 2.0f - 1.0f;
        const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(cells.y) * 2.0f - 1.0f;
        if (u * u + v * v > 1.1f || (x * 7 + y * 13) % 11 == 0) {
            return 0;
        }
        const auto cx = static_cast<uint32_t>(x) / chunk_size;
        const auto cy = static_cast<uint32_t>(y) / chunk_size;
        if (cells.x > chunk_size && cx == 1 && cy == 0) {
            return 0;
        }
        return 1 + static_cast<uint32_t>(x * 3 + y) % 10;
    };
}

TEST_P(BulletWalk, RemovesTheCellsAPlainWalkRemoves) {
    const WalkCase& param = GetParam();
    const glm::uvec2 cells = param.chunks * param.chunk_size;
    const EntityId big = add_rock(param.chunks, ragged(cells, param.chunk_size), {0.0f, 0.0f}, 0.3f);
    // A second sprite over a corner of the first: where both lie on a bullet's path the tree's order decides.
    add_rock(
        {1, 1},
        filled_box({1, 1}, {static_cast<int32_t>(param.chunk_size) - 2, static_cast<int32_t>(param.chunk_size) - 2}),
        {glm::vec2(param.chunks) * 0.3f}, -1.1f);

    std::mt19937 draw(1234);
    const auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(draw); };
    const glm::vec2 reach = glm::vec2(param.chunks) * 0.5f + 1.0f;
    TrailSettings long_trail;
    long_trail.max_points = 64;
    long_trail.min_segment = 0.0f;
    long_trail.max_length = 0.0f;
    for (int32_t i = 0; i < 300; ++i) {
        BulletEntity b;
        b.position = {uniform(-reach.x, reach.x), uniform(-reach.y, reach.y)};
        // From a few cells a tick to more than a chunk.
        b.velocity = direction_from_angle(uniform(-3.1415926f, 3.1415926f)) * uniform(3.0f, 90.0f);
        b.life = uniform(0.0f, 0.1f);
        b.hits_left = static_cast<int32_t>(draw() % 40) + 1;
        b.hits_total = b.hits_left + static_cast<int32_t>(draw() % 3);
        b.curve_sign = uniform(-1.0f, 1.0f);
        b.curve_strength = i % 3 == 0 ? 0.0f : uniform(0.0f, 40.0f);
        b.owner = i % 10 == 0 ? big : kInvalidEntityId;
        b.trail = Trail(long_trail);
        // Enough points that no dying bullet runs out of trail (and goes) during the test.
        for (int32_t k = 0; k < 40; ++k) {
            b.trail.add_point(b.position, 0.01f, 0xFFFFFFFFu);
        }
        bullets().add(std::move(b));
    }

    size_t total_hits = 0;
    size_t curved_hits = 0;
    std::vector<size_t> hits_of_sprite(rock_ids.size(), 0);
    for (int32_t tick = 0; tick < 6; ++tick) {
        std::vector<PlainSprite> sprites = plain_sprites();
        const std::vector<PlainBullet> before = plain_bullets();
        std::vector<PlainBullet> expected = before;
        hits.events.clear();
        harness.tick(kDt);
        std::vector<BulletHitCellEvent> expected_events;
        plain_tick(expected, sprites, tree, kDt, expected_events);

        ASSERT_EQ(hits.events.size(), expected_events.size()) << "tick " << tick;
        for (size_t i = 0; i < expected_events.size(); ++i) {
            const BulletHitCellEvent& got = hits.events[i];
            const BulletHitCellEvent& want = expected_events[i];
            ASSERT_EQ(got.entity, want.entity) << "tick " << tick << " event " << i;
            ASSERT_EQ(got.local_position, want.local_position) << "tick " << tick << " event " << i;
            EXPECT_EQ(got.world_position, want.world_position) << "tick " << tick << " event " << i;
            EXPECT_EQ(got.cell_color, want.cell_color) << "tick " << tick << " event " << i;
            EXPECT_EQ(got.cell_flags, want.cell_flags) << "tick " << tick << " event " << i;
            EXPECT_EQ(got.entity_angle, want.entity_angle) << "tick " << tick << " event " << i;
            EXPECT_EQ(got.velocity, want.velocity) << "tick " << tick << " event " << i;
            EXPECT_EQ(got.first_hit, want.first_hit) << "tick " << tick << " event " << i;
        }
        const auto& got_bullets = bullets().entities();
        ASSERT_EQ(got_bullets.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            const BulletEntity& got = got_bullets[i];
            const PlainBullet& want = expected[i];
            ASSERT_EQ(got.position, want.position) << "tick " << tick << " bullet " << i;
            ASSERT_EQ(got.velocity, want.velocity) << "tick " << tick << " bullet " << i;
            EXPECT_EQ(got.hits_left, want.hits_left) << "tick " << tick << " bullet " << i;
            EXPECT_EQ(got.dying, want.dying) << "tick " << tick << " bullet " << i;
            EXPECT_EQ(got.life, want.life) << "tick " << tick << " bullet " << i;
            if (want.curve_strength != 0.0f && want.hits_left < before[i].hits_left) {
                curved_hits += 1;
            }
        }
        // Every cell of every sprite as the plain walk left it.
        const std::vector<PlainSprite> after = plain_sprites();
        for (size_t s = 0; s < after.size(); ++s) {
            ASSERT_EQ(after[s].flags, sprites[s].flags) << "tick " << tick << " sprite " << s;
        }
        total_hits += expected_events.size();
        for (const BulletHitCellEvent& e : expected_events) {
            for (size_t s = 0; s < rock_ids.size(); ++s) {
                hits_of_sprite[s] += e.entity == rock_ids[s] ? 1 : 0;
            }
        }
    }
    // The bullets bit deep enough, and turned, for the comparison to mean something.
    EXPECT_GT(total_hits, 500u);
    EXPECT_GT(curved_hits, 50u);
    for (const size_t n : hits_of_sprite) {
        EXPECT_GT(n, 10u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grids, BulletWalk,
    testing::Values(WalkCase{"Rows32Simd", 32, {2, 2}, true}, WalkCase{"Rows32Plain", 32, {2, 2}, false},
                    WalkCase{"Rows32ThreeWideSimd", 32, {3, 2}, true},
                    WalkCase{"Rows32ThreeWidePlain", 32, {3, 2}, false}, WalkCase{"Chunks16", 16, {4, 2}, false},
                    WalkCase{"Chunks16ThreeWide", 16, {3, 3}, true}, WalkCase{"Chunks8", 8, {5, 3}, true}),
    [](const testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

} // namespace
