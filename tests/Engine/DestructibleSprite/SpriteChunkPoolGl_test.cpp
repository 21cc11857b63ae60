// The chunk pool against the real OpenGL back end on the offscreen driver.

#include <algorithm>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/SplitResult.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Log.h"
#include "Support/GlContext.h"
#include "Support/SpriteFixtures.h"

using namespace test_support;

namespace {

const uint16_t kFilled = static_cast<uint16_t>(CellType::Filled);
const uint16_t kCore = static_cast<uint16_t>(CellType::Core);

// A small pool: 2 x 2 slots a layer, 2 layers.
constexpr uint32_t kAtlas = 64;
constexpr int32_t kLayers = 2;

class ChunkPoolGlTest : public ::testing::Test {
protected:
    LogGuard log{LogLevelInfo, LogTest, 1};
    RenderContextOpenGL& gl = gl_context();
    SpriteChunkPool pool{32, kAtlas, kLayers};

    void TearDown() override {
        if (pool.has_textures()) {
            pool.destroy(gl);
        }
    }

    std::vector<uint8_t> colors() {
        return read_texture_rgba8(gl.texture_record(pool.color_texture()).id, kAtlas, kAtlas, kLayers);
    }
    std::vector<uint16_t> flags() {
        return read_texture_r16ui(gl.texture_record(pool.flags_texture()).id, kAtlas, kAtlas, kLayers);
    }
    static size_t texel_index(const SpriteChunk& c, int32_t cell) {
        const int32_t x = c.texel.x + cell % 32;
        const int32_t y = c.texel.y + cell / 32;
        return (static_cast<size_t>(c.layer) * kAtlas + static_cast<size_t>(y)) * kAtlas + static_cast<size_t>(x);
    }
    static uint32_t color_at(const std::vector<uint8_t>& rgba, size_t texel) {
        const size_t i = texel * 4;
        return static_cast<uint32_t>(rgba[i]) | (static_cast<uint32_t>(rgba[i + 1]) << 8) |
               (static_cast<uint32_t>(rgba[i + 2]) << 16) | (static_cast<uint32_t>(rgba[i + 3]) << 24);
    }
    void expect_texels_match(const Sprite& s) {
        const std::vector<uint8_t> rgba = colors();
        const std::vector<uint16_t> f = flags();
        for (const SpriteChunk* c : s.chunk_table().chunk_of_slot) {
            for (int32_t i = 0; i < 1024; ++i) {
                const size_t t = texel_index(*c, i);
                ASSERT_EQ(color_at(rgba, t), c->colors[static_cast<size_t>(i)]) << "slot " << c->slot << " cell " << i;
                ASSERT_EQ(f[t], c->flags[static_cast<size_t>(i)]) << "slot " << c->slot << " cell " << i;
            }
        }
    }
};

} // namespace

TEST_F(ChunkPoolGlTest, TexelsReadBackAsTheCellsWritten) {
    // Three chunks over two layers' worth of slots once a fourth sprite chunk is added.
    const SpriteAsset asset = make_asset_from(96, 64, [](int32_t x, int32_t y) -> uint16_t {
        if (x < 4 && y < 4) {
            return kCore;
        }
        return (x + y) % 3 == 0 ? 0 : kFilled;
    });
    pool.create(gl);
    Sprite s(pool, asset, false);
    ASSERT_EQ(s.chunk_table().size(), 6u);
    pool.apply_pending();
    pool.update(gl);
    expect_texels_match(s);
    // Edge bits written at construction reach the texture too.
    EXPECT_NE(cell_edge_kind(flags()[texel_index(*s.chunk(0), 0)]), 0u);

    s.remove_cell(0, 1 * 32 + 1);
    SplitResult out;
    Sprite::commit(s, out, Transform{}, CommitSettings{0, 20});
    pool.apply_pending();
    pool.update(gl);
    const uint16_t removed = flags()[texel_index(*s.chunk(0), 33)];
    EXPECT_TRUE(cell_removed(removed));
    EXPECT_EQ(cell_type_of(removed), 2u);
    expect_texels_match(s);
}

TEST_F(ChunkPoolGlTest, CreatingTexturesLaterUploadsEveryLiveChunk) {
    Sprite s(pool, make_rect_asset(64, 32, 0, 0, 64, 32, kFilled), false);
    pool.apply_pending();
    EXPECT_TRUE(pool.queued_uploads().empty()); // no textures, nothing to write to
    pool.create(gl);
    EXPECT_EQ(pool.queued_uploads().size(), 2u);
    pool.update(gl);
    expect_texels_match(s);
}

TEST_F(ChunkPoolGlTest, FreedSlotIsReusedOnlyAfterTheUpload) {
    pool.create(gl);
    SpriteChunk* a = pool.allocate_slot();
    SpriteChunk* b = pool.allocate_slot();
    pool.apply_pending();
    pool.update(gl);
    pool.mark_freed(a);
    pool.apply_pending();
    EXPECT_EQ(pool.held_back_frees(), 1u);
    SpriteChunk* c = pool.allocate_slot();
    EXPECT_EQ(c->slot, 2u); // slot 0 still waits for the upload
    pool.apply_pending();
    pool.update(gl);
    EXPECT_EQ(pool.held_back_frees(), 0u);
    SpriteChunk* d = pool.allocate_slot();
    EXPECT_EQ(d->slot, 0u);
    EXPECT_EQ(b->slot, 1u);
}

TEST_F(ChunkPoolGlTest, PendingOperationsAreAppliedOnce) {
    pool.create(gl);
    SpriteChunk* a = pool.allocate_slot();
    SpriteChunk* gone = pool.allocate_slot();
    pool.mark_modified(a);
    pool.mark_modified(a);
    pool.mark_freed(gone); // allocated and freed in one tick: never uploaded
    pool.apply_pending();
    EXPECT_EQ(pool.pending_count(), 0u);
    EXPECT_EQ(pool.queued_uploads(), std::vector<uint32_t>{0});
    pool.apply_pending();
    EXPECT_EQ(pool.queued_uploads(), std::vector<uint32_t>{0});
    pool.update(gl);
    EXPECT_TRUE(pool.queued_uploads().empty());
    EXPECT_EQ(pool.slots_in_use(), 1u);
}

TEST_F(ChunkPoolGlTest, ManyTicksWithoutARenderStepStayBounded) {
    pool.create(gl);
    Sprite s(pool, make_rect_asset(64, 64, 0, 0, 64, 64, kFilled), false);
    pool.apply_pending();
    // Ticks that keep changing the sprite and churning slots, with no render step between them.
    for (int tick = 0; tick < 200; ++tick) {
        s.remove_cell(tick % 4, tick);
        SplitResult out;
        Sprite::commit(s, out, Transform{}, CommitSettings{0, 20});
        SpriteChunk* temp = pool.allocate_slot();
        pool.mark_freed(temp);
        pool.apply_pending();
        ASSERT_LE(pool.queued_uploads().size(), 4u);
    }
    // The pool has 8 slots; held-back frees are handed out when nothing else is left.
    std::vector<SpriteChunk*> extra;
    for (int i = 0; i < 4; ++i) {
        extra.push_back(pool.allocate_slot());
    }
    EXPECT_EQ(pool.slots_in_use(), 8u);
    EXPECT_THROW(pool.allocate_slot(), std::runtime_error);
    for (SpriteChunk* c : extra) {
        pool.mark_freed(c);
    }
    pool.apply_pending();
    pool.update(gl);
    expect_texels_match(s);
}
