#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Game/Components/ItemSink.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Systems/Item/ItemMoveSystem.h"
#include "Game/Systems/Item/ItemPickupEvent.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

constexpr float kDt = 1.0f / 60.0f;

struct ItemFixture {
    ItemFixture()
        : harness([](HarnessScene& scene) {
              register_game_entity_lists(scene.entity_pool());
              scene.register_system<ItemMoveSystem>(SystemGroup::Tick, scene);
          }),
          pickups(harness.engine.event_bus()) {
        random_seed(5489);
    }

    EntityList<ItemEntity>& items() { return harness.scene->entity_pool().list<ItemEntity>(); }
    EntityList<PlayerEntity>& sinks() { return harness.scene->entity_pool().list<PlayerEntity>(); }

    // A sink whose centre of mass sits on `position`.
    EntityId add_sink(glm::vec2 position, glm::vec2 velocity = glm::vec2(0.0f)) {
        PlayerEntity sink;
        sink.transform.position = position;
        sink.body = PhysicsBody(position, 0.0f);
        sink.body.linear_velocity = velocity;
        return sinks().add(std::move(sink));
    }

    // An item as the factory makes it, with its delay already over unless told otherwise.
    EntityId add_item(glm::vec2 position, uint32_t kind = ItemKindCore, float attraction_timer = 1.0f) {
        ItemEntity item;
        item.kind = kind;
        item.position = position;
        item.attraction_delay = 0.6f;
        item.attraction_timer = attraction_timer;
        item.flight_duration = 1.0f;
        item.life = 15.0f;
        item.attraction_radius = 1.0f;
        return items().add(std::move(item));
    }

    ItemEntity& item(EntityId id) { return items().at(id); }
    ItemSink& sink(EntityId id) { return sinks().at(id).item_sink; }
    void tick(float dt = kDt) { harness.tick(dt); }

    SceneHarness harness;
    EventRecorder<ItemPickupEvent> pickups;
};

TEST(ItemMoveSystem, FreeItemDriftsSpinsDampsAndExpiresWithItsLife) {
    ItemFixture f;
    const EntityId id = f.add_item(glm::vec2(0.0f), ItemKindHealth, 0.0f);
    f.item(id).velocity = glm::vec2(6.0f, 0.0f);
    f.item(id).angular_velocity = 2.0f;
    f.item(id).damping = 3.0f;
    f.item(id).life = 0.03f;
    f.tick();
    const ItemEntity& moved = f.item(id);
    EXPECT_FLOAT_EQ(moved.position.x, 6.0f * kDt);
    EXPECT_FLOAT_EQ(moved.angle, 2.0f * kDt);
    EXPECT_FLOAT_EQ(moved.velocity.x, 6.0f * (1.0f - 3.0f * kDt));
    EXPECT_FLOAT_EQ(moved.angular_velocity, 2.0f * (1.0f - 3.0f * kDt));
    EXPECT_EQ(f.items().pending_destroy_count(), 0u);
    f.tick(); // life runs out: it still moves in this tick and leaves at the next flush
    EXPECT_GT(f.item(id).position.x, moved.position.x - 1e-6f);
    EXPECT_EQ(f.items().pending_destroy_count(), 1u);
    f.tick();
    EXPECT_EQ(f.items().size(), 0u);
    EXPECT_TRUE(f.pickups.events.empty());
}

TEST(ItemMoveSystem, NothingIsCapturedBeforeTheAttractionDelay) {
    ItemFixture f;
    const EntityId sink = f.add_sink(glm::vec2(0.0f));
    const EntityId id = f.add_item(glm::vec2(0.5f, 0.0f), ItemKindCore, 0.0f);
    f.tick();
    EXPECT_EQ(f.item(id).target, kInvalidEntityId);
    f.item(id).attraction_timer = 0.6f - kDt;
    f.tick();
    EXPECT_EQ(f.item(id).target, sink);
}

struct RadiusCase {
    const char* name;
    float distance;
    bool captured;
    bool kicked;
};

class ItemCaptureRadius : public testing::TestWithParam<RadiusCase> {};

TEST_P(ItemCaptureRadius, OnlyASinkStrictlyInsideTheRadiusCaptures) {
    const RadiusCase& c = GetParam();
    ItemFixture f;
    const EntityId sink = f.add_sink(glm::vec2(c.distance, 0.0f));
    const EntityId id = f.add_item(glm::vec2(0.0f));
    f.tick();
    const ItemEntity& item = f.item(id);
    EXPECT_EQ(item.target == sink, c.captured);
    EXPECT_TRUE(std::isfinite(item.velocity.x) && std::isfinite(item.velocity.y));
    EXPECT_EQ(f.sink(sink).incoming[ItemKindCore], c.captured ? 1 : 0);
    EXPECT_EQ(f.sink(sink).incoming[ItemKindHealth], 0);
    if (c.kicked) {
        // The kick: 4 to 8 units per second, turned at most one radian from straight away from the sink.
        const float speed = std::sqrt(item.velocity.x * item.velocity.x + item.velocity.y * item.velocity.y);
        EXPECT_GE(speed, 4.0f - 1e-4f);
        EXPECT_LE(speed, 8.0f + 1e-4f);
        EXPECT_LE(item.velocity.x, 0.0f + 1e-4f) << "away from the sink on its +x side";
        EXPECT_EQ(item.damping, 0.0f);
        EXPECT_EQ(item.capture_position, glm::vec2(0.0f));
    }
}

INSTANTIATE_TEST_SUITE_P(Radius, ItemCaptureRadius,
                         testing::Values(RadiusCase{"inside", 0.999f, true, true},
                                         RadiusCase{"exactly_at", 1.0f, false, false},
                                         RadiusCase{"outside", 1.5f, false, false},
                                         // Right on the sink's centre there is no direction to kick it in.
                                         RadiusCase{"on_the_centre", 0.0f, true, false}),
                         [](const testing::TestParamInfo<RadiusCase>& info) { return std::string(info.param.name); });

TEST(ItemMoveSystem, ArrivalLandsOnTheMovingSinkAndNamesIt) {
    ItemFixture f;
    const glm::vec2 velocity(3.0f, -1.0f);
    const EntityId sink = f.add_sink(glm::vec2(0.0f), velocity);
    const EntityId id = f.add_item(glm::vec2(0.5f, 0.2f));
    f.tick();
    ASSERT_EQ(f.item(id).target, sink);
    // The sink moves at constant velocity (no physics here), as the prediction assumes.
    float flown = 0.0f;
    for (int32_t i = 0; i < 200 && f.pickups.events.empty(); ++i) {
        PlayerEntity& s = f.sinks().at(sink);
        s.transform.position += velocity * kDt;
        s.body.position = s.transform.position;
        f.tick();
        flown += kDt;
        if (f.pickups.events.empty()) {
            const ItemEntity& item = f.item(id);
            EXPECT_TRUE(std::isfinite(item.position.x) && std::isfinite(item.position.y));
        }
    }
    ASSERT_EQ(f.pickups.events.size(), 1u);
    EXPECT_NEAR(flown, 1.0f, 1.5f * kDt);
    EXPECT_EQ(f.pickups.events[0].entity, sink);
    EXPECT_EQ(f.pickups.events[0].kind, ItemKindCore);
    // The goal is where the sink will be once this tick has moved it.
    const glm::vec2 landed = f.item(id).position;
    const glm::vec2 center = f.sinks().at(sink).transform.position + velocity * kDt;
    EXPECT_LT(glm::length(landed - center), 0.02f);
    EXPECT_EQ(f.sink(sink).incoming[ItemKindCore], 0) << "the mark is cleared on arrival";
    f.tick();
    EXPECT_EQ(f.items().size(), 0u);
    EXPECT_EQ(f.pickups.events.size(), 1u);
}

// After its kick a captured item steers tick by tick: with T the flight time left and the goal where the sink
// will be after T at its present velocity, it accelerates by 2 (goal - position - velocity T) / T^2, takes the
// new velocity for its step, and so closes in along a curve rather than jumping onto the sink.
TEST(ItemMoveSystem, CapturedItemAcceleratesTowardWhereTheSinkWillBe) {
    ItemFixture f;
    const glm::vec2 sink_velocity(3.0f, -1.0f);
    const EntityId sink = f.add_sink(glm::vec2(0.0f), sink_velocity);
    const EntityId id = f.add_item(glm::vec2(0.5f, 0.2f));
    f.tick();
    ASSERT_EQ(f.item(id).target, sink);
    // From the state the kick left, the rule worked out in double precision.
    glm::dvec2 position(f.item(id).position);
    glm::dvec2 velocity(f.item(id).velocity);
    const glm::dvec2 kick = velocity;
    double timer = 0.0;
    const double duration = f.item(id).flight_duration;
    glm::dvec2 sink_position(0.0);
    int32_t steps = 0;
    for (; duration - timer > 2.0 * kDt; ++steps) {
        PlayerEntity& s = f.sinks().at(sink);
        s.transform.position += sink_velocity * kDt;
        s.body.position = s.transform.position;
        sink_position = glm::dvec2(s.transform.position);
        const double left = duration - timer;
        const glm::dvec2 goal = sink_position + glm::dvec2(sink_velocity) * left;
        const glm::dvec2 acceleration = 2.0 * (goal - position - velocity * left) / (left * left);
        velocity += acceleration * static_cast<double>(kDt);
        position += velocity * static_cast<double>(kDt);
        timer += kDt;
        f.tick();
        ASSERT_TRUE(f.pickups.events.empty()) << "step " << steps;
        const ItemEntity& item = f.item(id);
        ASSERT_NEAR(item.position.x, position.x, 1e-3) << "step " << steps;
        ASSERT_NEAR(item.position.y, position.y, 1e-3) << "step " << steps;
        ASSERT_NEAR(item.velocity.x, velocity.x, 1e-2) << "step " << steps;
        ASSERT_NEAR(item.velocity.y, velocity.y, 1e-2) << "step " << steps;
    }
    EXPECT_GE(steps, 55);
    // The path bent: the velocity turned well away from the kick, and the item was still apart from the sink
    // two ticks before the end.
    EXPECT_GT(glm::length(velocity - kick), 2.0);
    EXPECT_GT(glm::length(position - sink_position), 0.05);
}

TEST(ItemMoveSystem, LastTickOfTheFlightPlacesTheItemAtTheGoal) {
    // A remaining flight time far below one tick would otherwise be divided by its square.
    for (const float left : {1e-7f, 0.5f * kDt, kDt}) {
        ItemFixture f;
        const EntityId sink = f.add_sink(glm::vec2(2.0f, 1.0f), glm::vec2(1.0f, 0.0f));
        const EntityId id = f.add_item(glm::vec2(0.0f));
        ItemEntity& item = f.item(id);
        item.target = sink;
        item.velocity = glm::vec2(5.0f, 0.0f);
        item.flight_timer = item.flight_duration - left;
        f.tick();
        ASSERT_EQ(f.pickups.events.size(), 1u) << left;
        const glm::vec2 expected = glm::vec2(2.0f, 1.0f) + glm::vec2(1.0f, 0.0f) * left;
        EXPECT_NEAR(f.item(id).position.x, expected.x, 1e-5f) << left;
        EXPECT_NEAR(f.item(id).position.y, expected.y, 1e-5f) << left;
    }
}

TEST(ItemMoveSystem, ADeadSinkFreesItsItemWhichKeepsItsVelocityUndamped) {
    ItemFixture f;
    const EntityId sink = f.add_sink(glm::vec2(0.0f));
    const EntityId id = f.add_item(glm::vec2(0.5f, 0.0f));
    f.item(id).life = 0.02f; // a little over one tick; it only counts down while the item is free
    f.tick();
    ASSERT_EQ(f.item(id).target, sink);
    f.tick();
    f.tick();
    EXPECT_EQ(f.items().pending_destroy_count(), 0u) << "a captured item does not expire";
    f.sinks().destroy_deferred(sink);
    f.tick(); // the flush removes the sink; the item finds it gone
    const ItemEntity& freed = f.item(id);
    EXPECT_EQ(freed.target, kInvalidEntityId);
    EXPECT_EQ(freed.flight_timer, 0.0f);
    const glm::vec2 velocity = freed.velocity;
    const glm::vec2 position = freed.position;
    f.tick(); // free again: its life is spent, so it drifts one last tick, undamped
    EXPECT_EQ(f.item(id).velocity, velocity);
    EXPECT_NEAR(f.item(id).position.x, position.x + velocity.x * kDt, 1e-6f);
    EXPECT_EQ(f.items().pending_destroy_count(), 1u);
    EXPECT_TRUE(f.pickups.events.empty());
}

TEST(ItemMoveSystem, TheMarkStaysUpWhileAnotherItemOfItsKindIsStillOnItsWay) {
    ItemFixture f;
    const EntityId sink = f.add_sink(glm::vec2(0.0f));
    const EntityId first = f.add_item(glm::vec2(0.5f, 0.0f));
    f.tick();
    const EntityId second = f.add_item(glm::vec2(-0.5f, 0.0f));
    f.tick();
    ASSERT_EQ(f.item(first).target, sink);
    ASSERT_EQ(f.item(second).target, sink);
    while (f.pickups.events.empty()) {
        f.tick();
    }
    EXPECT_EQ(f.sink(sink).incoming[ItemKindCore], 1);
    while (f.pickups.events.size() < 2) {
        f.tick();
    }
    EXPECT_EQ(f.sink(sink).incoming[ItemKindCore], 0);
}

TEST(ItemMoveSystem, AnItemThatExpiresCapturesNothing) {
    ItemFixture f;
    const EntityId sink = f.add_sink(glm::vec2(0.0f));
    const EntityId id = f.add_item(glm::vec2(0.5f, 0.0f));
    f.item(id).life = 0.5f * kDt;
    f.tick();
    EXPECT_EQ(f.item(id).target, kInvalidEntityId);
    EXPECT_EQ(f.sink(sink).incoming[ItemKindCore], 0);
    f.tick();
    EXPECT_EQ(f.items().size(), 0u);
}

TEST(ItemMoveSystem, TheFirstSinkInListOrderCaptures) {
    ItemFixture f;
    const EntityId first = f.add_sink(glm::vec2(0.9f, 0.0f));
    const EntityId second = f.add_sink(glm::vec2(0.1f, 0.0f)); // nearer, but later in the list
    const EntityId id = f.add_item(glm::vec2(0.0f));
    f.tick();
    EXPECT_EQ(f.item(id).target, first);
    EXPECT_EQ(f.sink(second).incoming[ItemKindCore], 0);
}

} // namespace
