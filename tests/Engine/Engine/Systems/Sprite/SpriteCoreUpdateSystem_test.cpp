#include <gtest/gtest.h>

#include <optional>

#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Systems/Sprite/SpriteCommitSystem.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreUpdateSystem.h"
#include "SpriteTestEntity.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteBuilder.h"

using namespace test_support;

namespace {

struct RuleCase {
    uint32_t live;
    int32_t initial;
    uint32_t total;
    bool explode_all;
    bool explodes;
};

class CoreRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(CoreRule, FollowsTheThreeRules) {
    const RuleCase c = GetParam();
    EXPECT_EQ(sprite_core_should_explode(c.live, c.initial, c.total, c.explode_all), c.explodes)
        << c.live << " of " << c.initial << ", sprite " << c.total;
}

INSTANTIATE_TEST_SUITE_P(Table, CoreRule,
                         ::testing::Values(RuleCase{29, 100, 429, false, true},  // 0.29 of its cells left
                                           RuleCase{30, 100, 430, false, false}, // 0.30 is not below
                                           RuleCase{11, 11, 50, false, true},    // 0.22 of the sprite
                                           RuleCase{10, 10, 50, false, false},   // 0.20 is not above
                                           RuleCase{10, 10, 0, false, false},    // empty sprite: share 0
                                           RuleCase{10, 0, 100, false, false},   // no initial cells
                                           RuleCase{10, 10, 100, true, true}));  // the commit destroyed it

// A 2 x 1 chunk sprite: `core` Core cells in rows from (0, 0), `filled` filled cells from x = 20.
struct CoreSprite {
    int32_t core;
    int32_t filled;
};

CellTypeAt core_layout(CoreSprite layout) {
    return [layout](int32_t x, int32_t y) -> uint32_t {
        if (x < 10 && y * 10 + x < layout.core) {
            return 2;
        }
        if (x >= 20 && (y * 44 + (x - 20)) < layout.filled && x < 64) {
            return 1;
        }
        return 0;
    };
}

struct CoreFixture {
    explicit CoreFixture(CoreSprite layout, bool with_commit = false)
        : harness([this, with_commit](HarnessScene& scene) {
              register_sprite_test_lists(scene.entity_pool());
              if (with_commit) {
                  scene.register_system<SpriteCommitSystem>(SystemGroup::Tick, &pool);
              }
              scene.register_system<SpriteCoreUpdateSystem>(SystemGroup::Tick);
          }),
          exploded(harness.engine.event_bus()) {
        SpriteTestEntity entity;
        entity.sprite = build_sprite(pool, {2, 1}, core_layout(layout));
        entity.transform = sprite_transform(entity.sprite);
        SpriteCore core;
        core.type = 2;
        core.grid_point = glm::vec2(5.0f, 5.0f);
        core.initial_cell_count = layout.core;
        entity.cores.cores.push_back(core);
        entity.cores.has_core = 1;
        id = list().add(std::move(entity));
    }

    EntityList<SpriteTestEntity>& list() { return harness.scene->entity_pool().list<SpriteTestEntity>(); }
    SpriteTestEntity& entity() { return list().at(id); }

    // Removes the first n Core cells (row by row).
    void remove_core_cells(int32_t n) {
        Sprite& sprite = entity().sprite;
        for (int32_t i = 0; i < n; ++i) {
            const ChunkCell at = sprite.grid().to_chunk_cell(i % 10, i / 10);
            sprite.remove_cell(at.chunk, at.cell);
        }
    }

    SpriteChunkPool pool{32, 1024, 32};
    SceneHarness harness;
    EventRecorder<SpriteCoreExplodedEvent> exploded;
    EntityId id;
};

TEST(SpriteCoreUpdate, CoreOfHundredCellsExplodesAtTwentyNineLeftNotAtThirty) {
    for (const int32_t left : {29, 30}) {
        CoreFixture f({100, 400});
        f.remove_core_cells(100 - left);
        f.harness.tick();
        if (left == 30) {
            EXPECT_TRUE(f.exploded.events.empty());
            EXPECT_EQ(f.entity().cores.cores.size(), 1u);
            continue;
        }
        ASSERT_EQ(f.exploded.events.size(), 1u);
        const SpriteCoreExplodedEvent& e = f.exploded.events[0];
        EXPECT_EQ(e.entity, f.id);
        EXPECT_EQ(e.type, 2u);
        EXPECT_EQ(e.strength, 50); // max(100 / 2, 29)
        // Grid point (5, 5) of a 64 x 32 cell grid, scale (1, 0.5): local (-0.84375, -0.6875).
        EXPECT_FLOAT_EQ(e.position.x, -0.84375f);
        EXPECT_FLOAT_EQ(e.position.y, -0.34375f);
        EXPECT_TRUE(f.entity().cores.cores.empty());
        ASSERT_EQ(f.entity().cores.held_back_cores.size(), 1u);
    }
}

TEST(SpriteCoreUpdate, CoreOfMoreThanAFifthOfTheSpriteExplodes) {
    CoreFixture big({11, 39});
    big.harness.tick();
    ASSERT_EQ(big.exploded.events.size(), 1u);
    EXPECT_EQ(big.exploded.events[0].strength, 11); // max(11 / 2, 11)

    CoreFixture small({10, 40});
    small.harness.tick();
    EXPECT_TRUE(small.exploded.events.empty());
}

TEST(SpriteCoreUpdate, LastCoreTurnsTheRestIntoARock) {
    CoreFixture f({10, 100});
    f.remove_core_cells(8);
    f.harness.tick();
    ASSERT_EQ(f.exploded.events.size(), 1u);
    f.harness.tick(); // the flush applies the rock and the destroy
    EXPECT_EQ(f.list().size(), 0u);
    EntityList<RockEntity>& rocks = f.harness.scene->entity_pool().list<RockEntity>();
    ASSERT_EQ(rocks.size(), 1u);
    const RockEntity& rock = rocks.entities()[0];
    EXPECT_EQ(rock.sprite.active_cell_count(), 102);
    EXPECT_TRUE(rock.cores.cores.empty());
    EXPECT_EQ(rock.dirty.dirty, 1);
    EXPECT_EQ(rock.marker.value, 1);
}

TEST(SpriteCoreUpdate, DestroyedSpriteExplodesEveryCoreInTheSameTick) {
    // 19 live cells: 3 Core, 3 Weakpoint1, 13 filled.
    SpriteChunkPool pool{32, 1024, 32};
    std::optional<EntityId> id;
    SceneHarness harness([&](HarnessScene& scene) {
        register_sprite_test_lists(scene.entity_pool());
        scene.register_system<SpriteCommitSystem>(SystemGroup::Tick, &pool);
        scene.register_system<SpriteCoreUpdateSystem>(SystemGroup::Tick);
    });
    EventRecorder<SpriteCoreExplodedEvent> exploded(harness.engine.event_bus());
    SpriteTestEntity entity;
    entity.sprite = build_sprite(pool, {1, 1}, [](int32_t x, int32_t y) -> uint32_t {
        if (y != 0 || x >= 19) {
            return 0;
        }
        return x < 3 ? 2u : (x < 6 ? 3u : 1u);
    });
    entity.transform = sprite_transform(entity.sprite);
    for (const uint32_t type : {2u, 3u}) {
        SpriteCore core;
        core.type = type;
        core.initial_cell_count = 3;
        entity.cores.cores.push_back(core);
    }
    entity.cores.has_core = 1;
    EntityList<SpriteTestEntity>& list = harness.scene->entity_pool().list<SpriteTestEntity>();
    id = list.add(std::move(entity));

    harness.tick(); // not dirty: nothing is committed, both cores are fine
    EXPECT_TRUE(exploded.events.empty());

    list.at(*id).dirty.dirty = 1;
    harness.tick();
    ASSERT_EQ(exploded.events.size(), 2u);
    EXPECT_EQ(exploded.events[0].type, 2u);
    EXPECT_EQ(exploded.events[1].type, 3u);
    EXPECT_TRUE(list.at(*id).cores.cores.empty());
    EXPECT_EQ(list.at(*id).cores.held_back_cores.size(), 2u);
}

TEST(SpriteCoreUpdate, SpriteWithAnEmptyGridIsSkipped) {
    SceneHarness harness([](HarnessScene& scene) {
        register_sprite_test_lists(scene.entity_pool());
        scene.register_system<SpriteCoreUpdateSystem>(SystemGroup::Tick);
    });
    EventRecorder<SpriteCoreExplodedEvent> exploded(harness.engine.event_bus());
    SpriteTestEntity entity;
    SpriteCore core;
    core.type = 2;
    core.initial_cell_count = 10;
    entity.cores.cores.push_back(core);
    entity.cores.has_core = 1;
    harness.scene->entity_pool().list<SpriteTestEntity>().add(std::move(entity));
    harness.tick();
    EXPECT_TRUE(exploded.events.empty());
}

} // namespace
