#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"

TEST(SpriteChunkPool, SlotsAreHandedOutLowestFirstWithTheirAtlasPlace) {
    SpriteChunkPool pool(32, 1024, 32);
    EXPECT_EQ(pool.slot_count(), 32768u);
    EXPECT_EQ(pool.free_ranges(), (std::vector<SlotRange>{{0, 32768}}));
    SpriteChunk* a = pool.allocate_slot();
    SpriteChunk* b = pool.allocate_slot();
    SpriteChunk* c = pool.allocate_slot();
    EXPECT_EQ(a->slot, 0u);
    EXPECT_EQ(b->slot, 1u);
    EXPECT_EQ(c->slot, 2u);
    EXPECT_EQ(a->texel, glm::ivec2(0, 0));
    EXPECT_EQ(b->texel, glm::ivec2(32, 0));
    EXPECT_EQ(c->texel, glm::ivec2(64, 0));
    EXPECT_EQ(c->uv, glm::vec2(2.0f / 32.0f, 0.0f));
    EXPECT_EQ(c->layer, 0u);
    EXPECT_EQ(c->colors.size(), 1024u);
    EXPECT_EQ(c->flags.size(), 1024u);
    for (uint32_t i = 3; i < 1025; ++i) {
        SpriteChunk* s = pool.allocate_slot();
        if (s->slot == 32) {
            EXPECT_EQ(s->texel, glm::ivec2(0, 32));
            EXPECT_EQ(s->uv, glm::vec2(0.0f, 1.0f / 32.0f));
        }
        if (s->slot == 1024) {
            EXPECT_EQ(s->texel, glm::ivec2(0, 0));
            EXPECT_EQ(s->layer, 1u);
            EXPECT_EQ(s->layer_f, 1.0f);
        }
    }
    EXPECT_EQ(pool.slots_in_use(), 1025u);
    EXPECT_EQ(pool.pages_in_use(), 2u);
}

TEST(SpriteChunkPool, ReleasedSlotsMergeIntoRanges) {
    SpriteChunkPool pool(32, 1024, 32);
    SpriteChunk* s0 = pool.allocate_slot();
    SpriteChunk* s1 = pool.allocate_slot();
    SpriteChunk* s2 = pool.allocate_slot();
    pool.apply_pending();
    pool.mark_freed(s1);
    pool.apply_pending();
    pool.mark_freed(s0);
    pool.apply_pending();
    EXPECT_EQ(pool.free_ranges(), (std::vector<SlotRange>{{0, 2}, {3, 32768}}));
    pool.mark_freed(s2);
    pool.apply_pending();
    EXPECT_EQ(pool.free_ranges(), (std::vector<SlotRange>{{0, 32768}}));
    EXPECT_EQ(pool.slots_in_use(), 0u);
    // The last slot of a page frees the page.
    EXPECT_EQ(pool.pages_in_use(), 0u);
}

TEST(SpriteChunkPool, FreshSlotsAreZeroedAndDataIsCopied) {
    SpriteChunkPool pool(32, 1024, 32);
    SpriteChunk* a = pool.allocate_slot();
    a->colors[5] = 0xDEADBEEF;
    a->flags[5] = 3;
    a->side_cells.push_back({{0, 0}, 5});
    pool.mark_freed(a);
    pool.apply_pending();

    SpriteChunkData data;
    data.index = 7;
    data.activePixelCount = 2;
    data.gridPixelOffset = {32, 64};
    data.color[0] = 0x11223344;
    data.mask[0] = static_cast<uint16_t>(CellType::Core);
    data.color[1023] = 0x55667788;
    data.mask[1023] = static_cast<uint16_t>(CellType::Filled);
    SpriteChunk* b = pool.allocate_chunk(data);
    EXPECT_EQ(b->slot, 0u);
    EXPECT_TRUE(b->side_cells.empty());
    EXPECT_EQ(b->index, 7);
    EXPECT_EQ(b->active, 2);
    EXPECT_EQ(b->origin, glm::ivec2(32, 64));
    EXPECT_EQ(b->colors[0], 0x11223344u);
    EXPECT_EQ(b->flags[0], 2u);
    EXPECT_EQ(b->colors[1023], 0x55667788u);
    EXPECT_EQ(b->colors[5], 0u);
    EXPECT_EQ(b->flags[5], 0u);
}

TEST(SpriteChunkPool, PendingOperationsCombine) {
    SpriteChunkPool pool(32, 1024, 32);
    SpriteChunk* a = pool.allocate_slot();
    SpriteChunk* b = pool.allocate_slot();
    pool.apply_pending();
    struct Case {
        std::vector<ChunkOp> ops;
        ChunkOp result;
    };
    const std::vector<Case> cases = {
        {{ChunkOp::Modified, ChunkOp::Modified}, ChunkOp::Modified},
        {{ChunkOp::Modified, ChunkOp::Freed}, ChunkOp::Freed},
    };
    for (const Case& c : cases) {
        for (ChunkOp op : c.ops) {
            if (op == ChunkOp::Modified) {
                pool.mark_modified(a);
            } else {
                pool.mark_freed(a);
            }
        }
        ASSERT_NE(pool.pending_op(a), nullptr);
        EXPECT_EQ(*pool.pending_op(a), c.result);
        // Keep a alive for the next case.
        pool.mark_modified(b);
        if (c.result == ChunkOp::Freed) {
            break;
        }
        pool.apply_pending();
    }
    SpriteChunk* fresh = pool.allocate_slot();
    pool.mark_modified(fresh);
    EXPECT_EQ(*pool.pending_op(fresh), ChunkOp::Created);
    pool.mark_freed(fresh);
    EXPECT_EQ(*pool.pending_op(fresh), ChunkOp::Freed);
    pool.mark_modified(fresh);
    EXPECT_EQ(*pool.pending_op(fresh), ChunkOp::Freed);
    pool.apply_pending();
    EXPECT_EQ(pool.pending_count(), 0u);
    EXPECT_EQ(pool.slots_in_use(), 1u); // only b is left
}

TEST(SpriteChunkPool, FullPoolIsAClearError) {
    SpriteChunkPool pool(32, 64, 1); // 2 x 2 slots
    ASSERT_EQ(pool.slot_count(), 4u);
    std::set<uint32_t> slots;
    for (int i = 0; i < 4; ++i) {
        slots.insert(pool.allocate_slot()->slot);
    }
    EXPECT_EQ(slots, (std::set<uint32_t>{0, 1, 2, 3}));
    EXPECT_THROW(pool.allocate_slot(), std::runtime_error);
    EXPECT_EQ(pool.slots_in_use(), 4u);
}
