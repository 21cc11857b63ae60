#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Systems/Sprite/SpriteCommitSystem.h"
#include "Engine/Graphics/SpawnCellParticleEvent.h"
#include "SpriteTestEntity.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteBuilder.h"

using namespace test_support;

namespace {

// A 2 x 1 chunk sprite: a body of 64 x 16 cells, a one-cell bridge at (10, 16) and above it an island
// of `island_width` x 3 cells from (6, 17). Island cells of row 19 take `top_type`, of row 18 `middle_type`.
struct IslandLayout {
    int32_t island_width = 7;
    uint32_t top_type = 1;
    uint32_t middle_type = 1;
};

bool in_island(IslandLayout l, int32_t x, int32_t y) { return x >= 6 && x < 6 + l.island_width && y >= 17 && y <= 19; }

CellTypeAt island_sprite(IslandLayout l) {
    return [l](int32_t x, int32_t y) -> uint32_t {
        if (y < 16 || (x == 10 && y == 16)) {
            return 1;
        }
        if (in_island(l, x, y)) {
            return y == 19 ? l.top_type : (y == 18 ? l.middle_type : 1u);
        }
        return 0;
    };
}

std::set<uint32_t> island_colors(IslandLayout l) {
    std::set<uint32_t> colors;
    for (int32_t y = 17; y <= 19; ++y) {
        for (int32_t x = 6; x < 6 + l.island_width; ++x) {
            colors.insert(cell_color_of(x, y));
        }
    }
    return colors;
}

std::set<uint32_t> colors_of(const Sprite& sprite) {
    std::vector<DebrisCell> cells;
    sprite.active_cells(cells);
    std::set<uint32_t> colors;
    for (const DebrisCell& c : cells) {
        colors.insert(c.color);
    }
    return colors;
}

struct CommitFixture {
    explicit CommitFixture(IslandLayout layout)
        : harness([this](HarnessScene& scene) {
              register_sprite_test_lists(scene.entity_pool());
              scene.register_system<SpriteCommitSystem>(SystemGroup::Tick, &pool);
          }),
          debris(harness.engine.event_bus()) {
        SpriteTestEntity entity;
        entity.sprite = build_sprite(pool, {2, 1}, island_sprite(layout));
        entity.transform = sprite_transform(entity.sprite);
        entity.body = PhysicsBody(entity.transform.position, 0.0f);
        entity.body.linear_velocity = glm::vec2(1.0f, 2.0f);
        id = list().add(std::move(entity));
        harness.tick(); // nothing dirty yet
        debris.events.clear();
    }

    EntityList<SpriteTestEntity>& list() { return harness.scene->entity_pool().list<SpriteTestEntity>(); }
    EntityList<RockEntity>& rocks() { return harness.scene->entity_pool().list<RockEntity>(); }
    SpriteTestEntity& entity() { return list().at(id); }

    void cut_bridge() {
        Sprite& sprite = entity().sprite;
        const ChunkCell at = sprite.grid().to_chunk_cell(10, 16);
        sprite.remove_cell(at.chunk, at.cell);
        entity().dirty.dirty = 1;
    }

    SpriteChunkPool pool{32, 1024, 32};
    SceneHarness harness;
    EventRecorder<SpawnCellParticleEvent> debris;
    EntityId id;
};

TEST(SpriteCommit, CleanCutChangesOnlyTheMassAndPublishesAnEmptyDebrisEvent) {
    CommitFixture f({});
    Sprite& sprite = f.entity().sprite;
    const ChunkCell at = sprite.grid().to_chunk_cell(40, 5);
    sprite.remove_cell(at.chunk, at.cell);
    f.entity().dirty.dirty = 1;
    f.harness.tick();

    ASSERT_EQ(f.debris.events.size(), 1u);
    EXPECT_EQ(f.debris.events[0].entity, f.id);
    EXPECT_TRUE(f.debris.events[0].cells.empty());
    EXPECT_EQ(f.entity().dirty.dirty, 0);
    // 64 x 16 + 1 + 21 - 1 cells of 1/1024 mass each.
    const float cells = 64.0f * 16.0f + 21.0f;
    EXPECT_FLOAT_EQ(f.entity().body.inverse_mass, 1024.0f / cells);
    EXPECT_EQ(f.rocks().pending_create_count(), 0u);
}

TEST(SpriteCommit, SmallPartBecomesDebrisCellParticles) {
    const IslandLayout layout{5, 1, 1}; // 15 cells: at most 20, so debris
    CommitFixture f(layout);
    f.cut_bridge();
    f.harness.tick();

    ASSERT_EQ(f.debris.events.size(), 1u);
    const SpawnCellParticleEvent& e = f.debris.events[0];
    ASSERT_EQ(e.cells.size(), 15u);
    std::set<uint32_t> seen;
    for (const DebrisCellParticle& p : e.cells) {
        seen.insert(p.color);
        // Colours carry their cell; the centre of cell (x, y) in a 64 x 32 grid with scale (1, 0.5).
        const int32_t x = static_cast<int32_t>(p.color & 0xFFF);
        const int32_t y = static_cast<int32_t>((p.color >> 12) & 0xFFF);
        EXPECT_FLOAT_EQ(p.local_position.x, (x + 0.5f) / 64.0f * 2.0f - 1.0f);
        EXPECT_FLOAT_EQ(p.local_position.y, (y + 0.5f) / 32.0f * 2.0f - 1.0f);
        EXPECT_FLOAT_EQ(p.world_position.x, p.local_position.x);
        EXPECT_FLOAT_EQ(p.world_position.y, p.local_position.y * 0.5f);
        EXPECT_FLOAT_EQ(p.velocity.x, 1.0f); // no spin: the body's linear velocity
        EXPECT_FLOAT_EQ(p.velocity.y, 2.0f);
    }
    EXPECT_EQ(seen, island_colors(layout));
    EXPECT_EQ(f.entity().sprite.active_cell_count(), 64 * 16 + 1 - 1);
    f.harness.tick();
    EXPECT_EQ(f.rocks().size(), 0u);
}

TEST(SpriteCommit, LargerPartBecomesARockWithThoseCells) {
    const IslandLayout layout{7, 1, 1}; // 21 cells
    CommitFixture f(layout);
    f.cut_bridge();
    f.harness.tick();
    ASSERT_EQ(f.debris.events.size(), 1u);
    EXPECT_TRUE(f.debris.events[0].cells.empty());
    f.harness.tick();

    ASSERT_EQ(f.rocks().size(), 1u);
    const RockEntity& rock = f.rocks().entities()[0];
    EXPECT_EQ(rock.sprite.active_cell_count(), 21);
    EXPECT_EQ(colors_of(rock.sprite), island_colors(layout));
    EXPECT_EQ(rock.marker.value, 1);
    EXPECT_FLOAT_EQ(rock.body.linear_velocity.x, 1.0f);
    EXPECT_FLOAT_EQ(rock.body.linear_velocity.y, 2.0f);
    // The piece's one chunk spans cells (6, 17) to (38, 49) of the parent: centre (22, 33).
    EXPECT_FLOAT_EQ(rock.transform.position.x, 22.0f / 64.0f * 2.0f - 1.0f);
    EXPECT_FLOAT_EQ(rock.transform.position.y, (33.0f / 32.0f * 2.0f - 1.0f) * 0.5f);
    EXPECT_FLOAT_EQ(rock.transform.scale.x, 0.5f);
    EXPECT_FLOAT_EQ(rock.transform.scale.y, 0.5f);
    EXPECT_EQ(f.entity().sprite.active_cell_count(), 64 * 16);
}

// Right after a fixed step the drawn Transform still shows the body's previous pose; a piece cut off then starts
// where the body is, 3 units on, not where it was drawn.
TEST(SpriteCommit, APieceStartsWhereTheBodyIsNotWhereItIsDrawn) {
    CommitFixture f(IslandLayout{7, 1, 1});
    f.entity().body.position.x += 3.0f;
    f.cut_bridge();
    f.harness.tick();
    f.harness.tick();
    ASSERT_EQ(f.rocks().size(), 1u);
    const RockEntity& rock = f.rocks().entities()[0];
    EXPECT_FLOAT_EQ(rock.body.position.x, 3.0f + 22.0f / 64.0f * 2.0f - 1.0f);
    EXPECT_FLOAT_EQ(rock.body.position.y, (33.0f / 32.0f * 2.0f - 1.0f) * 0.5f);
    EXPECT_EQ(rock.transform.position, rock.body.position);
}

TEST(SpriteCommit, PartHoldingTheCoreKeepsTheEntity) {
    const IslandLayout layout{7, 2, 3}; // row 19 Core cells, row 18 Weakpoint1 cells
    CommitFixture f(layout);
    SpriteCore core;
    core.type = 2;
    core.grid_point = glm::vec2(9.0f, 19.0f);
    core.initial_cell_count = 7;
    SpriteCore weak;
    weak.type = 3;
    weak.grid_point = glm::vec2(9.0f, 18.0f);
    weak.initial_cell_count = 7;
    f.entity().cores.cores = {core, weak};
    f.entity().cores.has_core = 1;
    f.cut_bridge();
    f.harness.tick();
    f.harness.tick();

    ASSERT_TRUE(f.list().is_alive(f.id));
    SpriteTestEntity& entity = f.entity();
    EXPECT_EQ(entity.sprite.active_cell_count(), 21);
    EXPECT_EQ(colors_of(entity.sprite), island_colors(layout));
    EXPECT_EQ(entity.sprite.cell_type_info(2).active, 7u);
    // Both cores went with the piece, each grid point moved once by the piece offset (6, 17).
    ASSERT_EQ(entity.cores.cores.size(), 2u);
    EXPECT_EQ(entity.cores.cores[0].grid_point, glm::vec2(3.0f, 2.0f));
    EXPECT_EQ(entity.cores.cores[1].grid_point, glm::vec2(3.0f, 1.0f));
    // The old body flies on as a rock without cores.
    ASSERT_EQ(f.rocks().size(), 1u);
    const RockEntity& rock = f.rocks().entities()[0];
    EXPECT_EQ(rock.sprite.active_cell_count(), 64 * 16);
    EXPECT_TRUE(rock.cores.cores.empty());
    EXPECT_EQ(rock.transform.position, glm::vec2(0.0f));
    // The entity now shows an uncommitted piece; the tick after the swap committed it.
    EXPECT_EQ(entity.dirty.dirty, 0);
    EXPECT_FLOAT_EQ(entity.body.inverse_mass, 1024.0f / 21.0f);
}

TEST(SpriteCommit, JointsMoveWithTheirCore) {
    const IslandLayout layout{7, 7, 1}; // row 19 Joint1 cells
    CommitFixture f(layout);
    SpriteCore joint;
    joint.type = 7;
    joint.grid_point = glm::vec2(9.0f, 19.0f);
    joint.initial_cell_count = 7;
    joint.joint_ids = {42};
    f.entity().cores.cores = {joint};
    // The anchor sits on cell (9, 18) of the 64 x 32 grid; a second joint stays with the body.
    f.entity().body.add_link(JointLink{42, glm::vec2(9.0f / 64.0f * 2.0f - 1.0f, 18.0f / 32.0f * 2.0f - 1.0f)});
    f.entity().body.add_link(JointLink{7, glm::vec2(0.5f, -0.5f)});
    f.cut_bridge();
    f.harness.tick();
    f.harness.tick();

    ASSERT_EQ(f.rocks().size(), 1u);
    const RockEntity& rock = f.rocks().entities()[0];
    ASSERT_EQ(rock.cores.cores.size(), 1u);
    EXPECT_EQ(rock.cores.cores[0].type, 7u);
    EXPECT_EQ(rock.cores.cores[0].grid_point, glm::vec2(3.0f, 2.0f));
    ASSERT_EQ(rock.body.joints.size(), 1u);
    EXPECT_EQ(rock.body.joints[0].joint_id, 42u);
    // Cell (3, 1) of the piece's 32 x 32 grid.
    EXPECT_FLOAT_EQ(rock.body.joints[0].local_anchor.x, 3.0f / 32.0f * 2.0f - 1.0f);
    EXPECT_FLOAT_EQ(rock.body.joints[0].local_anchor.y, 1.0f / 32.0f * 2.0f - 1.0f);
    ASSERT_EQ(f.entity().body.joints.size(), 1u);
    EXPECT_EQ(f.entity().body.joints[0].joint_id, 7u);
    EXPECT_TRUE(f.entity().cores.cores.empty());
}

} // namespace
