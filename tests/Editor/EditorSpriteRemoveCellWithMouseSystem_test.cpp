#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "Editor/EditorSpriteRemoveCellWithMouseSystem.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteCommitSystem.h"
#include "Engine/EntityPool.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Input/EditorInputScheme.h"
#include "Support/SceneHarness.h"
#include "Support/SpriteBuilder.h"

using namespace test_support;

namespace {

// One full chunk of 32 x 32 cells at the origin: one world unit, a cell is 1/32.
struct CutFixture {
    CutFixture()
        : harness([this](HarnessScene& scene) {
              register_rock_entity_list(scene.entity_pool());
              cutter = &scene.register_system<EditorSpriteRemoveCellWithMouseSystem>(SystemGroup::Tick, scene, &input);
              scene.register_system<SpriteCommitSystem>(SystemGroup::Tick, &chunks);
          }) {
        RockEntity rock;
        rock.sprite = build_sprite(chunks, {1, 1}, filled_box({0, 0}, {31, 31}));
        rock.transform.scale = glm::vec2(0.5f);
        rock.body = PhysicsBody(glm::vec2(0.0f), 0.0f);
        id = rocks().add(std::move(rock));
    }

    EntityList<RockEntity>& rocks() { return harness.scene->entity_pool().list<RockEntity>(); }
    RockEntity& rock() { return rocks().at(id); }
    bool active(int32_t x, int32_t y) {
        const ChunkCell at = rock().sprite.grid().to_chunk_cell(x, y);
        return rock().sprite.is_cell_active(at.chunk, at.cell);
    }
    static glm::vec2 cell_center(float x, float y) { return {-0.5f + (x + 0.5f) / 32.0f, -0.5f + (y + 0.5f) / 32.0f}; }

    // The frame's mouse: the previous position, then the current one, with the left button held.
    void drag(glm::vec2 from, glm::vec2 to, bool down = true) {
        input.previous_mouse_world = from;
        input.mouse_world = to;
        input.mouse_down = down;
        harness.tick();
    }

    SpriteChunkPool chunks{32, 1024, 32};
    EditorInputScheme input{nullptr};
    EditorSpriteRemoveCellWithMouseSystem* cutter = nullptr;
    SceneHarness harness;
    EntityId id;
};

struct CutCase {
    const char* name;
    glm::vec2 from; // in cells; the drag ends at `to`
    glm::vec2 to;
    bool down;
    int32_t removed;
};

class CutWithMouse : public testing::TestWithParam<CutCase> {};

TEST_P(CutWithMouse, RemovesTheCellsUnderThePath) {
    const CutCase& c = GetParam();
    CutFixture f;
    const int32_t before = f.rock().sprite.active_cell_count();
    f.drag(CutFixture::cell_center(c.from.x, c.from.y), CutFixture::cell_center(c.to.x, c.to.y), c.down);
    EXPECT_EQ(before - f.rock().sprite.active_cell_count(), c.removed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CutWithMouse,
    testing::Values(CutCase{"HeldStillTakesTheCellUnderTheCursor", {10.0f, 20.0f}, {10.0f, 20.0f}, true, 1},
                    CutCase{"ButtonUpTakesNothing", {2.0f, 16.0f}, {29.0f, 16.0f}, false, 0},
                    CutCase{"FastDragCutsAContinuousRow", {2.0f, 16.0f}, {29.0f, 16.0f}, true, 28},
                    CutCase{"DragOverEmptySpaceTakesNothing", {40.0f, 50.0f}, {60.0f, 40.0f}, true, 0},
                    // Enters at the left edge: only the part over the grid counts.
                    CutCase{"DragFromOutsideTakesTheCellsInside", {-20.0f, 5.0f}, {3.0f, 5.0f}, true, 4}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(CutWithMouse, DiagonalDragLeavesNoGap) {
    CutFixture f;
    f.drag(CutFixture::cell_center(3.0f, 2.0f), CutFixture::cell_center(28.0f, 29.0f));
    // Every cell the line passed is gone, so no cell path crosses it: along each column the removed cells
    // touch those of the next column.
    int32_t previous_top = -1;
    for (int32_t x = 3; x <= 28; ++x) {
        int32_t bottom = 32;
        int32_t top = -1;
        for (int32_t y = 0; y < 32; ++y) {
            if (!f.active(x, y)) {
                bottom = std::min(bottom, y);
                top = std::max(top, y);
            }
        }
        ASSERT_GE(top, 0) << "column " << x;
        if (previous_top >= 0) {
            EXPECT_LE(bottom, previous_top + 1) << "column " << x;
        }
        previous_top = top;
    }
}

TEST(CutWithMouse, OutsideTheGridTheDirtyFlagStaysClear) {
    CutFixture f;
    f.rock().dirty.dirty = 0;
    f.drag(glm::vec2(3.0f, 3.0f), glm::vec2(2.0f, -4.0f));
    EXPECT_EQ(f.rock().dirty.dirty, 0);
    EXPECT_EQ(f.cutter->cells_walked(), 0u);
}

TEST(CutWithMouse, ALongJumpWalksNoMoreThanTheGrid) {
    CutFixture f;
    f.drag(glm::vec2(-1.0e6f, CutFixture::cell_center(0.0f, 7.0f).y), CutFixture::cell_center(12.0f, 7.0f));
    EXPECT_LE(f.cutter->cells_walked(), 32u + 32u + 2u);
    for (int32_t x = 0; x < 32; ++x) {
        EXPECT_EQ(f.active(x, 7), x > 12) << "cell " << x;
    }
}

TEST(CutWithMouse, ACutAcrossTheSpriteSplitsItAtTheCommit) {
    CutFixture f;
    const int32_t before = f.rock().sprite.active_cell_count();
    f.drag(CutFixture::cell_center(16.0f, -3.0f), CutFixture::cell_center(16.0f, 35.0f));
    f.input.mouse_down = false;
    f.harness.tick(); // the new rock enters its list at this flush
    ASSERT_EQ(f.rocks().size(), 2u);
    int32_t left = 0;
    for (const RockEntity& rock : f.rocks().entities()) {
        EXPECT_GE(rock.sprite.active_cell_count(), 15 * 32);
        left += rock.sprite.active_cell_count();
    }
    EXPECT_EQ(left, before - 32);
}

} // namespace
