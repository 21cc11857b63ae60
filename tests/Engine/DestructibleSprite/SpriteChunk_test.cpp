#include <algorithm>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Support/SpriteFixtures.h"

using test_support::OwnedChunk;

namespace {

const uint16_t kFilled = static_cast<uint16_t>(CellType::Filled);
const SpriteGrid kGrid = SpriteGrid::from_chunks(32, {2, 2});

uint16_t flags_at(const OwnedChunk& c, int32_t x, int32_t y) { return c.flags[static_cast<size_t>(y * 32 + x)]; }

bool on_rim(int32_t x, int32_t y) { return x == 0 || y == 0 || x == 31 || y == 31; }
bool is_corner(int32_t x, int32_t y) { return (x == 0 || x == 31) && (y == 0 || y == 31); }

} // namespace

TEST(SpriteChunk, SingleCellIsACorner) {
    OwnedChunk c(0, {0, 0});
    c.set(5, 7, kFilled);
    c.chunk.rebuild_edges(kGrid, {});
    EXPECT_EQ(cell_edge_kind(flags_at(c, 5, 7)), EdgeCorner);
    EXPECT_EQ(cell_direction(flags_at(c, 5, 7)), 3u);
    ASSERT_EQ(c.chunk.corner_cells.size(), 1u);
    EXPECT_TRUE(c.chunk.side_cells.empty());
    EXPECT_EQ(c.chunk.corner_cells[0].index, 7u * 32 + 5);
    EXPECT_EQ(c.chunk.corner_cells[0].center, kGrid.cell_center_to_local(5, 7));
    EXPECT_EQ(c.chunk.half_extent, glm::vec2(3.0f, 4.0f));
    EXPECT_EQ(c.chunk.max_extent, 8.0f);
}

TEST(SpriteChunk, EmptyChunkHasUnitExtent) {
    OwnedChunk c(0, {0, 0});
    c.chunk.rebuild_edges(kGrid, {});
    EXPECT_EQ(c.chunk.half_extent, glm::vec2(0.5f, 0.5f));
    EXPECT_EQ(c.chunk.max_extent, 1.0f);
}

TEST(SpriteChunk, MaskSelectsKindAndDirection) {
    // A bar of three cells: the ends are corners facing away, the middle is a side cell.
    OwnedChunk c(0, {0, 0});
    c.set(4, 5, kFilled);
    c.set(5, 5, kFilled);
    c.set(6, 5, kFilled);
    // An L below the bar: (10, 10) with (10, 11) above and (11, 10) to the right.
    c.set(10, 10, kFilled);
    c.set(10, 11, kFilled);
    c.set(11, 10, kFilled);
    c.chunk.rebuild_edges(kGrid, {});
    struct Expect {
        int32_t x, y;
        uint32_t kind, direction;
    };
    const Expect table[] = {
        {4, 5, 1, 5},   // right only (mask 1)
        {5, 5, 2, 0},   // left and right (mask 3)
        {6, 5, 1, 3},   // left only (mask 2)
        {10, 10, 1, 5}, // up and right (mask 9)
        {10, 11, 1, 1}, // down only (mask 4)
        {11, 10, 1, 3}, // left only (mask 2)
    };
    for (const Expect& e : table) {
        EXPECT_EQ(cell_edge_kind(flags_at(c, e.x, e.y)), e.kind) << e.x << "," << e.y;
        EXPECT_EQ(cell_direction(flags_at(c, e.x, e.y)), e.direction) << e.x << "," << e.y;
        EXPECT_EQ(cell_type_of(flags_at(c, e.x, e.y)), 1u);
    }
    // Column order: x outer, y inner.
    ASSERT_EQ(c.chunk.corner_cells.size(), 5u);
    EXPECT_EQ(c.chunk.corner_cells[0].index, 5u * 32 + 4);
    EXPECT_EQ(c.chunk.corner_cells[2].index, 10u * 32 + 10);
    EXPECT_EQ(c.chunk.corner_cells[3].index, 11u * 32 + 10);
    ASSERT_EQ(c.chunk.side_cells.size(), 1u);
}

TEST(SpriteChunk, FullChunkWithoutNeighboursListsOnlyItsRim) {
    OwnedChunk c(0, {0, 0});
    c.fill(kFilled);
    c.chunk.rebuild_edges(kGrid, {});
    EXPECT_EQ(c.chunk.corner_cells.size(), 4u);
    EXPECT_EQ(c.chunk.side_cells.size(), 124u - 4u);
    for (int32_t x = 0; x < 32; ++x) {
        for (int32_t y = 0; y < 32; ++y) {
            const uint32_t kind = cell_edge_kind(flags_at(c, x, y));
            const uint32_t expected = is_corner(x, y) ? EdgeCorner : on_rim(x, y) ? EdgeSide : EdgeInterior;
            ASSERT_EQ(kind, expected) << x << "," << y;
        }
    }
    for (const EdgeCell& e : c.chunk.side_cells) {
        const glm::ivec2 l = kGrid.local_cell(static_cast<int32_t>(e.index));
        EXPECT_TRUE(on_rim(l.x, l.y) && !is_corner(l.x, l.y));
    }
    // Outward directions of the sides: top up, right side right, bottom down, left side left.
    EXPECT_EQ(cell_direction(flags_at(c, 10, 31)), 0u);
    EXPECT_EQ(cell_direction(flags_at(c, 31, 10)), 2u);
    EXPECT_EQ(cell_direction(flags_at(c, 10, 0)), 4u);
    EXPECT_EQ(cell_direction(flags_at(c, 0, 10)), 6u);
    EXPECT_EQ(c.chunk.half_extent, glm::vec2(16.0f, 16.0f));
    EXPECT_EQ(c.chunk.max_extent, 32.0f);
}

TEST(SpriteChunk, FullNeighboursMakeEveryCellInterior) {
    OwnedChunk c(3, {32, 32});
    OwnedChunk left(2, {0, 32}), right(4, {64, 32}), up(6, {32, 64}), down(0, {32, 0});
    for (OwnedChunk* o : {&c, &left, &right, &up, &down}) {
        o->fill(kFilled);
    }
    const SpriteGrid grid = SpriteGrid::from_chunks(32, {3, 3});
    c.chunk.rebuild_edges(grid, {&left.chunk, &right.chunk, &up.chunk, &down.chunk});
    EXPECT_TRUE(c.chunk.corner_cells.empty());
    EXPECT_TRUE(c.chunk.side_cells.empty());
    EXPECT_TRUE(
        std::all_of(c.flags.begin(), c.flags.end(), [](uint16_t f) { return cell_edge_kind(f) == EdgeInterior; }));
    // The neighbours are read, never written.
    EXPECT_TRUE(std::all_of(left.flags.begin(), left.flags.end(), [](uint16_t f) { return f == kFilled; }));
}

TEST(SpriteChunk, OneNeighbourAcrossTheRightBorder) {
    OwnedChunk c(0, {0, 0});
    OwnedChunk right(1, {32, 0});
    c.fill(kFilled);
    right.fill(kFilled);
    c.chunk.rebuild_edges(kGrid, {nullptr, &right.chunk, nullptr, nullptr});
    // The right column is interior except its two ends, which still face up or down.
    EXPECT_EQ(c.chunk.corner_cells.size(), 2u);
    EXPECT_EQ(c.chunk.side_cells.size(), 124u - 2u - 2u - 30u + 2u);
    EXPECT_EQ(cell_edge_kind(flags_at(c, 31, 15)), EdgeInterior);
    EXPECT_EQ(cell_edge_kind(flags_at(c, 31, 31)), EdgeSide);
    EXPECT_EQ(cell_direction(flags_at(c, 31, 31)), 0u);
    EXPECT_EQ(cell_edge_kind(flags_at(c, 0, 31)), EdgeCorner);
    EXPECT_EQ(cell_direction(flags_at(c, 0, 31)), 7u);
}

TEST(SpriteChunk, RemoveAndRestoreReturnToTheSameState) {
    OwnedChunk c(0, {0, 0});
    c.set(3, 3, static_cast<uint16_t>(CellType::Core));
    c.chunk.rebuild_edges(kGrid, {});
    const uint16_t before = flags_at(c, 3, 3);
    c.chunk.remove_cell(3 * 32 + 3);
    EXPECT_EQ(c.chunk.active, 0);
    EXPECT_TRUE(cell_removed(flags_at(c, 3, 3)));
    EXPECT_EQ(cell_type_of(flags_at(c, 3, 3)), 2u);
    c.chunk.restore_cell(3 * 32 + 3);
    EXPECT_EQ(c.chunk.active, 1);
    EXPECT_EQ(flags_at(c, 3, 3), before);
    c.chunk.clear_edges();
    EXPECT_TRUE(c.chunk.corner_cells.empty());
}
