#include "Game/Entities/GameEntityLists.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Entities/SnakeHeadEntity.h"

namespace {

class GameEntityLists : public ::testing::Test {
protected:
    void SetUp() override {
        register_rock_entity_list(pool);
        register_game_entity_lists(pool);
    }

    EntityListBase& list_named(const std::string& name) {
        for (const auto& list : pool.lists()) {
            if (list->name() == name) {
                return *list;
            }
        }
        throw std::runtime_error("no list " + name);
    }

    template <typename T>
    std::vector<uint8_t> registered_ids() {
        std::vector<uint8_t> ids;
        for (const ComponentOffset& row : pool.list<T>().offset_table()) {
            ids.push_back(row.component_type_id);
        }
        return ids;
    }

    EntityPool pool;
};

TEST_F(GameEntityLists, ListsAreRegisteredInSceneOrder) {
    std::vector<std::string> names;
    for (const auto& list : pool.lists()) {
        names.emplace_back(list->name());
    }
    const std::vector<std::string> expected = {"RockEntity",      "PlayerEntity",  "BulletEntity", "BombEntity",
                                               "FighterEntity",   "StationEntity", "BaseEntity",   "Boss1Entity",
                                               "SnakeHeadEntity", "ItemEntity"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(pool.get_list(entity_type_id<PlayerEntity>())->name(), "PlayerEntity");
}

TEST_F(GameEntityLists, ComponentsAreRegisteredInRecordOrder) {
    using Ids = std::vector<uint8_t>;
    auto ids = [](auto... c) { return Ids{component_type_id<decltype(c)>()...}; };
    EXPECT_EQ(registered_ids<PlayerEntity>(), ids(Transform{}, PhysicsBody{}, Sprite{}, SpriteCoreSet{},
                                                  SpriteDirtyFlag{}, Player{}, ItemSink{}, Weapon{}));
    EXPECT_EQ(registered_ids<BulletEntity>(), ids(Trail{}));
    EXPECT_EQ(registered_ids<BombEntity>(), ids(EnemyTag{}, Transform{}, PhysicsBody{}, Sprite{}, SpriteCoreSet{},
                                                SpriteDirtyFlag{}, SpriteBodyMarker{}, AiThrowable{}, AiBomb{}));
    EXPECT_EQ(registered_ids<FighterEntity>(), ids(EnemyTag{}, Transform{}, PhysicsBody{}, Sprite{}, SpriteCoreSet{},
                                                   SpriteDirtyFlag{}, AiFlocker{}, AiDriver{}, AiFighter{}, Weapon{}));
    EXPECT_EQ(registered_ids<StationEntity>(), ids(EnemyTag{}, Transform{}, PhysicsBody{}, Sprite{}, SpriteCoreSet{},
                                                   SpriteDirtyFlag{}, AiStation{}, AiFlocker{}, AiForceMover{}));
    EXPECT_EQ(registered_ids<BaseEntity>(), ids(EnemyTag{}, Transform{}, PhysicsBody{}, Sprite{}, SpriteCoreSet{},
                                                SpriteDirtyFlag{}, AiBase{}, AiThrower{}, AiForceMover{}));
    EXPECT_EQ(registered_ids<Boss1Entity>(),
              ids(EnemyTag{}, Transform{}, PhysicsBody{}, Sprite{}, SpriteCoreSet{}, SpriteDirtyFlag{}));
    EXPECT_EQ(registered_ids<SnakeHeadEntity>(),
              ids(Transform{}, PhysicsBody{}, Sprite{}, SpriteCoreSet{}, SpriteDirtyFlag{}, SpriteBodyMarker{}));
    EXPECT_EQ(registered_ids<RockEntity>(),
              ids(Transform{}, PhysicsBody{}, Sprite{}, SpriteCoreSet{}, SpriteDirtyFlag{}, SpriteBodyMarker{}));
    EXPECT_TRUE(registered_ids<ItemEntity>().empty());
    EXPECT_EQ(pool.list<ItemEntity>().component_mask(), 0u);

    // The offsets point at the members themselves.
    const auto& boss = pool.list<Boss1Entity>().offset_table();
    const Boss1Entity record;
    const auto offset_of = [&record](const void* member) {
        return static_cast<uint64_t>(static_cast<const std::byte*>(member) -
                                     reinterpret_cast<const std::byte*>(&record));
    };
    EXPECT_EQ(boss.front().offset, offset_of(&record.enemy));
    EXPECT_EQ(boss.back().offset, offset_of(&record.dirty));
}

TEST_F(GameEntityLists, SpriteBodyQueriesReachEverySpriteKindButNotBulletsOrItems) {
    const uint64_t query = component_mask<Sprite, PhysicsBody>();
    std::vector<std::string> reached;
    for (const auto& list : pool.lists()) {
        if (list->has_components(query)) {
            reached.emplace_back(list->name());
        }
    }
    const std::vector<std::string> expected = {"RockEntity",    "PlayerEntity", "BombEntity",  "FighterEntity",
                                               "StationEntity", "BaseEntity",   "Boss1Entity", "SnakeHeadEntity"};
    EXPECT_EQ(reached, expected);
    EXPECT_TRUE(list_named("BulletEntity").has_components(component_mask<Trail>()));
    EXPECT_FALSE(list_named("BulletEntity").has_components(query));
}

TEST_F(GameEntityLists, ItemsAreReachedOnlyThroughWholeRecordViews) {
    ItemEntity item;
    item.kind = ItemKindHealth;
    item.position = {1.0f, 2.0f};
    const EntityId id = pool.list<ItemEntity>().add(std::move(item));

    const ComponentQueryOf<Transform> transforms;
    EntityListView view;
    EXPECT_FALSE(pool.list<ItemEntity>().view(transforms, view));
    EXPECT_TRUE(EntityView(pool, transforms).empty());

    EntityListView all;
    pool.list<ItemEntity>().view_all(all);
    ASSERT_EQ(all.count(), 1u);
    EXPECT_EQ(all.id(0), id);
    EXPECT_EQ(reinterpret_cast<ItemEntity*>(all.begin)->position, glm::vec2(1.0f, 2.0f));
}

TEST(Boss1Outline, CenterIsTheMeanOfThe37Points) {
    ASSERT_EQ(kBoss1Outline.size(), 37u);
    EXPECT_EQ(kBoss1Outline[0], glm::vec2(0.6756315f, 1.1262386f));
    glm::vec2 sum{0.0f};
    for (const glm::vec2& p : kBoss1Outline) {
        sum += p;
    }
    const glm::vec2 center = boss1_outline_center();
    EXPECT_FLOAT_EQ(center.x, sum.x / 37.0f);
    EXPECT_FLOAT_EQ(center.y, sum.y / 37.0f);
}

} // namespace
