#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/EntityList.h"

namespace {

struct Position {
    float x = 0, y = 0;
};
struct Velocity {
    float dx = 0, dy = 0;
};
struct Health {
    int32_t value = 100;
};
struct Unregistered {
    int32_t unused = 0;
};

// Move-only, like entities that own sprite data.
struct ShipEntity {
    int32_t tag = 0;
    Position position;
    Velocity velocity;
    std::unique_ptr<std::string> cargo;
};

EntityList<ShipEntity> make_ships() {
    return EntityList<ShipEntity>("ShipEntity", &ShipEntity::position, &ShipEntity::velocity);
}

ShipEntity ship(int32_t tag) {
    ShipEntity s;
    s.tag = tag;
    s.position = {static_cast<float>(tag), 0};
    s.cargo = std::make_unique<std::string>("cargo " + std::to_string(tag));
    return s;
}

std::vector<int32_t> tags_in_dense_order(EntityListBase& list) {
    EntityListView all;
    list.view_all(all);
    std::vector<int32_t> tags;
    for (size_t i = 0; i < all.count(); ++i) {
        tags.push_back(reinterpret_cast<ShipEntity*>(all.entity(i))->tag);
    }
    return tags;
}

TEST(EntityList, MaskAndOffsetTableFollowRegistrationOrder) {
    auto ships = make_ships();
    EXPECT_EQ(ships.name(), "ShipEntity");
    EXPECT_EQ(ships.entity_type(), entity_type_id<ShipEntity>());
    EXPECT_EQ(ships.component_mask(), (component_mask<Position, Velocity>()));
    ASSERT_EQ(ships.offset_table().size(), 2u);
    EXPECT_EQ(ships.offset_table()[0].component_type_id, component_type_id<Position>());
    EXPECT_EQ(ships.offset_table()[0].offset, offsetof(ShipEntity, position));
    EXPECT_EQ(ships.offset_table()[1].component_type_id, component_type_id<Velocity>());
    EXPECT_EQ(ships.offset_table()[1].offset, offsetof(ShipEntity, velocity));
    EXPECT_TRUE(ships.has_components(component_mask<Velocity>()));
    EXPECT_FALSE(ships.has_components(component_mask<Velocity, Health>()));
}

TEST(EntityList, AddReturnsDenseIdsWithTypeId) {
    auto ships = make_ships();
    const uint32_t type = entity_type_id<ShipEntity>();
    EXPECT_EQ(ships.add(ship(1)), (EntityId{0, 0, type}));
    EXPECT_EQ(ships.add(ship(2)), (EntityId{1, 0, type}));
    EXPECT_EQ(ships.size(), 2u);
}

TEST(EntityList, DeferredCreateAppearsOnlyAfterFlushAtTheEnd) {
    auto ships = make_ships();
    ships.add(ship(1));
    ships.add_deferred(ship(2));
    const ComponentQueryOf<Position> query;
    EntityListView view;
    ASSERT_TRUE(ships.view(query, view));
    EXPECT_EQ(view.count(), 1u);
    EXPECT_EQ(tags_in_dense_order(ships), (std::vector<int32_t>{1}));

    ships.flush({});
    EXPECT_EQ(tags_in_dense_order(ships), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(*ships.entities()[1].cargo, "cargo 2");
    EXPECT_EQ(ships.pending_create_count(), 0u);
}

TEST(EntityList, DeferredDestroyKeepsEntityUntilFlushAndCallsBackOnce) {
    auto ships = make_ships();
    const EntityId a = ships.add(ship(1));
    ships.add(ship(2));
    ships.destroy_deferred(a);
    ships.destroy_deferred(a);
    EXPECT_TRUE(ships.is_alive(a));
    EXPECT_EQ(ships.at(a).tag, 1);

    std::vector<int32_t> seen;
    ships.flush([&](EntityId id) {
        // Still in place while the callback runs.
        seen.push_back(ships.at(id).tag);
    });
    EXPECT_EQ(seen, (std::vector<int32_t>{1}));
    EXPECT_FALSE(ships.is_alive(a));
    EXPECT_EQ(tags_in_dense_order(ships), (std::vector<int32_t>{2}));
}

TEST(EntityList, DestroyingFirstMovesLastIntoItsPlace) {
    auto ships = make_ships();
    const EntityId first = ships.add(ship(1));
    const EntityId second = ships.add(ship(2));
    const EntityId third = ships.add(ship(3));
    ships.destroy_deferred(first);
    ships.flush({});

    EXPECT_EQ(tags_in_dense_order(ships), (std::vector<int32_t>{3, 2}));
    EXPECT_FALSE(ships.is_alive(first));
    EXPECT_TRUE(ships.is_alive(third));
    EXPECT_EQ(ships.at(third).tag, 3);
    EXPECT_EQ(*ships.at(third).cargo, "cargo 3");
    EXPECT_EQ(ships.at(second).tag, 2);
}

TEST(EntityList, FlushWithDestroysAndEmptyCallbackDoesNotThrow) {
    auto ships = make_ships();
    const EntityId a = ships.add(ship(1));
    ships.destroy_deferred(a);
    EXPECT_NO_THROW(ships.flush(EntityDestroyCallback{}));
    EXPECT_EQ(ships.size(), 0u);
    EXPECT_FALSE(ships.is_alive(a));
}

TEST(EntityList, CreateInSameFlushReusesFreedSlotWithNextGeneration) {
    auto ships = make_ships();
    const uint32_t type = entity_type_id<ShipEntity>();
    const EntityId a = ships.add(ship(1));
    ships.add(ship(2));
    ships.destroy_deferred(a);
    ships.add_deferred(ship(3));
    ships.flush({});

    EntityListView all;
    ships.view_all(all);
    ASSERT_EQ(all.count(), 2u);
    EXPECT_EQ(all.id(1), (EntityId{0, 1, type}));
    EXPECT_EQ(ships.at(all.id(1)).tag, 3);
    EXPECT_FALSE(ships.is_alive(a));
}

TEST(EntityList, StaleIdsAreSkippedByFlushAndThrowOnLookup) {
    auto ships = make_ships();
    const EntityId a = ships.add(ship(1));
    ships.add(ship(2));
    ships.destroy_deferred(a);
    ships.flush({});

    // Destroyed again in a later tick: skipped, no callback, the survivor stays.
    int calls = 0;
    ships.destroy_deferred(a);
    ships.flush([&](EntityId) { ++calls; });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(ships.size(), 1u);

    EXPECT_THROW(ships.get(a), std::out_of_range);
    EXPECT_THROW(ships.get_component(component_type_id<Position>(), a), std::out_of_range);
    uint64_t offset = 0;
    const uint8_t id = component_type_id<Position>();
    EXPECT_THROW(ships.get_components(a, &id, 1, &offset), std::out_of_range);
    EXPECT_THROW(ships.get(EntityId{7, 0, a.entity_type_id}), std::out_of_range);
}

TEST(EntityList, IdOfAnotherListIsNotDestroyed) {
    auto ships = make_ships();
    const EntityId a = ships.add(ship(1));
    ships.destroy_deferred(EntityId{a.index, a.generation, a.entity_type_id + 1000});
    ships.flush({});
    EXPECT_TRUE(ships.is_alive(a));
}

TEST(EntityList, ViewsFilterByMaskAndReportOffsetsInQueryOrder) {
    auto ships = make_ships();
    EntityListView view;
    std::byte* end = nullptr;
    EXPECT_FALSE(ships.view(ComponentQueryOf<Position>{}, view));
    EXPECT_FALSE(ships.view_end(ComponentQueryOf<Position>{}, end));
    ships.view_all(view);
    EXPECT_EQ(view.begin, view.end);

    ships.add(ship(1));
    ships.add(ship(2));
    EXPECT_FALSE(ships.view(ComponentQueryOf<Position, Health>{}, view));
    EXPECT_FALSE(ships.view_end(ComponentQueryOf<Health>{}, end));
    EXPECT_TRUE(ships.view(ComponentQuery{}, view));

    ASSERT_TRUE(ships.view(ComponentQueryOf<Velocity, Position>{}, view));
    EXPECT_EQ(view.offsets[0], offsetof(ShipEntity, velocity));
    EXPECT_EQ(view.offsets[1], offsetof(ShipEntity, position));
    EXPECT_EQ(view.stride, sizeof(ShipEntity));
    EXPECT_EQ(view.count(), 2u);
    ASSERT_TRUE(ships.view_end(ComponentQueryOf<Velocity>{}, end));
    EXPECT_EQ(end, view.end);
    auto* p = reinterpret_cast<Position*>(view.entity(1) + view.offsets[1]);
    EXPECT_EQ(p->x, 2.0f);
}

TEST(EntityList, UnregisteredComponentsGiveNullAndAllOnesOffsets) {
    auto ships = make_ships();
    const EntityId a = ships.add(ship(4));
    EXPECT_EQ(ships.get_component<Health>(a), nullptr);
    ASSERT_NE(ships.get_component<Velocity>(a), nullptr);
    EXPECT_EQ(ships.get_component<Position>(a)->x, 4.0f);

    const uint8_t ids[] = {component_type_id<Unregistered>(), component_type_id<Position>()};
    uint64_t offsets[2] = {};
    void* entity = ships.get_components(a, ids, 2, offsets);
    EXPECT_EQ(entity, &ships.at(a));
    EXPECT_EQ(offsets[0], kNoComponentOffset);
    EXPECT_EQ(offsets[1], offsetof(ShipEntity, position));
}

TEST(EntityList, TypeErasedAddMovesFromTheGivenEntity) {
    auto ships = make_ships();
    EntityListBase& base = ships;
    ShipEntity s = ship(9);
    const EntityId id = base.add(&s);
    EXPECT_EQ(s.cargo, nullptr);
    EXPECT_EQ(*static_cast<ShipEntity*>(base.get(id))->cargo, "cargo 9");
    ShipEntity later = ship(10);
    base.add_deferred(&later);
    base.flush({});
    EXPECT_EQ(tags_in_dense_order(base), (std::vector<int32_t>{9, 10}));
}

TEST(EntityList, CallbackQueuingMoreDestroysDefersThemToNextFlush) {
    auto ships = make_ships();
    const EntityId a = ships.add(ship(1));
    const EntityId b = ships.add(ship(2));
    ships.destroy_deferred(a);
    ships.flush([&](EntityId) { ships.destroy_deferred(b); });
    EXPECT_TRUE(ships.is_alive(b));
    ships.flush({});
    EXPECT_FALSE(ships.is_alive(b));
    EXPECT_EQ(ships.size(), 0u);
}

} // namespace
