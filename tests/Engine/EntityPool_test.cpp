#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/EntityPool.h"

namespace {

struct Place {
    float x = 0, y = 0;
};
struct Motion {
    float speed = 0;
};
struct Marker {
    uint8_t value = 0;
};

struct RockLike {
    int32_t tag = 0;
    Place place;
    Motion motion;
};
struct ShotLike {
    Motion motion;
    int32_t tag = 0;
};
struct BaseLike {
    double pad = 0;
    Marker marker;
    int32_t tag = 0;
    Place place;
};
struct PlayerLike {
    int32_t tag = -1;
    Place place{0, 0};
};
struct NeverRegistered {
    int32_t tag = 0;
};

class PoolFixture : public testing::Test {
protected:
    void SetUp() override {
        pool.add_list<RockLike>("RockLike", &RockLike::place, &RockLike::motion);
        pool.add_list<ShotLike>("ShotLike", &ShotLike::motion);
        pool.add_list<BaseLike>("BaseLike", &BaseLike::marker, &BaseLike::place);
        pool.add_list<PlayerLike>("PlayerLike", &PlayerLike::place);
    }

    template <typename... Cs>
    std::vector<int32_t> visited_tags() {
        std::vector<int32_t> tags;
        for (const auto& cursor : EntityView(pool, ComponentQueryOf<Cs...>{})) {
            const std::byte* e = cursor.entity();
            const EntityId id = cursor.id();
            if (id.entity_type_id == entity_type_id<RockLike>()) {
                tags.push_back(reinterpret_cast<const RockLike*>(e)->tag);
            } else if (id.entity_type_id == entity_type_id<ShotLike>()) {
                tags.push_back(reinterpret_cast<const ShotLike*>(e)->tag);
            } else if (id.entity_type_id == entity_type_id<BaseLike>()) {
                tags.push_back(reinterpret_cast<const BaseLike*>(e)->tag);
            } else {
                tags.push_back(reinterpret_cast<const PlayerLike*>(e)->tag);
            }
        }
        return tags;
    }

    EntityPool pool;
};

TEST(EntityPoolEmpty, ViewIsEmptyAndFlushDoesNothing) {
    EntityPool pool;
    EntityView view(pool, ComponentQueryOf<Place>{});
    EXPECT_TRUE(view.empty());
    EXPECT_TRUE(view.begin() == view.end());
    EXPECT_NO_THROW(pool.flush({}));
}

TEST_F(PoolFixture, ViewsVisitMatchingListsInRegistrationThenDenseOrder) {
    auto& rocks = pool.list<RockLike>();
    auto& shots = pool.list<ShotLike>();
    auto& bases = pool.list<BaseLike>();
    rocks.add(RockLike{1, {}, {}});
    rocks.add(RockLike{2, {}, {}});
    shots.add(ShotLike{{}, 10});
    bases.add(BaseLike{0, {}, 20, {}});
    bases.add(BaseLike{0, {}, 21, {}});

    EXPECT_EQ(visited_tags<Place>(), (std::vector<int32_t>{1, 2, 20, 21}));
    EXPECT_EQ(visited_tags<Motion>(), (std::vector<int32_t>{1, 2, 10}));
    EXPECT_EQ(visited_tags<Marker>(), (std::vector<int32_t>{20, 21}));
    EXPECT_EQ((visited_tags<Place, Motion>()), (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE((visited_tags<Marker, Motion>().empty()));
    // The empty player list is never visited, even though its mask matches.
    EXPECT_EQ(visited_tags<>(), (std::vector<int32_t>{1, 2, 10, 20, 21}));
}

TEST_F(PoolFixture, ViewGivesComponentsAndIdsAcrossLists) {
    auto& rocks = pool.list<RockLike>();
    auto& bases = pool.list<BaseLike>();
    const EntityId r0 = rocks.add(RockLike{1, {1, 2}, {}});
    const EntityId r1 = rocks.add(RockLike{2, {3, 4}, {}});
    const EntityId b0 = bases.add(BaseLike{0, {}, 20, {5, 6}});
    rocks.destroy_deferred(r0);
    pool.flush({});

    std::vector<EntityId> ids;
    std::vector<float> xs;
    for (auto row : EntityViewOf<Place>(pool)) {
        row.get<Place>().x += 100;
        ids.push_back(row.id());
        xs.push_back(row.get<Place>().x);
    }
    EXPECT_EQ(ids, (std::vector<EntityId>{r1, b0}));
    EXPECT_EQ(xs, (std::vector<float>{103, 105}));
    EXPECT_EQ(pool.list<BaseLike>().at(b0).place.x, 105.0f);
    EXPECT_EQ(pool.list_of(r1).get_component(component_type_id<Place>(), r1), &rocks.at(r1).place);
}

TEST_F(PoolFixture, DeferredCreatesAndDestroysShowOnlyAfterPoolFlush) {
    auto& rocks = pool.list<RockLike>();
    auto& shots = pool.list<ShotLike>();
    const EntityId r = rocks.add(RockLike{1, {}, {}});
    shots.add_deferred(ShotLike{{}, 10});
    rocks.destroy_deferred(r);
    EXPECT_EQ(visited_tags<Motion>(), (std::vector<int32_t>{1}));

    std::vector<EntityId> destroyed;
    pool.flush([&](EntityId id) { destroyed.push_back(id); });
    EXPECT_EQ(visited_tags<Motion>(), (std::vector<int32_t>{10}));
    EXPECT_EQ(destroyed, (std::vector<EntityId>{r}));
    EXPECT_FALSE(rocks.is_alive(r));
}

TEST_F(PoolFixture, FirstOrDefaultGivesFirstEntityOrOneStaticDefault) {
    PlayerLike* missing = first_or_default<PlayerLike>(pool);
    EXPECT_EQ(missing->tag, -1);
    EXPECT_EQ(first_or_default<PlayerLike>(pool), missing);

    auto& players = pool.list<PlayerLike>();
    players.add(PlayerLike{7, {}});
    players.add(PlayerLike{8, {}});
    EXPECT_EQ(first_or_default<PlayerLike>(pool)->tag, 7);
    EXPECT_EQ(first_or_default<PlayerLike>(pool), &players.entities()[0]);
    EXPECT_THROW(first_or_default<NeverRegistered>(pool), std::out_of_range);
}

TEST_F(PoolFixture, ClearForgetsListsAndRegistrationStartsAgainAtZero) {
    EXPECT_EQ(pool.lists().size(), 4u);
    pool.clear();
    EXPECT_THROW(pool.get_list(entity_type_id<RockLike>()), std::out_of_range);
    pool.add_list<ShotLike>("ShotLike", &ShotLike::motion);
    ASSERT_EQ(pool.lists().size(), 1u);
    EXPECT_EQ(pool.lists()[0]->name(), "ShotLike");
    EXPECT_EQ(pool.get_list(entity_type_id<ShotLike>()).get(), pool.lists()[0].get());
}

TEST_F(PoolFixture, SecondRegistrationOfATypeIsRejected) {
    EXPECT_THROW(pool.add_list<RockLike>("RockLike", &RockLike::place), std::logic_error);
    EXPECT_EQ(pool.lists().size(), 4u);
    EXPECT_EQ(pool.list<RockLike>().offset_table().size(), 2u);
}

} // namespace
