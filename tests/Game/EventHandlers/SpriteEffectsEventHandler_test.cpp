#include <gtest/gtest.h>

#include <cmath>
#include <variant>
#include <vector>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/LightningEvent.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Graphics/SpawnCellParticleEvent.h"
#include "Engine/Math/Constants.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Game/EventHandlers/SpriteEffectsEventHandler.h"
#include "Support/GameWorld.h"

namespace {

struct BodyEntity {
    Transform transform;
    PhysicsBody body;
};
struct BareEntity {
    Transform transform;
};

// Everything the handler publishes, in publication order.
struct Published {
    explicit Published(EventBus& bus) : bus(&bus) {
        bus.subscribe<SpawnCellParticleEvent>(this);
        bus.subscribe<SpawnParticleEvent>(this);
        bus.subscribe<SpawnLightningEvent>(this);
    }
    ~Published() { bus->unsubscribe_all(this); }
    void handle(const SpawnCellParticleEvent& e) { events.emplace_back(e); }
    void handle(const SpawnParticleEvent& e) { events.emplace_back(e); }
    void handle(const SpawnLightningEvent& e) { events.emplace_back(e); }

    EventBus* bus;
    std::vector<std::variant<SpawnCellParticleEvent, SpawnParticleEvent, SpawnLightningEvent>> events;
};

struct Effects {
    Effects() : assets(test_support::load_game_assets()) {
        pool.add_list<BodyEntity>("BodyEntity", &BodyEntity::transform, &BodyEntity::body);
        pool.add_list<BareEntity>("BareEntity", &BareEntity::transform);
        BodyEntity rock;
        rock.body.set_mass_inertia(2.0f, 1.0f);
        body = pool.list<BodyEntity>().add(std::move(rock));
        bare = pool.list<BareEntity>().add(BareEntity{});
    }

    void run() {
        bus.dispatch();
        bus.dispatch(); // whatever the handler published
    }
    PhysicsBody& body_of() { return pool.list<BodyEntity>().at(body).body; }

    EventBus bus;
    AssetPackage assets;
    EntityPool pool;
    SpriteEffectsEventHandler handler{bus, assets, pool};
    Published published{bus};
    EntityId body;
    EntityId bare;
};

BulletHitCellEvent hit(EntityId entity, uint32_t direction, float entity_angle, glm::vec2 velocity, bool first) {
    BulletHitCellEvent e;
    e.entity = entity;
    e.cell_color = 0xFF3366CCu;
    e.cell_flags = with_edge(static_cast<uint16_t>(CellType::Filled) | kCellRemovedBit, EdgeSide, direction);
    e.world_position = {1.0f, 2.0f};
    e.local_position = {0.25f, -0.5f};
    e.entity_angle = entity_angle;
    e.velocity = velocity;
    e.first_hit = first ? 1 : 0;
    return e;
}

TEST(SpriteEffectsEventHandler, EachCellGivesItsChipThenItsSparkAndOnlyTheFirstHitPushes) {
    Effects f;
    random_seed(8);
    const float s1 = random_range(1.0f, 10.0f);
    const float s2 = random_range(1.0f, 10.0f);
    random_seed(8);
    const glm::vec2 v(3.0f, 4.0f);
    f.bus.publish(hit(f.body, 2, kPi / 2.0f, v, true));
    f.bus.publish(hit(f.body, 0, 0.0f, v, false));
    f.run();

    ASSERT_EQ(f.published.events.size(), 4u);
    const auto& chip = std::get<SpawnCellParticleEvent>(f.published.events[0]);
    const auto& spark = std::get<SpawnParticleEvent>(f.published.events[1]);
    const auto& chip2 = std::get<SpawnCellParticleEvent>(f.published.events[2]);
    const auto& spark2 = std::get<SpawnParticleEvent>(f.published.events[3]);
    EXPECT_EQ(chip.entity, f.body);
    ASSERT_EQ(chip.cells.size(), 1u);
    EXPECT_EQ(chip.cells[0].world_position, glm::vec2(1.0f, 2.0f));
    EXPECT_EQ(chip.cells[0].local_position, glm::vec2(0.25f, -0.5f));
    EXPECT_EQ(chip.cells[0].angle, kPi / 2.0f);
    EXPECT_NEAR(glm::distance(chip.cells[0].velocity, glm::vec2(0.6f, 0.8f) * s1), 0.0f, 1e-5f);
    EXPECT_EQ(chip.cells[0].angular_velocity, 0.0f);
    EXPECT_EQ(chip.cells[0].color, 0xFF3366CCu);
    EXPECT_NEAR(glm::distance(chip2.cells[0].velocity, glm::vec2(0.6f, 0.8f) * s2), 0.0f, 1e-5f);

    // Direction 2 (right) on an entity turned a quarter turn sparks straight up; direction 0 unturned too.
    EXPECT_NEAR(spark.angle, kPi / 2.0f, 1e-6f);
    EXPECT_EQ(spark.position, glm::vec2(1.0f, 2.0f));
    EXPECT_NEAR(spark2.angle, kPi / 2.0f, 1e-6f);
    const ParticleSpawnSettings& asset = f.assets.get_by_name<ParticleAsset>("engine/particles/spark").spawn;
    EXPECT_EQ(spark.settings.life.max, asset.life.max);
    EXPECT_EQ(spark.settings.velocity.max, asset.velocity.max);

    // One impulse of 0.01 along the velocity at the cell; the second hit adds nothing.
    const PhysicsBody& b = f.body_of();
    EXPECT_NEAR(b.linear_velocity.x, 0.6f * 0.01f / 2.0f, 1e-7f);
    EXPECT_NEAR(b.linear_velocity.y, 0.8f * 0.01f / 2.0f, 1e-7f);
    EXPECT_NEAR(b.angular_velocity, cross({0.25f, -0.5f}, glm::vec2(0.6f, 0.8f) * 0.01f), 1e-7f);
}

TEST(SpriteEffectsEventHandler, EdgeDirectionsGoClockwiseFromUp) {
    const float c = std::sqrt(0.5f);
    const glm::vec2 expected[8] = {{0, 1}, {c, c}, {1, 0}, {c, -c}, {0, -1}, {-c, -c}, {-1, 0}, {-c, c}};
    for (uint32_t d = 0; d < 8; ++d) {
        const glm::vec2 got = cell_edge_direction(with_edge(1, EdgeCorner, d));
        EXPECT_NEAR(got.x, expected[d].x, 1e-6f) << d;
        EXPECT_NEAR(got.y, expected[d].y, 1e-6f) << d;
    }
}

// No body, a body gone before the dispatch, no velocity: the two events still come and nothing breaks.
TEST(SpriteEffectsEventHandler, NoBodyGoneBodyAndZeroVelocity) {
    Effects f;
    f.bus.publish(hit(f.bare, 4, 0.0f, {1.0f, 0.0f}, true));
    f.run();
    EXPECT_EQ(f.published.events.size(), 2u);

    f.published.events.clear();
    f.bus.publish(hit(f.body, 4, 0.0f, {0.0f, 0.0f}, true));
    f.run();
    ASSERT_EQ(f.published.events.size(), 2u);
    const glm::vec2 chip = std::get<SpawnCellParticleEvent>(f.published.events[0]).cells[0].velocity;
    EXPECT_EQ(chip, glm::vec2(0.0f));
    EXPECT_EQ(f.body_of().linear_velocity, glm::vec2(0.0f));
    EXPECT_TRUE(std::isfinite(f.body_of().angular_velocity));

    f.published.events.clear();
    f.pool.list<BodyEntity>().destroy_deferred(f.body);
    f.pool.flush();
    f.bus.publish(hit(f.body, 4, 0.0f, {1.0f, 0.0f}, true));
    f.run();
    EXPECT_EQ(f.published.events.size(), 2u);
}

struct CoreCase {
    uint32_t type;
    size_t bolts;
};

class SpriteEffectsCoreExploded : public ::testing::TestWithParam<CoreCase> {};

TEST_P(SpriteEffectsCoreExploded, OnlyWeakPointsThrowLightning) {
    Effects f;
    random_seed(30);
    const glm::vec2 to = random_in_disc_radius_range(1.0f, 3.0f);
    const int32_t segments = random_int_range(5, 50);
    const float branch = random_range(0.0f, 1.0f);
    const float timing = random_range(4.0f, 32.0f);
    random_seed(30);
    const glm::vec2 at(-2.0f, 5.0f);
    f.bus.publish(SpriteCoreExplodedEvent{f.body, at, 40, GetParam().type});
    f.run();
    ASSERT_EQ(f.published.events.size(), GetParam().bolts);
    if (GetParam().bolts == 0) {
        return;
    }
    const auto& first = std::get<SpawnLightningEvent>(f.published.events[0]);
    EXPECT_EQ(first.from, at);
    EXPECT_EQ(first.to, at + to);
    EXPECT_EQ(first.segment_count, segments);
    EXPECT_EQ(first.branch_factor, branch);
    EXPECT_EQ(first.offset_scale, 5.0f);
    EXPECT_EQ(first.timing, timing);
    for (const auto& e : f.published.events) {
        const auto& bolt = std::get<SpawnLightningEvent>(e);
        const float reach = glm::distance(bolt.to, at);
        EXPECT_GE(reach, 1.0f - 1e-5f);
        EXPECT_LE(reach, 3.0f + 1e-5f);
        EXPECT_GE(bolt.segment_count, 5);
        EXPECT_LT(bolt.segment_count, 50);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, SpriteEffectsCoreExploded,
                         ::testing::Values(CoreCase{2, 0}, CoreCase{3, 100}, CoreCase{4, 100}, CoreCase{5, 100},
                                           CoreCase{6, 100}, CoreCase{7, 0}, CoreCase{10, 0}));

} // namespace
