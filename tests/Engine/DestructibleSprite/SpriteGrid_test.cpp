#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"

TEST(SpriteGrid, CellCountsRoundUpToWholeChunks) {
    const SpriteGrid g = SpriteGrid::from_cells(32, {33, 1});
    EXPECT_EQ(g.chunks_x, 2u);
    EXPECT_EQ(g.chunks_y, 1u);
    EXPECT_EQ(g.cells_x, 64u);
    EXPECT_EQ(g.cells_y, 32u);
    EXPECT_EQ(g.chunk_count(), 2u);
    EXPECT_EQ(g.cells_per_chunk(), 1024u);

    const SpriteGrid c = SpriteGrid::from_chunks(32, {3, 2});
    EXPECT_EQ(c.cells_x, 96u);
    EXPECT_EQ(c.cells_y, 64u);
    const SpriteGrid zero;
    EXPECT_EQ(zero.chunk_size + zero.chunks_x + zero.chunks_y + zero.cells_x + zero.cells_y, 0u);
}

TEST(SpriteGrid, ChunkCellRoundTripsEveryCell) {
    const SpriteGrid g = SpriteGrid::from_chunks(32, {3, 2});
    for (int32_t y = 0; y < static_cast<int32_t>(g.cells_y); ++y) {
        for (int32_t x = 0; x < static_cast<int32_t>(g.cells_x); ++x) {
            const ChunkCell cc = g.to_chunk_cell(x, y);
            ASSERT_TRUE(g.contains_chunk_index(cc.chunk));
            ASSERT_TRUE(g.contains_local_index(cc.cell));
            ASSERT_EQ(g.to_global_cell(cc), glm::ivec2(x, y));
            const glm::ivec2 cp = g.chunk_position(cc.chunk);
            ASSERT_EQ(g.to_global_cell(cp, g.local_cell(cc.cell)), glm::ivec2(x, y));
        }
    }
    // Chunk (2, 1), local cell (3, 4): index 1 * 3 + 2, cell 4 * 32 + 3.
    const ChunkCell cc = g.to_chunk_cell(2 * 32 + 3, 32 + 4);
    EXPECT_EQ(cc.chunk, 5);
    EXPECT_EQ(cc.cell, 131);
    const ChunkCell truncated = g.point_to_chunk_cell({67.9f, 36.99f});
    EXPECT_EQ(truncated.chunk, 5);
    EXPECT_EQ(truncated.cell, 131);
}

TEST(SpriteGrid, LocalCoordinatesSpanTheSquare) {
    const SpriteGrid g = SpriteGrid::from_chunks(32, {2, 1}); // 64 x 32 cells
    EXPECT_EQ(g.cell_corner_to_local(0, 0), glm::vec2(-1.0f, -1.0f));
    EXPECT_EQ(g.cell_center_to_local(63, 31), glm::vec2(1.0f - 1.0f / 64.0f, 1.0f - 1.0f / 32.0f));
    EXPECT_EQ(g.cell_to_local({64.0f, 32.0f}), glm::vec2(1.0f, 1.0f));
    EXPECT_EQ(g.local_to_cell({0.0f, 0.0f}), glm::vec2(32.0f, 16.0f));
    EXPECT_EQ(g.local_to_cell(g.cell_corner_to_local(10, 7)), glm::vec2(10.0f, 7.0f));
    EXPECT_EQ(g.cell_size_to_local({16.0f, 16.0f}), glm::vec2(0.5f, 1.0f));
    EXPECT_EQ(g.cell_center_to_local(ChunkCell{1, 0}), glm::vec2((32.5f / 64.0f) * 2 - 1, (0.5f / 32.0f) * 2 - 1));
}

TEST(SpriteGrid, NeighboursOnlyAcrossChunkBorders) {
    const SpriteGrid g = SpriteGrid::from_chunks(32, {3, 3});
    for (const GridNeighbour& n : g.neighbours({1, 1}, {10, 10})) {
        EXPECT_FALSE(n.valid);
    }
    for (const GridNeighbour& n : g.neighbours({0, 0}, {0, 0})) {
        EXPECT_FALSE(n.valid);
    }

    const auto corner = g.neighbours({1, 1}, {0, 31});
    EXPECT_TRUE(corner[GridSideLeft].valid);
    EXPECT_EQ(corner[GridSideLeft].chunk, glm::ivec2(0, 1));
    EXPECT_EQ(corner[GridSideLeft].cell, glm::ivec2(31, 31));
    EXPECT_FALSE(corner[GridSideRight].valid);
    EXPECT_FALSE(corner[GridSideDown].valid);
    EXPECT_TRUE(corner[GridSideUp].valid);
    EXPECT_EQ(corner[GridSideUp].chunk, glm::ivec2(1, 2));
    EXPECT_EQ(corner[GridSideUp].cell, glm::ivec2(0, 0));
    // Filled even when invalid.
    EXPECT_EQ(corner[GridSideRight].chunk, glm::ivec2(2, 1));
    EXPECT_EQ(corner[GridSideRight].cell, glm::ivec2(0, 31));

    const auto top_right = g.neighbours({2, 2}, {31, 31});
    EXPECT_FALSE(top_right[GridSideRight].valid);
    EXPECT_FALSE(top_right[GridSideUp].valid);
    const auto bottom = g.neighbours({1, 1}, {5, 0});
    EXPECT_TRUE(bottom[GridSideDown].valid);
    EXPECT_EQ(bottom[GridSideDown].chunk, glm::ivec2(1, 0));
    EXPECT_EQ(bottom[GridSideDown].cell, glm::ivec2(5, 31));
}

TEST(Cell, FlagBits) {
    const uint16_t core = static_cast<uint16_t>(CellType::Core);
    EXPECT_TRUE(cell_active(core));
    EXPECT_FALSE(cell_active(core | kCellRemovedBit));
    EXPECT_FALSE(cell_active(0));
    EXPECT_EQ(cell_type_of(core | kCellRemovedBit), 2u);
    const uint16_t edged = with_edge(core | kCellRemovedBit, EdgeSide, 6);
    EXPECT_EQ(edged, 0x0020 | 0x0002 | (2 << 6) | (6 << 8));
    EXPECT_EQ(cell_edge_kind(edged), 2u);
    EXPECT_EQ(cell_direction(edged), 6u);
    EXPECT_EQ(with_edge(edged, EdgeCorner, 3), 0x0020 | 0x0002 | (1 << 6) | (3 << 8));
    EXPECT_EQ(cell_type_name(2), "Core");
    EXPECT_EQ(cell_type_name(10), "Joint4");
    EXPECT_FALSE(is_core_type(1));
    EXPECT_TRUE(is_core_type(2));
    EXPECT_TRUE(is_core_type(10));
    EXPECT_FALSE(is_core_type(11));
}
