// A sprite's cell counts must agree with its cells: the commit trusts them for the fill, the pieces and the
// core hand-over, so checked builds stop at a disagreement instead of splitting garbage.

#include <gtest/gtest.h>

#include "Engine/Assert.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/SplitResult.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Math/Transform.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

constexpr uint16_t kFilled = static_cast<uint16_t>(CellType::Filled);

// One full chunk of Filled cells.
class SpriteCellCounts : public ::testing::Test {
protected:
    SpriteChunkPool pool{32, 1024, 32};
    Sprite sprite{pool, make_rect_asset(32, 32, 0, 0, 32, 32, kFilled), false};
};

} // namespace

TEST_F(SpriteCellCounts, RemovalsAndCommitsKeepThemInAgreement) {
    ASSERT_TRUE(sprite.cell_counts_agree());
    for (int32_t y = 0; y < 32; ++y) {
        sprite.remove_cell(0, y * 32 + 16);
    }
    EXPECT_TRUE(sprite.cell_counts_agree());
    SplitResult out;
    Sprite::commit(sprite, out, Transform{}, CommitSettings{});
    EXPECT_TRUE(sprite.cell_counts_agree());
    ASSERT_FALSE(out.pieces.empty()) << "the cut leaves two halves";
    for (const SplitPiece& piece : out.pieces) {
        EXPECT_TRUE(piece.sprite.cell_counts_agree());
        EXPECT_GT(piece.sprite.active_cell_count(), 0);
    }
}

TEST_F(SpriteCellCounts, ACellClearedBehindTheCountsIsNoticed) {
    // Written straight into the cell flags, as a faulty caller would, so no count follows.
    sprite.chunk(0)->flags[5] |= kCellRemovedBit;
    EXPECT_FALSE(sprite.cell_counts_agree());
}

TEST_F(SpriteCellCounts, CommitStopsCheckedBuildsAtADisagreement) {
    if (!kPellmarAssertsOn) {
        GTEST_SKIP() << "asserts are off in this build";
    }
    sprite.chunk(0)->flags[5] |= kCellRemovedBit;
    SplitResult out;
    EXPECT_DEATH(Sprite::commit(sprite, out, Transform{}, CommitSettings{}),
                 "a sprite's cell counts disagree with its cells");
}
