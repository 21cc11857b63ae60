#include <algorithm>
#include <random>
#include <stdexcept>
#include <unordered_set>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/SplitResult.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Math/Transform.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

const uint16_t kFilled = static_cast<uint16_t>(CellType::Filled);
const uint16_t kCore = static_cast<uint16_t>(CellType::Core);

CellMoments moments_of_cells(const Sprite& s) {
    std::vector<DebrisCell> cells;
    s.active_cells(cells);
    CellMoments m;
    for (const DebrisCell& c : cells) {
        m.add_cell({c.x, c.y});
    }
    return m;
}

class SpriteTest : public ::testing::Test {
protected:
    SpriteChunkPool pool{32, 1024, 32};
};

} // namespace

TEST_F(SpriteTest, BuiltFromAnAsset) {
    // 40 x 10 cells: Filled, with a 2 x 2 Core at (35, 3) in the second chunk.
    const SpriteAsset asset = make_asset_from(40, 10, [](int32_t x, int32_t y) -> uint16_t {
        return (x >= 35 && x < 37 && y >= 3 && y < 5) ? kCore : kFilled;
    });
    Sprite s(pool, asset, false);
    EXPECT_EQ(s.grid().chunks_x, 2u);
    EXPECT_EQ(s.grid().chunks_y, 1u);
    EXPECT_EQ(s.active_cell_count(), 400);
    EXPECT_EQ(s.cell_type_info(1).active, 396u);
    EXPECT_EQ(s.cell_type_info(2).active, 4u);
    EXPECT_EQ(s.cell_type_info(2).x, 35);
    EXPECT_EQ(s.cell_type_info(2).y, 3);
    EXPECT_EQ(s.cell_extents(), glm::ivec2(64, 32));
    EXPECT_EQ(s.chunk_table().size(), 2u);
    EXPECT_TRUE(s.dirty_chunks().empty());
    EXPECT_EQ(s.moments(), moments_of_cells(s));
    EXPECT_EQ(s.moments().count, 400);
    EXPECT_THROW(s.cell_type_info(11), std::out_of_range);

    const CellValue core = s.get_cell(1, 3 * 32 + 3);
    EXPECT_EQ(cell_type_of(core.flags), 2u);
    EXPECT_EQ(core.color, fixture_color(35, 3));
    EXPECT_EQ(s.get_cell(5, 0).flags, 0u);
    EXPECT_EQ(s.get_cell(-1, 0).color, 0u);
    EXPECT_FALSE(s.is_cell_active(0, 31 * 32)); // row 31 lies outside the 10 rows
    EXPECT_TRUE(s.is_cell_active(0, 9 * 32));
    EXPECT_FALSE(s.is_cell_active(2, 0));
}

TEST_F(SpriteTest, EveryChunkHasItsOutlineFromTheStart) {
    // One full chunk: only the rim is listed.
    Sprite one(pool, make_rect_asset(32, 32, 0, 0, 32, 32, kFilled), false);
    const SpriteChunk* c = one.chunk(0);
    EXPECT_EQ(c->corner_cells.size(), 4u);
    EXPECT_EQ(c->side_cells.size(), 120u);

    // Two full chunks side by side: the shared border is interior on both sides.
    Sprite two(pool, make_rect_asset(64, 32, 0, 0, 64, 32, kFilled), false);
    const SpriteChunk* left = two.chunk(0);
    const SpriteChunk* right = two.chunk(1);
    EXPECT_EQ(left->corner_cells.size(), 2u);
    EXPECT_EQ(left->side_cells.size(), 92u);
    EXPECT_EQ(right->corner_cells.size(), 2u);
    EXPECT_EQ(right->side_cells.size(), 92u);
    EXPECT_EQ(cell_edge_kind(left->flags[10 * 32 + 31]), EdgeInterior);
    EXPECT_EQ(cell_edge_kind(right->flags[10 * 32 + 0]), EdgeInterior);
    for (const EdgeCell& e : left->side_cells) {
        // Along the shared border only the two ends, on the top and bottom rims, are listed.
        EXPECT_TRUE(e.index % 32 != 31u || e.index / 32 == 0u || e.index / 32 == 31u) << e.index;
    }
}

TEST_F(SpriteTest, RemovingACellUpdatesCountsMomentsAndDirtyChunks) {
    Sprite s(pool, make_rect_asset(64, 64, 0, 0, 64, 64, kFilled), false);
    const CellMoments before = s.moments();
    s.remove_cell(0, 5 * 32 + 6);
    EXPECT_EQ(s.active_cell_count(), 4095);
    EXPECT_EQ(s.cell_type_info(1).active, 4095u);
    EXPECT_EQ(s.chunk(0)->active, 1023);
    EXPECT_TRUE(cell_removed(s.get_cell(0, 5 * 32 + 6).flags));
    EXPECT_EQ(s.dirty_chunks().size(), 1u);
    EXPECT_EQ(s.moments(), moments_of_cells(s));
    EXPECT_NE(s.moments(), before);

    // A removed or an empty cell, or a missing chunk, changes nothing.
    const CellMoments after = s.moments();
    s.remove_cell(0, 5 * 32 + 6);
    s.remove_cell(9, 0);
    s.remove_cell(0, 1024);
    EXPECT_EQ(s.active_cell_count(), 4095);
    EXPECT_EQ(s.moments(), after);
    EXPECT_EQ(s.dirty_chunks().size(), 1u);
    EXPECT_TRUE(s.cell_type_info(1).removed.empty()); // not kept
}

TEST_F(SpriteTest, TopRowRemovalMarksTheChunkAboveOnlyWhenItsCellIsActive) {
    // Two chunks stacked; the upper one lacks the cell above x = 3.
    const SpriteAsset asset =
        make_asset_from(32, 64, [](int32_t x, int32_t y) -> uint16_t { return (y == 32 && x == 3) ? 0 : kFilled; });
    Sprite s(pool, asset, false);
    SpriteChunk* lower = s.chunk(0);
    SpriteChunk* upper = s.chunk(1);
    s.remove_cell(0, 31 * 32 + 3);
    EXPECT_TRUE(s.dirty_chunks().contains(lower));
    EXPECT_FALSE(s.dirty_chunks().contains(upper));
    s.remove_cell(0, 31 * 32 + 4);
    EXPECT_TRUE(s.dirty_chunks().contains(upper));
}

TEST_F(SpriteTest, MomentsAfterRemovalsMatchTheRemainingCells) {
    Sprite s(pool, make_rect_asset(70, 40, 3, 2, 60, 35, kFilled), false);
    for (int32_t y = 0; y < 64; y += 3) {
        for (int32_t x = 0; x < 96; x += 2) {
            const ChunkCell cc = s.grid().to_chunk_cell(x, y);
            s.remove_cell(cc.chunk, cc.cell);
        }
    }
    EXPECT_EQ(s.moments(), moments_of_cells(s));
    EXPECT_EQ(s.moments(), sprite_moments_of(s.grid(), s));
    EXPECT_EQ(s.moments().count, s.active_cell_count());
    const MassProperties m = s.cell_moments();
    EXPECT_FLOAT_EQ(m.mass, static_cast<float>(s.active_cell_count()) / 1024.0f);
}

TEST_F(SpriteTest, MassPropertiesOfOneCell) {
    Sprite s(pool, make_rect_asset(64, 64, 0, 0, 1, 1, kFilled), false);
    const MassProperties m = s.cell_moments();
    EXPECT_EQ(m.mass, 1.0f / 1024.0f);
    EXPECT_EQ(m.inverse_mass, 1024.0f);
    // Its own inertia only: m s^2 / 6 with the cell 1/32 of a world unit wide.
    EXPECT_EQ(m.inertia, 1.0f / 6291456.0f);
    EXPECT_EQ(m.center_of_mass, glm::vec2(-1.0f + 1.0f / 64.0f, -1.0f + 1.0f / 64.0f));
    s.remove_cell(0, 0);
    const MassProperties none = s.cell_moments();
    EXPECT_EQ(none.mass, 0.0f);
    EXPECT_EQ(none.inverse_mass, 0.0f);
    EXPECT_EQ(none.inertia, 0.0f);
}

TEST_F(SpriteTest, KeptRemovedCellsComeBack) {
    const SpriteAsset asset =
        make_asset_from(40, 40, [](int32_t x, int32_t y) -> uint16_t { return (x < 4 && y < 4) ? kCore : kFilled; });
    Sprite s(pool, asset, true);
    const CellMoments moments = s.moments();
    s.remove_all_cells();
    EXPECT_EQ(s.active_cell_count(), 0);
    EXPECT_EQ(s.cell_type_info(2).active, 0u);
    EXPECT_EQ(s.cell_type_info(2).removed.size(), 16u);
    EXPECT_TRUE(s.chunk(0)->side_cells.empty());
    EXPECT_EQ(s.chunk_table().size(), 4u); // the chunks stay
    s.restore_removed_cells();
    EXPECT_EQ(s.active_cell_count(), 1600);
    EXPECT_EQ(s.cell_type_info(1).active, 1584u);
    EXPECT_EQ(s.cell_type_info(2).active, 16u);
    EXPECT_TRUE(s.cell_type_info(2).removed.empty());
    EXPECT_EQ(s.moments(), moments);
    // The restored chunks wait for the next commit to get their outlines back.
    EXPECT_EQ(s.dirty_chunks().size(), 4u);
}

TEST_F(SpriteTest, RestoreOneRemovedCellPicksTheBestTouchingCell) {
    // Core 3 x 3 at (10..12, 10..12), reference point (11, 11).
    const SpriteAsset asset = make_asset_from(32, 32, [](int32_t x, int32_t y) -> uint16_t {
        return (x >= 10 && x <= 12 && y >= 10 && y <= 12) ? kCore : (x < 20 ? kFilled : 0);
    });
    Sprite s(pool, asset, true);
    ASSERT_EQ(s.cell_type_info(2).x, 11);
    const auto remove = [&](int32_t x, int32_t y) { s.remove_cell(0, y * 32 + x); };
    remove(11, 11); // the middle: 8 active neighbours, distance 0
    remove(10, 10); // a corner
    EXPECT_EQ(s.cell_type_info(2).active, 7u);
    s.restore_one_removed_cell(2);
    EXPECT_TRUE(s.is_cell_active(0, 11 * 32 + 11));
    EXPECT_FALSE(s.is_cell_active(0, 10 * 32 + 10));
    EXPECT_EQ(s.cell_type_info(2).active, 8u);
    EXPECT_EQ(s.cell_type_info(2).removed.size(), 1u);
    EXPECT_THROW(s.restore_one_removed_cell(11), std::out_of_range);

    // A removed cell with no active neighbour is never chosen.
    Sprite lone(pool,
                make_asset_from(32, 32,
                                [](int32_t x, int32_t y) -> uint16_t {
                                    return (x == 5 && y == 5) || (x == 20 && y == 20) ? kCore : 0;
                                }),
                true);
    lone.remove_cell(0, 5 * 32 + 5);
    lone.restore_one_removed_cell(2);
    EXPECT_FALSE(lone.is_cell_active(0, 5 * 32 + 5));
    EXPECT_EQ(lone.cell_type_info(2).removed.size(), 1u);
}

TEST_F(SpriteTest, RemoveChunkKeepsTheTableDense) {
    Sprite s(pool, make_rect_asset(96, 32, 0, 0, 96, 32, kFilled), false);
    SpriteChunk* middle = s.chunk(1);
    SpriteChunk* last = s.chunk(2);
    for (int32_t i = 0; i < 1024; ++i) {
        s.remove_cell(1, i);
    }
    ASSERT_EQ(middle->active, 0);
    s.remove_chunk(middle);
    const ChunkTable& t = s.chunk_table();
    EXPECT_EQ(t.size(), 2u);
    EXPECT_EQ(t.chunk_of_slot[1], last);
    EXPECT_EQ(t.index_of_slot[1], 2u);
    EXPECT_EQ(t.slot_of_index[2], 1);
    EXPECT_EQ(t.slot_of_index[1], -1);
    EXPECT_FALSE(s.has_chunk(1));
    EXPECT_FALSE(s.dirty_chunks().contains(middle));
    ASSERT_NE(pool.pending_op(middle), nullptr);
    EXPECT_EQ(*pool.pending_op(middle), ChunkOp::Freed);
    EXPECT_EQ(s.active_cell_count(), 2048);
}

TEST_F(SpriteTest, MovedFromSpriteFreesNothing) {
    Sprite a(pool, make_rect_asset(64, 32, 0, 0, 64, 32, kFilled), false);
    pool.apply_pending();
    Sprite b(std::move(a));
    EXPECT_EQ(a.chunk_table().size(), 0u);
    EXPECT_EQ(a.pool(), nullptr);
    EXPECT_EQ(a.active_cell_count(), 0);
    EXPECT_EQ(b.active_cell_count(), 2048);
    Sprite c;
    c = std::move(b);
    { Sprite gone(std::move(a)); }
    EXPECT_EQ(pool.pending_count(), 0u);
    EXPECT_EQ(c.chunk_table().size(), 2u);
    { Sprite gone(std::move(c)); }
    EXPECT_EQ(pool.pending_count(), 2u);
    pool.apply_pending();
    EXPECT_EQ(pool.slots_in_use(), 0u);
}

// The dirty set is filled lazily from the chunks marked since it was last read. Whenever it is read it must hold,
// and iterate in, what inserting each chunk at its marking gives: the flood fill seeds in that order, so the
// pieces of a commit and their order depend on it. The reference set here gets every insertion at once.
TEST_F(SpriteTest, DirtySetIteratesAsIfEveryMarkWereInsertedAtOnce) {
    // 6 x 5 chunks with holes, an empty chunk column and thin bridges, so that removals touch chunk rims often
    // and commits split parts off.
    const SpriteAsset asset = make_asset_from(190, 150, [](int32_t x, int32_t y) -> uint16_t {
        if (x >= 64 && x < 96) {
            return y % 40 == 7 ? kFilled : 0;
        }
        return (x * 7 + y * 3) % 11 == 0 ? 0 : (x / 20 + y / 20) % 5 == 0 ? kCore : kFilled;
    });
    std::mt19937 draws(7);
    for (const bool keep_removed : {false, true}) {
        Sprite s(pool, asset, keep_removed);
        std::unordered_set<SpriteChunk*> reference;
        reference.max_load_factor(1.0f);
        reference.rehash(8);
        const SpriteGrid grid = s.grid();
        const auto mark = [&](int32_t x, int32_t y) {
            if (!grid.contains_cell(x, y)) {
                return;
            }
            const ChunkCell at = grid.to_chunk_cell(x, y);
            if (s.is_cell_active(at.chunk, at.cell)) {
                reference.insert(s.chunk(at.chunk));
            }
        };
        size_t compared = 0;
        for (int32_t step = 0; step < 6000; ++step) {
            const auto x = static_cast<int32_t>(draws() % grid.cells_x);
            const auto y = static_cast<int32_t>(draws() % grid.cells_y);
            const ChunkCell at = grid.to_chunk_cell(x, y);
            if (s.is_cell_active(at.chunk, at.cell)) {
                // The spec's order: the cell's own chunk, then left, right, down and up across the rim.
                reference.insert(s.chunk(at.chunk));
                s.remove_cell(at.chunk, at.cell);
                const int32_t n = static_cast<int32_t>(grid.chunk_size);
                if (x % n == 0) {
                    mark(x - 1, y);
                }
                if (x % n == n - 1) {
                    mark(x + 1, y);
                }
                if (y % n == 0) {
                    mark(x, y - 1);
                }
                if (y % n == n - 1) {
                    mark(x, y + 1);
                }
            } else {
                s.remove_cell(at.chunk, at.cell); // a no-op that must not mark anything
            }
            if (keep_removed && step % 97 == 0) {
                // The restored cell's chunk is marked: it is the removed cell that is active again.
                const std::vector<glm::ivec2> removed = s.cell_type_info(1).removed;
                s.restore_one_removed_cell(1);
                for (const glm::ivec2 p : removed) {
                    const ChunkCell back = grid.to_chunk_cell(p);
                    if (s.is_cell_active(back.chunk, back.cell)) {
                        reference.insert(s.chunk(back.chunk));
                    }
                }
            }
            if (step % 211 == 0) {
                ASSERT_EQ(std::vector<SpriteChunk*>(s.dirty_chunks().begin(), s.dirty_chunks().end()),
                          std::vector<SpriteChunk*>(reference.begin(), reference.end()))
                    << "step " << step;
                ++compared;
            }
            if (step % 1500 == 1499) {
                SplitResult out;
                Sprite::commit(s, out, Transform{}, CommitSettings{});
                EXPECT_TRUE(s.dirty_chunks().empty());
                reference.clear();
            }
        }
        EXPECT_GT(compared, 20u);
        EXPECT_LT(s.active_cell_count(), 190 * 150 - 3000);
    }
}
