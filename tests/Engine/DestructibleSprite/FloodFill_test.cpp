#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/FloodFill.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

const uint16_t kFilled = static_cast<uint16_t>(CellType::Filled);
const uint16_t kCore = static_cast<uint16_t>(CellType::Core);

class FloodFillTest : public ::testing::Test {
protected:
    SpriteChunkPool pool{32, 1024, 32};

    std::vector<FloodFillGroup> run(const Sprite& s) {
        FloodFill fill(s.grid(), s.chunk_table(), s.dirty_chunks());
        return fill.run();
    }
    void remove(Sprite& s, int32_t x, int32_t y) {
        const ChunkCell cc = s.grid().to_chunk_cell(x, y);
        s.remove_cell(cc.chunk, cc.cell);
    }
    // Global cells of a group.
    std::set<std::pair<int32_t, int32_t>> cells_of(const Sprite& s, const FloodFillGroup& g) {
        std::set<std::pair<int32_t, int32_t>> out;
        for (const ChunkPiece& p : g.pieces) {
            for (int32_t c : p.cells) {
                const glm::ivec2 v = s.grid().to_global_cell(p.chunk, c);
                out.insert({v.x, v.y});
            }
        }
        return out;
    }
};

} // namespace

TEST_F(FloodFillTest, OneHoleInALargeSpriteStopsAtOnce) {
    Sprite s(pool, make_rect_asset(96, 96, 0, 0, 96, 96, kFilled), false);
    remove(s, 48, 48);
    ASSERT_EQ(s.dirty_chunks().size(), 1u);
    EXPECT_TRUE(run(s).empty());
}

TEST_F(FloodFillTest, AnIslandInsideOneChunkIsDetached) {
    Sprite s(pool, make_rect_asset(64, 64, 0, 0, 64, 64, kFilled), false);
    // Cut a ring around the three cells (10..12, 10).
    for (int32_t y = 9; y <= 11; ++y) {
        for (int32_t x = 9; x <= 13; ++x) {
            if (!(y == 10 && x >= 10 && x <= 12)) {
                remove(s, x, y);
            }
        }
    }
    const std::vector<FloodFillGroup> groups = run(s);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].total, 3);
    EXPECT_EQ(groups[0].counts[1], 3);
    ASSERT_EQ(groups[0].pieces.size(), 1u);
    const ChunkPiece& p = groups[0].pieces[0];
    EXPECT_EQ(p.chunk, 0);
    EXPECT_EQ(p.min_x, 10);
    EXPECT_EQ(p.max_x, 12);
    EXPECT_EQ(p.min_y, 10);
    EXPECT_EQ(p.max_y, 10);
    EXPECT_EQ(p.border_count, 0u);
    EXPECT_EQ(cells_of(s, groups[0]), (std::set<std::pair<int32_t, int32_t>>{{10, 10}, {11, 10}, {12, 10}}));
}

TEST_F(FloodFillTest, DiagonalContactJoinsInsideAChunkButNotAcrossAChunkCorner) {
    // (5, 5) and (6, 6) touch diagonally; (20, 20) is removed to mark the chunk.
    Sprite joined(pool,
                  make_asset_from(32, 32,
                                  [](int32_t x, int32_t y) -> uint16_t {
                                      return (x == 5 && y == 5) || (x == 6 && y == 6) || (x == 20 && y == 20) ? kFilled
                                                                                                              : 0;
                                  }),
                  false);
    remove(joined, 20, 20);
    EXPECT_TRUE(run(joined).empty());

    Sprite apart(pool,
                 make_asset_from(32, 32,
                                 [](int32_t x, int32_t y) -> uint16_t {
                                     return (x == 5 && y == 5) || (x == 7 && y == 7) || (x == 20 && y == 20) ? kFilled
                                                                                                             : 0;
                                 }),
                 false);
    remove(apart, 20, 20);
    EXPECT_EQ(run(apart).size(), 1u);

    // (31, 31) in chunk 0 and (32, 32) in chunk 3 meet only at the chunks' shared corner.
    Sprite corner(pool,
                  make_asset_from(64, 64,
                                  [](int32_t x, int32_t y) -> uint16_t {
                                      return (x == 31 && (y == 31 || y == 30)) || (x == 32 && (y == 32 || y == 33))
                                                 ? kFilled
                                                 : 0;
                                  }),
                  false);
    remove(corner, 31, 30);
    remove(corner, 32, 33);
    const std::vector<FloodFillGroup> groups = run(corner);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].total, 1);
}

TEST_F(FloodFillTest, GroupsSpreadAcrossChunkBorders) {
    // A 3 x 1 chunk bar; a cut through the middle chunk leaves a left part (x < 40) over two
    // chunks and a larger right part.
    Sprite s(pool, make_rect_asset(96, 32, 0, 0, 96, 32, kFilled), false);
    for (int32_t y = 0; y < 32; ++y) {
        remove(s, 40, y);
    }
    const std::vector<FloodFillGroup> groups = run(s);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].total, 40 * 32);
    std::set<int32_t> chunks;
    for (const ChunkPiece& p : groups[0].pieces) {
        chunks.insert(p.chunk);
    }
    EXPECT_EQ(chunks, (std::set<int32_t>{0, 1}));
}

TEST_F(FloodFillTest, WhenEveryGroupClosesTheBodyHasTheMostCoreCells) {
    // 31 columns in one chunk, column 15 cut: two halves of 15 x 32 cells, neither can grow.
    const auto halves = [&](bool core_on_the_right) {
        return make_asset_from(31, 32, [=](int32_t x, int32_t y) -> uint16_t {
            return (core_on_the_right && x == 20 && y == 3) ? kCore : kFilled;
        });
    };
    {
        Sprite s(pool, halves(false), false);
        for (int32_t y = 0; y < 32; ++y) {
            remove(s, 15, y);
        }
        // Equal totals: the first group (the left half) is the body.
        const std::vector<FloodFillGroup> groups = run(s);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_EQ(groups[0].total, 480);
        EXPECT_TRUE(cells_of(s, groups[0]).contains({16, 0}));
    }
    {
        Sprite s(pool, halves(true), false);
        for (int32_t y = 0; y < 32; ++y) {
            remove(s, 15, y);
        }
        const std::vector<FloodFillGroup> groups = run(s);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_EQ(groups[0].counts[2], 0);
        EXPECT_TRUE(cells_of(s, groups[0]).contains({0, 0}));
    }
    {
        // Across two chunks: the larger side is the body.
        Sprite s(pool, make_rect_asset(64, 32, 0, 0, 64, 32, kFilled), false);
        for (int32_t y = 0; y < 32; ++y) {
            remove(s, 31, y);
        }
        const std::vector<FloodFillGroup> groups = run(s);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_EQ(groups[0].total, 31 * 32);
    }
}

TEST_F(FloodFillTest, SmallPartsCloseBeforeTheBodyIsExplored) {
    // A large sprite with a 2 x 2 corner piece cut off at the chunk border: the search ends as
    // soon as the corner closes, far from having visited the whole sprite.
    Sprite s(pool, make_rect_asset(256, 256, 0, 0, 256, 256, kFilled), false);
    for (int32_t i = 0; i <= 32; ++i) {
        remove(s, i, 32);
        remove(s, 32, i);
    }
    const std::vector<FloodFillGroup> groups = run(s);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].total, 32 * 32);
    EXPECT_EQ(groups[0].pieces.size(), 1u);
}
