#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/SparseIndex.h"

namespace {

TEST(SparseIndex, FirstHandlesCountUpFromZero) {
    SparseIndex index;
    EXPECT_EQ(index.free_head(), SparseIndex::kNoFreeSlot);
    EXPECT_EQ(index.allocate(), (Handle{0, 0}));
    EXPECT_EQ(index.allocate(), (Handle{1, 0}));
    EXPECT_EQ(index.dense(), (std::vector<int32_t>{0, 1}));
}

TEST(SparseIndex, FreeMovesLastIntoHoleAndMakesHandleStale) {
    SparseIndex index;
    const Handle a = index.allocate();
    const Handle b = index.allocate();
    const Handle c = index.allocate();
    index.free(a.index);

    EXPECT_EQ(index.dense(), (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(index.slots()[2].position, 0);
    EXPECT_EQ(index.slots()[0].generation, 1u);
    EXPECT_EQ(index.free_head(), 0);
    EXPECT_EQ(index.index_of(a), -1);
    EXPECT_FALSE(index.contains(a));
    EXPECT_EQ(index.index_of(b), 1);
    EXPECT_EQ(index.index_of(c), 0);
    EXPECT_TRUE(index.contains(c));
}

TEST(SparseIndex, FreeingLastRecordOnlyShortensDense) {
    SparseIndex index;
    index.allocate();
    index.allocate();
    const Handle c = index.allocate();
    index.free(c.index);
    EXPECT_EQ(index.dense(), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(index.slots()[0].position, 0);
    EXPECT_EQ(index.slots()[1].position, 1);
    EXPECT_EQ(index.slots()[2].generation, 1u);
}

TEST(SparseIndex, ReusesMostRecentlyFreedSlotFirstWithNextGeneration) {
    SparseIndex index;
    std::vector<Handle> handles;
    for (int i = 0; i < 6; ++i) {
        handles.push_back(index.allocate());
    }
    index.free(3);
    index.free(5);
    const Handle first = index.allocate();
    const Handle second = index.allocate();
    EXPECT_EQ(first, (Handle{5, 1}));
    EXPECT_EQ(second, (Handle{3, 1}));
    EXPECT_FALSE(index.contains(handles[3]));
    EXPECT_FALSE(index.contains(handles[5]));
    EXPECT_TRUE(index.contains(first));
    EXPECT_EQ(index.free_head(), SparseIndex::kNoFreeSlot);
}

TEST(SparseIndex, GenerationsKeepGrowingAcrossReuse) {
    SparseIndex index;
    Handle h = index.allocate();
    for (uint32_t round = 1; round <= 5; ++round) {
        index.free(h.index);
        const Handle next = index.allocate();
        EXPECT_EQ(next, (Handle{0, round}));
        EXPECT_FALSE(index.contains(h));
        EXPECT_EQ(index.index_of(h), -1);
        h = next;
    }
}

TEST(SparseIndex, AllFreedAndReusedLeavesNoFreeSlot) {
    SparseIndex index;
    for (int i = 0; i < 4; ++i) {
        index.allocate();
    }
    // Release out of order so positions shuffle before each free.
    for (int32_t slot : {1, 3, 0, 2}) {
        index.free(slot);
    }
    EXPECT_TRUE(index.dense().empty());
    for (int i = 0; i < 4; ++i) {
        index.allocate();
    }
    EXPECT_EQ(index.free_head(), SparseIndex::kNoFreeSlot);
    EXPECT_EQ(index.slots().size(), index.dense().size());
    for (size_t p = 0; p < index.dense().size(); ++p) {
        EXPECT_EQ(index.slots()[static_cast<size_t>(index.dense()[p])].position, static_cast<int32_t>(p));
    }
}

TEST(SparseIndex, OutOfRangeSlotsThrowOrReportDead) {
    SparseIndex index;
    index.allocate();
    index.allocate();
    EXPECT_FALSE(index.contains(Handle{2, 0}));
    EXPECT_FALSE(index.contains(Handle{-1, 0}));
    EXPECT_THROW(index.index_of(Handle{2, 0}), std::out_of_range);
    EXPECT_THROW(index.index_of(Handle{-1, 0}), std::out_of_range);
    EXPECT_THROW(index.free(2), std::out_of_range);
    EXPECT_THROW(index.free(-1), std::out_of_range);
    EXPECT_FALSE(index.contains(kInvalidHandle));
}

TEST(SparseIndex, FreeingAFreeSlotIsIgnored) {
    SparseIndex index;
    index.allocate();
    index.allocate();
    index.allocate();
    index.free(0);
    index.free(1);
    // Slot 1 now links to slot 0, stored as position 0, which must not pass for a live record at 0.
    EXPECT_EQ(index.slots()[1].position, 0);
    index.free(1);
    index.free(0);
    EXPECT_EQ(index.dense(), (std::vector<int32_t>{2}));
    EXPECT_EQ(index.slots()[2].position, 0);
    EXPECT_EQ(index.slots()[0].generation, 1u);
    EXPECT_EQ(index.slots()[1].generation, 1u);
    EXPECT_EQ(index.allocate(), (Handle{1, 1}));
    EXPECT_EQ(index.allocate(), (Handle{0, 1}));
    EXPECT_EQ(index.free_head(), SparseIndex::kNoFreeSlot);
}

} // namespace
