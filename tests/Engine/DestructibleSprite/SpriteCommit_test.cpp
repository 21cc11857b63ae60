#include <algorithm>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/SplitCorePlacement.h"
#include "Engine/DestructibleSprite/SplitResult.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Log.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

const uint16_t kFilled = static_cast<uint16_t>(CellType::Filled);
const uint16_t kCore = static_cast<uint16_t>(CellType::Core);
const uint16_t kWeak = static_cast<uint16_t>(CellType::Weakpoint1);

using CellSet = std::set<std::pair<int32_t, int32_t>>;

struct Rect {
    int32_t x0, y0, x1, y1; // inclusive
    bool contains(int32_t x, int32_t y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

class CommitTest : public ::testing::Test {
protected:
    LogGuard log{LogLevelInfo, LogTest, 1};
    SpriteChunkPool pool{32, 1024, 32};
    CommitSettings settings{0, 20};

    void remove(Sprite& s, int32_t x, int32_t y) {
        const ChunkCell cc = s.grid().to_chunk_cell(x, y);
        s.remove_cell(cc.chunk, cc.cell);
    }
    void remove_rect(Sprite& s, Rect r) {
        for (int32_t y = r.y0; y <= r.y1; ++y) {
            for (int32_t x = r.x0; x <= r.x1; ++x) {
                remove(s, x, y);
            }
        }
    }
    static CellSet cells_of(const Sprite& s) {
        std::vector<DebrisCell> cells;
        s.active_cells(cells);
        CellSet out;
        for (const DebrisCell& c : cells) {
            out.insert({c.x, c.y});
        }
        return out;
    }
    static CellSet cells_of(const std::vector<DebrisCell>& cells) {
        CellSet out;
        for (const DebrisCell& c : cells) {
            out.insert({c.x, c.y});
        }
        return out;
    }
    static CellSet rect_cells(Rect r) {
        CellSet out;
        for (int32_t y = r.y0; y <= r.y1; ++y) {
            for (int32_t x = r.x0; x <= r.x1; ++x) {
                out.insert({x, y});
            }
        }
        return out;
    }
};

// A body in the lower-left 64 x 64 cells and parts hanging on it by bridges of removable cells.
struct BodyWithParts {
    std::vector<Rect> parts;
    std::vector<Rect> bridges;
    std::map<std::pair<int32_t, int32_t>, uint16_t> special; // cells of other types

    SpriteAsset asset() const {
        return make_asset_from(128, 64, [this](int32_t x, int32_t y) -> uint16_t {
            const auto it = special.find({x, y});
            if (it != special.end()) {
                return it->second;
            }
            if (x < 64) {
                return kFilled;
            }
            for (const Rect& r : parts) {
                if (r.contains(x, y)) {
                    return kFilled;
                }
            }
            for (const Rect& r : bridges) {
                if (r.contains(x, y)) {
                    return kFilled;
                }
            }
            return 0;
        });
    }
};

// Part 0 in the chunk right of the body's lower half, part 1 right of its upper half.
BodyWithParts two_parts(int32_t w0, int32_t h0, int32_t w1, int32_t h1) {
    BodyWithParts b;
    b.parts = {{70, 5, 70 + w0 - 1, 5 + h0 - 1}, {70, 40, 70 + w1 - 1, 40 + h1 - 1}};
    b.bridges = {{64, 6, 69, 6}, {64, 41, 69, 41}};
    return b;
}

void put(BodyWithParts& b, uint16_t flags, int32_t x, int32_t y, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        b.special[{x + i, y}] = flags;
    }
}

} // namespace

TEST_F(CommitTest, NineteenCellsAreDestroyed) {
    Sprite s(pool, make_rect_asset(32, 32, 3, 3, 4, 5, kFilled), false); // 20 cells
    remove(s, 3, 3);
    SplitResult out;
    Sprite::commit(s, out, Transform{}, settings);
    EXPECT_EQ(out.destroyed, 1);
    EXPECT_TRUE(out.pieces.empty());
    ASSERT_EQ(out.debris.size(), 19u);
    CellSet expected = rect_cells({3, 3, 6, 7});
    expected.erase({3, 3});
    EXPECT_EQ(cells_of(out.debris), expected);
    for (const DebrisCell& d : out.debris) {
        EXPECT_EQ(d.color, fixture_color(d.x, d.y));
    }
    // Nothing else changes: the cells stay, and the touched chunk is queued for upload.
    EXPECT_EQ(s.active_cell_count(), 19);
    EXPECT_EQ(s.dirty_chunks().size(), 1u);
}

TEST_F(CommitTest, TwentyCellPartIsDebrisAndTwentyOneCellPartAPiece) {
    struct Case {
        int32_t w, h;
        bool piece;
    };
    for (const Case c : {Case{4, 5, false}, Case{3, 7, true}}) {
        BodyWithParts b;
        b.parts = {{70, 5, 70 + c.w - 1, 5 + c.h - 1}};
        b.bridges = {{64, 6, 69, 6}};
        Sprite s(pool, b.asset(), false);
        const int32_t before = s.active_cell_count();
        remove_rect(s, b.bridges[0]);
        SplitResult out;
        Sprite::commit(s, out, Transform{}, settings);
        EXPECT_EQ(out.destroyed, 0);
        const CellSet part = rect_cells(b.parts[0]);
        if (c.piece) {
            EXPECT_TRUE(out.debris.empty());
            ASSERT_EQ(out.pieces.size(), 1u);
            EXPECT_EQ(out.pieces[0].sprite.active_cell_count(), 21);
        } else {
            EXPECT_TRUE(out.pieces.empty());
            EXPECT_EQ(cells_of(out.debris), part);
        }
        // Either way the part's cells left the sprite and its chunk went with them.
        EXPECT_EQ(s.active_cell_count(), before - 6 - c.w * c.h);
        EXPECT_EQ(cells_of(s), rect_cells({0, 0, 63, 63}));
        EXPECT_FALSE(s.has_chunk(2));
        EXPECT_EQ(s.moments(), sprite_moments_of(s.grid(), s));
        pool.apply_pending();
    }
}

TEST_F(CommitTest, ConnectedSpriteOnlyRebuildsAndQueuesItsChunks) {
    Sprite s(pool, make_rect_asset(64, 64, 0, 0, 64, 64, kFilled), false);
    pool.apply_pending();
    remove(s, 10, 10);
    SplitResult out;
    Sprite::commit(s, out, Transform{}, settings);
    EXPECT_TRUE(out.pieces.empty());
    EXPECT_TRUE(out.debris.empty());
    EXPECT_TRUE(out.core_pieces.empty());
    EXPECT_EQ(out.destroyed, 0);
    EXPECT_TRUE(s.dirty_chunks().empty());
    const SpriteChunk* c = s.chunk(0);
    ASSERT_NE(pool.pending_op(c), nullptr);
    EXPECT_EQ(*pool.pending_op(c), ChunkOp::Modified);
    EXPECT_EQ(pool.pending_count(), 1u);
    // The cells around the hole are on the outline now.
    EXPECT_EQ(cell_edge_kind(c->flags[10 * 32 + 11]), EdgeSide);
    EXPECT_EQ(cell_direction(c->flags[10 * 32 + 11]), 6u);
    EXPECT_EQ(cell_edge_kind(c->flags[11 * 32 + 10]), EdgeSide);
    EXPECT_EQ(cell_direction(c->flags[11 * 32 + 10]), 4u);
    EXPECT_EQ(c->side_cells.size(), 62u + 4u);
}

TEST_F(CommitTest, ChunkWithoutCellsIsDropped) {
    Sprite s(pool, make_rect_asset(64, 32, 0, 0, 64, 32, kFilled), false);
    SpriteChunk* right = s.chunk(1);
    pool.apply_pending();
    remove_rect(s, {32, 0, 63, 31});
    SplitResult out;
    Sprite::commit(s, out, Transform{}, settings);
    EXPECT_FALSE(s.has_chunk(1));
    EXPECT_EQ(s.chunk_table().size(), 1u);
    EXPECT_EQ(*pool.pending_op(right), ChunkOp::Freed);
    EXPECT_TRUE(out.pieces.empty());
    EXPECT_TRUE(out.debris.empty());
    EXPECT_EQ(s.active_cell_count(), 1024);
    // The left chunk's right column is on the outline again.
    EXPECT_EQ(cell_edge_kind(s.chunk(0)->flags[10 * 32 + 31]), EdgeSide);
}

TEST_F(CommitTest, CutOffHalfBecomesAPieceInPlace) {
    Sprite s(pool, make_rect_asset(64, 32, 0, 0, 64, 32, kFilled), false);
    remove_rect(s, {40, 0, 40, 31});
    Transform t;
    t.position = {10.0f, 5.0f};
    t.scale = {1.0f, 0.5f};
    t.angle = 0.3f;
    t.z = 2.0f;
    SplitResult out;
    Sprite::commit(s, out, t, settings);
    ASSERT_EQ(out.pieces.size(), 1u);
    EXPECT_TRUE(out.debris.empty());
    const SplitPiece& piece = out.pieces[0];
    EXPECT_EQ(piece.offset, glm::vec2(41.0f, 0.0f));
    EXPECT_EQ(piece.sprite.grid().chunks_x, 1u);
    EXPECT_EQ(piece.sprite.grid().chunks_y, 1u);
    EXPECT_EQ(piece.transform.scale, glm::vec2(0.5f, 0.5f));
    EXPECT_EQ(piece.transform.angle, 0.3f);
    EXPECT_EQ(piece.transform.z, 0.0f);
    EXPECT_EQ(piece.sprite.active_cell_count(), 23 * 32);
    EXPECT_EQ(piece.sprite.cell_type_info(1).active, 23u * 32u);
    EXPECT_EQ(piece.sprite.dirty_chunks().size(), 1u);
    EXPECT_EQ(cells_of(s), rect_cells({0, 0, 39, 31}));

    // Every cell of the piece shows the colour of the cell it came from, at the same world point.
    std::vector<DebrisCell> cells;
    piece.sprite.active_cells(cells);
    CellSet moved;
    for (const DebrisCell& c : cells) {
        const int32_t x = c.x + 41;
        const int32_t y = c.y;
        moved.insert({x, y});
        EXPECT_EQ(c.color, fixture_color(x, y));
        const glm::vec2 from = t.to_world(s.grid().cell_center_to_local(x, y));
        const glm::vec2 to = piece.transform.to_world(piece.sprite.grid().cell_center_to_local(c.x, c.y));
        EXPECT_NEAR(from.x, to.x, 1e-5f);
        EXPECT_NEAR(from.y, to.y, 1e-5f);
    }
    EXPECT_EQ(moved, rect_cells({41, 0, 63, 31}));
    const ChunkCell cc = piece.sprite.grid().to_chunk_cell(0, 0);
    EXPECT_EQ(cell_type_of(piece.sprite.get_cell(cc.chunk, cc.cell).flags), 1u);
}

TEST_F(CommitTest, CoreTypeGoesToThePartOnATie) {
    struct Case {
        int32_t in_body;
        int32_t in_part;
        bool to_part;
    };
    for (const Case c : {Case{5, 5, true}, Case{6, 5, false}}) {
        BodyWithParts b;
        b.parts = {{70, 5, 79, 14}};
        b.bridges = {{64, 6, 69, 6}};
        put(b, kCore, 10, 10, c.in_body);
        put(b, kCore, 72, 8, c.in_part);
        Sprite s(pool, b.asset(), false);
        remove_rect(s, b.bridges[0]);
        SplitResult out;
        Sprite::commit(s, out, Transform{}, settings);
        ASSERT_EQ(out.pieces.size(), 1u);
        EXPECT_EQ(out.pieces[0].sprite.cell_type_info(2).active, static_cast<uint32_t>(c.in_part));
        EXPECT_EQ(s.cell_type_info(2).active, static_cast<uint32_t>(c.in_body));
        if (c.to_part) {
            ASSERT_EQ(out.core_pieces.size(), 1u);
            EXPECT_EQ(out.core_pieces.at(2), 0u);
        } else {
            EXPECT_TRUE(out.core_pieces.empty());
        }
        pool.apply_pending();
    }
}

TEST_F(CommitTest, FirstPartInResultOrderWinsATieOnCore) {
    BodyWithParts b = two_parts(10, 6, 10, 6);
    put(b, kCore, 10, 10, 3);
    put(b, kCore, 71, 7, 4);
    put(b, kCore, 71, 42, 4);
    Sprite s(pool, b.asset(), false);
    remove_rect(s, b.bridges[0]);
    remove_rect(s, b.bridges[1]);
    SplitResult out;
    Sprite::commit(s, out, Transform{}, settings);
    ASSERT_EQ(out.pieces.size(), 2u);
    EXPECT_EQ(out.pieces[0].sprite.cell_type_info(2).active, 4u);
    EXPECT_EQ(out.pieces[1].sprite.cell_type_info(2).active, 4u);
    ASSERT_EQ(out.core_pieces.size(), 1u);
    EXPECT_EQ(out.core_pieces.at(2), 0u);
    EXPECT_EQ(s.cell_type_info(2).active, 3u);
}

TEST_F(CommitTest, DebrisThatLeavesTooFewCellsDestroysTheSprite) {
    // Two separate blobs in one chunk, 10 and 15 cells; whichever is detached goes as debris and
    // the 10 or 15 cells left are fewer than 20.
    const SpriteAsset asset = make_asset_from(32, 32, [](int32_t x, int32_t y) -> uint16_t {
        return (y == 2 && x < 10) || (y == 20 && x < 15) || (y == 25 && x == 0) ? kFilled : 0;
    });
    Sprite s(pool, asset, false);
    remove(s, 0, 25);
    SplitResult out;
    Sprite::commit(s, out, Transform{}, settings);
    EXPECT_EQ(out.destroyed, 1);
    EXPECT_TRUE(out.pieces.empty());
    EXPECT_EQ(out.debris.size(), 25u);
    EXPECT_EQ(cells_of(out.debris).size(), 25u);
    EXPECT_EQ(s.active_cell_count(), 15); // the cells left stay; only the detached blob went
}

TEST_F(CommitTest, CorePlacementWhenTheCorePieceAlsoTakesAnotherCore) {
    // Part 0 takes Core and Weakpoint1; part 1 takes Weakpoint2; Weakpoint3 stays in the body.
    BodyWithParts b = two_parts(10, 6, 10, 6);
    put(b, kCore, 71, 7, 3);
    put(b, kWeak, 71, 9, 3);
    put(b, static_cast<uint16_t>(CellType::Weakpoint2), 71, 42, 2);
    put(b, static_cast<uint16_t>(CellType::Weakpoint3), 10, 10, 2);
    Sprite s(pool, b.asset(), false);
    remove_rect(s, b.bridges[0]);
    remove_rect(s, b.bridges[1]);
    SplitResult out;
    Sprite::commit(s, out, Transform{}, settings);
    ASSERT_EQ(out.pieces.size(), 2u);
    ASSERT_EQ(out.core_pieces.size(), 3u);
    const uint64_t k = out.core_pieces.at(2);
    ASSERT_EQ(out.core_pieces.at(3), k);
    const uint64_t other = 1 - k;
    ASSERT_EQ(out.core_pieces.at(4), other);

    // Core and Weakpoint1 end on the entity (which takes piece k), moved by piece k's offset once.
    for (uint32_t type : {2u, 3u}) {
        const SplitCorePlacement p = split_core_placement(out, type);
        EXPECT_TRUE(p.on_entity) << type;
        EXPECT_EQ(p.piece, static_cast<int64_t>(k));
        EXPECT_EQ(p.grid_shift, -out.pieces[k].offset);
        EXPECT_EQ(out.pieces[k].sprite.cell_type_info(type).active, 3u);
    }
    // Weakpoint2 goes to the other piece's rock.
    const SplitCorePlacement w2 = split_core_placement(out, 4);
    EXPECT_FALSE(w2.on_entity);
    EXPECT_EQ(w2.rock, other);
    EXPECT_EQ(w2.grid_shift, -out.pieces[other].offset);
    EXPECT_EQ(out.pieces[other].sprite.cell_type_info(4).active, 2u);
    // Weakpoint3 stays with the old body, which rock k now holds; its grid point does not move.
    const SplitCorePlacement w3 = split_core_placement(out, 5);
    EXPECT_FALSE(w3.on_entity);
    EXPECT_EQ(w3.rock, k);
    EXPECT_EQ(w3.piece, -1);
    EXPECT_EQ(w3.grid_shift, glm::vec2(0.0f));
    EXPECT_EQ(s.cell_type_info(5).active, 2u);

    // Without a Core move, cores that stay are the entity's and untouched.
    SplitResult none;
    EXPECT_TRUE(split_core_placement(none, 5).on_entity);
}

TEST_F(CommitTest, DebugDumpAndDeletedChunkLine) {
    BodyWithParts b;
    b.parts = {{70, 5, 72, 8}}; // 12 cells: debris
    b.bridges = {{64, 6, 69, 6}};
    Sprite s(pool, b.asset(), false);
    remove_rect(s, b.bridges[0]);
    SplitResult out;
    testing::internal::CaptureStdout();
    Sprite::commit(s, out, Transform{}, CommitSettings{1, 20});
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_NE(text.find("Initial flood fill state:"), std::string::npos);
    EXPECT_NE(text.find("Final flood fill state:"), std::string::npos);
    EXPECT_NE(text.find("Deleted chunk 2"), std::string::npos);
    EXPECT_EQ(out.debris.size(), 12u);
}
