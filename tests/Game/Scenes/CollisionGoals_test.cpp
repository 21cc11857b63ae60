// What a physicist checks of the collision, on the real scene's bodies: one-chunk rocks (32 x 32 full cells) from
// the real factory, fixed ticks of 1/60 s, damping zeroed after the first tick. Each row runs with the drawn
// Transforms at the start (share 0), the middle (0.5) and the end (1) of the step between two fixed poses: the
// simulation must not care where drawing puts them. The scene's own ship and "hello" lie far off at the origin.

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Factory/EntityFactory.h"
#include "GameSceneFixture.h"
#include "Support/SpriteFixtures.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;
// Far from the ship and "hello" at the origin.
const glm::vec2 kPlace{40.0f, 30.0f};

struct Bodies {
    static constexpr uint8_t kTag = 100;
    GameSceneFixture f;
    float share = 0.0f;
    size_t m_count = 0;

    GameScene& scene() { return *f.scene; }
    std::vector<RockEntity>& rocks() { return scene().entity_pool().list<RockEntity>().entities(); }

    // A plank of the rock's height, `thick` cells wide, standing across the x axis; or a box with walls 16 cells
    // thick around a hollow of 4 x 4 units. Added to the scene's assets so the factory builds them as it builds rocks.
    Uuid add_asset(const std::string& name, SpriteAsset asset) {
        asset.metadata.name = name;
        asset.metadata.uuid = Uuid{};
        asset.metadata.uuid[0] = static_cast<uint8_t>(0xA0 + scene().assets().sprites.m_assets.size() % 32);
        asset.metadata.uuid[15] = 0x5A;
        scene().assets().sprites.m_assets.push_back(std::move(asset));
        return scene().assets().sprites.m_assets.back().metadata.uuid;
    }

    void add(const Uuid& sprite, glm::vec2 position, glm::vec2 velocity, float spin = 0.0f) {
        RockRequest r;
        r.sprite = sprite;
        r.position = kPlace + position;
        r.velocity = velocity;
        r.angular_velocity = spin;
        scene().factory().create_rock(r);
    }
    void add_chunk(glm::vec2 position, glm::vec2 velocity, float spin = 0.0f) {
        add(scene().assets().get_id_by_name<SpriteAsset>("Chunk"), position, velocity, spin);
    }

    // The rocks added here, in the order they were added: tagged once they are in, since others come and go.
    RockEntity& rock(size_t i) {
        for (RockEntity& r : rocks()) {
            if (r.marker.value == kTag + i) {
                return r;
            }
        }
        throw std::out_of_range("no such rock");
    }
    size_t count() const { return m_count; }

    // The first tick brings the rocks in and gives them their mass; then their damping goes.
    void start() {
        tick();
        for (RockEntity& r : rocks()) {
            if (glm::length(r.body.position - kPlace) < 20.0f) {
                r.marker.value = static_cast<uint8_t>(kTag + m_count++);
                r.body.linear_damping = 0.0f;
                r.body.angular_damping = 0.0f;
            }
        }
    }
    void tick() { f.tick(kDt, true, share); }
};

glm::vec2 center_of_mass(const RockEntity& r) {
    return r.body.transform(r.transform.scale).to_world(r.body.center_of_mass);
}

// Cells of a whose centres lie in live cells of b, both placed where their bodies are.
int32_t overlap_cells(const RockEntity& a, const RockEntity& b) {
    const Transform pa = a.body.transform(a.transform.scale);
    const Transform pb = b.body.transform(b.transform.scale);
    const SpriteGrid& ga = a.sprite.grid();
    const SpriteGrid& gb = b.sprite.grid();
    int32_t n = 0;
    for (int32_t y = 0; y < static_cast<int32_t>(ga.cells_y); ++y) {
        for (int32_t x = 0; x < static_cast<int32_t>(ga.cells_x); ++x) {
            const ChunkCell at = ga.to_chunk_cell(x, y);
            if (!a.sprite.is_cell_active(at.chunk, at.cell)) {
                continue;
            }
            const glm::vec2 g = gb.local_to_cell(pb.to_local(pa.to_world(ga.cell_center_to_local(x, y))));
            const auto bx = static_cast<int32_t>(std::floor(g.x));
            const auto by = static_cast<int32_t>(std::floor(g.y));
            if (bx < 0 || by < 0 || bx >= static_cast<int32_t>(gb.cells_x) || by >= static_cast<int32_t>(gb.cells_y)) {
                continue;
            }
            const ChunkCell other = gb.to_chunk_cell(bx, by);
            n += b.sprite.is_cell_active(other.chunk, other.cell) ? 1 : 0;
        }
    }
    return n;
}

float cross2(glm::vec2 a, glm::vec2 b) { return a.x * b.y - a.y * b.x; }

class CollisionGoals : public ::testing::TestWithParam<float> {};

std::string share_name(const ::testing::TestParamInfo<float>& info) {
    return fmt::format("share_{}", static_cast<int>(std::lround(info.param * 10.0f)));
}

// The first contact of two rocks closing head-on at 2 v falls at eighths of a step; the worst overlap counts.
// Goal: no more than one column of cells (32) up to 20 units/s, three (96) up to 40, and never through.
TEST_P(CollisionGoals, HeadOnRocksStopAtTheirFirstContact) {
    for (const float v : {5.0f, 20.0f, 40.0f}) {
        const int32_t allowed = v <= 20.0f ? 32 : 96;
        int32_t worst = 0;
        bool through = false;
        for (int k = 0; k < 8; ++k) {
            Bodies w;
            w.share = GetParam();
            // Three steps and k eighths of a step apart, counted from the end of the first tick.
            const float gap = 2.0f * v * kDt * (4.0f + static_cast<float>(k) / 8.0f);
            w.add_chunk({-0.5f - 0.5f * gap, 0.0f}, {v, 0.0f});
            w.add_chunk({0.5f + 0.5f * gap, 0.0f}, {-v, 0.0f});
            w.start();
            for (int t = 0; t < 30; ++t) {
                w.tick();
                worst = std::max({worst, overlap_cells(w.rock(0), w.rock(1)), overlap_cells(w.rock(1), w.rock(0))});
                through = through || !(center_of_mass(w.rock(0)).x < center_of_mass(w.rock(1)).x);
            }
        }
        EXPECT_LE(worst, allowed) << v << " units/s";
        EXPECT_FALSE(through) << v << " units/s";
        RecordProperty(fmt::format("overlap_at_{}", static_cast<int>(v)), worst);
    }
}

// A rock at 40 units/s into a free plank as tall as the rock and 2 or 4 cells thick: the plank is pushed ahead,
// the rock never comes out on its far side.
TEST_P(CollisionGoals, ThinFreeWallsHoldAFastRock) {
    for (const int32_t thick : {2, 4}) {
        bool through = false;
        int32_t worst = 0;
        for (int k = 0; k < 8; ++k) {
            Bodies w;
            w.share = GetParam();
            const Uuid plank = w.add_asset(fmt::format("plank_{}", thick),
                                           test_support::make_rect_asset(32, 32, 16 - thick / 2, 0, thick, 32, 1));
            const float v = 40.0f;
            const float gap = v * kDt * (4.0f + static_cast<float>(k) / 8.0f);
            w.add_chunk({-0.5f - gap, 0.0f}, {v, 0.0f});
            w.add(plank, {0.0f, 0.0f}, {0.0f, 0.0f});
            w.start();
            for (int t = 0; t < 30; ++t) {
                w.tick();
                worst = std::max(worst, overlap_cells(w.rock(0), w.rock(1)));
                through = through || !(center_of_mass(w.rock(0)).x < center_of_mass(w.rock(1)).x);
            }
        }
        EXPECT_FALSE(through) << thick << " cells thick";
        RecordProperty(fmt::format("wall_{}_overlap", thick), worst);
    }
}

// A glancing blow (half the rocks' height overlaps in y): what one rock gives the other it takes from itself.
// Linear momentum stays to float precision; angular momentum about a fixed point (each body's own inertia
// and spin, plus its centre's moment) within 1 %.
TEST_P(CollisionGoals, AGlancingContactKeepsMomentum) {
    for (const float v : {5.0f, 20.0f}) {
        float worst_linear = 0.0f;
        float worst_angular = 0.0f;
        for (int k = 0; k < 8; ++k) {
            Bodies w;
            w.share = GetParam();
            const float gap = v * kDt * (4.0f + static_cast<float>(k) / 8.0f);
            w.add_chunk({-0.5f - gap, -0.25f}, {v, 0.0f});
            w.add_chunk({0.5f, 0.25f}, {0.0f, 0.0f});
            w.start();
            const auto momenta = [&w](glm::vec2& p, float& l) {
                p = glm::vec2(0.0f);
                l = 0.0f;
                for (size_t i = 0; i < w.count(); ++i) {
                    const PhysicsBody& b = w.rock(i).body;
                    p += b.get_mass() * b.linear_velocity;
                    l += b.get_mass() * cross2(center_of_mass(w.rock(i)) - kPlace, b.linear_velocity) +
                         b.get_inertia() * b.angular_velocity;
                }
            };
            glm::vec2 p0;
            float l0 = 0.0f;
            momenta(p0, l0);
            bool touched = false;
            for (int t = 0; t < 30; ++t) {
                w.tick();
                touched = touched || glm::length(w.rock(1).body.linear_velocity) > 0.0f;
            }
            ASSERT_TRUE(touched) << "the rocks must meet";
            glm::vec2 p1;
            float l1 = 0.0f;
            momenta(p1, l1);
            worst_linear = std::max(worst_linear, glm::length(p1 - p0) / glm::length(p0));
            worst_angular = std::max(worst_angular, std::fabs(l1 - l0) / std::fabs(l0));
        }
        EXPECT_LE(worst_linear, 1e-5f) << v << " units/s";
        EXPECT_LE(worst_angular, 0.01f) << v << " units/s";
        RecordProperty(fmt::format("angular_momentum_change_at_{}", static_cast<int>(v)),
                       fmt::format("{:.4f}", worst_angular));
    }
}

// A free rock at 10 units/s spinning at 25 rad/s: its centre of mass travels along its velocity.
TEST_P(CollisionGoals, ASpinningRockFliesAlongItsVelocity) {
    Bodies w;
    w.share = GetParam();
    const glm::vec2 velocity{6.0f, 8.0f};
    w.add_chunk({0.0f, 0.0f}, velocity, 25.0f);
    w.start();
    const glm::vec2 from = center_of_mass(w.rock(0));
    const glm::vec2 v = w.rock(0).body.linear_velocity;
    for (int t = 0; t < 30; ++t) {
        w.tick();
    }
    const glm::vec2 moved = center_of_mass(w.rock(0)) - from;
    const float off = std::fabs(std::atan2(cross2(v, moved), glm::dot(v, moved))) * 180.0f / std::numbers::pi_v<float>;
    EXPECT_LT(off, 0.5f) << "degrees between the path and the velocity";
    EXPECT_NEAR(glm::length(moved), glm::length(v) * 30.0f * kDt, 1e-3f);
}

// Nine rocks resting in three rows on the floor of a box that does not move, under a gravity of 5 units/s^2 for
// ten seconds: they neither gain energy nor leave the box.
TEST_P(CollisionGoals, ARestingPileInABoxStaysAtRest) {
    Bodies w;
    w.share = GetParam();
    // 160 x 160 cells, 5 units wide: walls of 16 cells (half a unit) around a hollow from -2 to 2.
    const Uuid box = w.add_asset("box", test_support::make_asset_from(160, 160, [](int32_t x, int32_t y) -> uint16_t {
                                     return x < 16 || y < 16 || x >= 144 || y >= 144 ? 1 : 0;
                                 }));
    w.add(box, {0.0f, 0.0f}, {0.0f, 0.0f});
    const float gap = 1.0f / 64.0f;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            w.add_chunk({-1.0f - gap + static_cast<float>(col) * (1.0f + gap),
                         -1.5f + gap + static_cast<float>(row) * (1.0f + gap)},
                        {0.0f, 0.0f});
        }
    }
    w.start();
    PhysicsBody& walls = w.rock(0).body;
    walls.inverse_mass = 0.0f;
    walls.inverse_inertia = 0.0f;
    constexpr float kGravity = 5.0f;
    float mass = 0.0f;
    for (size_t i = 1; i < w.count(); ++i) {
        mass += w.rock(i).body.get_mass();
    }
    // The energy one step of gravity gives the pile at rest.
    const float step_energy = 0.5f * mass * (kGravity * kDt) * (kGravity * kDt);
    float first_half = 0.0f;
    float second_half = 0.0f;
    bool left = false;
    for (int t = 0; t < 600; ++t) {
        for (size_t i = 1; i < w.count(); ++i) {
            w.rock(i).body.linear_velocity.y -= kGravity * kDt;
        }
        w.tick();
        float energy = 0.0f;
        for (size_t i = 1; i < w.count(); ++i) {
            const PhysicsBody& b = w.rock(i).body;
            energy += 0.5f * b.get_mass() * length_squared(b.linear_velocity) +
                      0.5f * b.get_inertia() * b.angular_velocity * b.angular_velocity;
            const glm::vec2 c = center_of_mass(w.rock(i)) - kPlace;
            left = left || !(std::fabs(c.x) < 2.0f && std::fabs(c.y) < 2.0f);
        }
        (t < 300 ? first_half : second_half) = std::max(t < 300 ? first_half : second_half, energy);
    }
    EXPECT_FALSE(left) << "a rock left the box";
    EXPECT_LE(second_half, first_half) << "the pile gained energy";
    RecordProperty("energy_of_one_step_of_gravity", fmt::format("{:.6f}", step_energy));
    RecordProperty("energy_first_half", fmt::format("{:.6f}", first_half));
    RecordProperty("energy_second_half", fmt::format("{:.6f}", second_half));
}

INSTANTIATE_TEST_SUITE_P(Shares, CollisionGoals, ::testing::Values(0.0f, 0.5f, 1.0f), share_name);

// Every float of every rock's body, for bit-for-bit comparisons.
std::string world_bits(Bodies& w) {
    std::string out;
    for (size_t i = 0; i < w.count(); ++i) {
        const PhysicsBody& b = w.rock(i).body;
        for (const float f :
             {b.position.x, b.position.y, b.angle, b.linear_velocity.x, b.linear_velocity.y, b.angular_velocity}) {
            out += fmt::format("{:08x} ", std::bit_cast<uint32_t>(f));
        }
        out += '\n';
    }
    return out;
}

// The same fixed ticks reached through different frames: one fixed tick a frame; each fixed tick the third of
// three frames; a frame at a share of 0.9 before each fixed tick. The frames between fixed ticks only move the
// drawn Transforms, so the world comes out the same bit for bit.
TEST(CollisionFrames, TheSameFixedTicksGiveTheSameWorldHoweverTheFramesSplitThem) {
    std::vector<std::string> worlds;
    for (int schedule = 0; schedule < 3; ++schedule) {
        Bodies w;
        // Head-on at 20 units/s, and a glancing pair that spins.
        w.add_chunk({-1.3f, 0.0f}, {20.0f, 0.0f}, 3.0f);
        w.add_chunk({1.3f, 0.1f}, {-20.0f, 0.0f});
        w.add_chunk({-1.2f, 4.0f}, {10.0f, 0.0f}, -7.0f);
        w.add_chunk({0.5f, 4.6f}, {0.0f, 0.0f});
        w.start();
        uint32_t number = w.f.ticks;
        const auto frame = [&](float delta, bool fixed, float share) {
            SimulationTick tick = test_support::make_tick(++number, kDt, fixed, share);
            tick.delta_time = delta;
            w.f.scene->engine_tick(tick);
            w.f.engine.event_bus().dispatch();
        };
        for (int t = 0; t < 40; ++t) {
            switch (schedule) {
            case 0:
                frame(kDt, true, 0.0f);
                break;
            case 1:
                frame(kDt / 3.0f, false, 1.0f / 3.0f);
                frame(kDt / 3.0f, false, 2.0f / 3.0f);
                frame(kDt / 3.0f, true, 0.0f);
                break;
            default:
                frame(0.9f * kDt, false, 0.9f);
                frame(0.1f * kDt, true, 0.0f);
                break;
            }
        }
        worlds.push_back(world_bits(w));
    }
    EXPECT_EQ(worlds[1], worlds[0]) << "three frames a fixed tick";
    EXPECT_EQ(worlds[2], worlds[0]) << "a share of 0.9 before each fixed tick";
}

} // namespace
