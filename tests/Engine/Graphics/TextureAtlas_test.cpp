#include <gtest/gtest.h>

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/TextureAtlas.h"
#include "Engine/Graphics/TextureAtlasPacked.h"
#include "Support/GlContext.h"

namespace {

// Forwards to the real back end and counts texture writes.
class CountingContext final : public RenderContextBase {
public:
    explicit CountingContext(RenderContextOpenGL& gl) : gl(gl) {}
    RenderContextOpenGL& gl;
    int writes = 0;

    Result init(const WindowConfig& c) override { return gl.init(c); }
    void shutdown() override {}
    bool poll_event(SDL_Event& e) override { return gl.poll_event(e); }
    void begin_frame() override {}
    void end_frame() override {}
    void idle_frame() override {}
    void set_display_mode(uint32_t) override {}
    Handle create_buffer(uint32_t t, uint32_t u, uint64_t s, const void* d) override {
        return gl.create_buffer(t, u, s, d);
    }
    void set_buffer_data(Handle b, uint64_t s, const void* d) override { gl.set_buffer_data(b, s, d); }
    void set_buffer_sub_data(Handle b, uint64_t o, uint64_t s, const void* d) override {
        gl.set_buffer_sub_data(b, o, s, d);
    }
    Handle create_mesh(const MeshLayout& l, const Handle* b) override { return gl.create_mesh(l, b); }
    Handle create_shader(const ShaderDefinition& d) override { return gl.create_shader(d); }
    Handle create_texture(const TextureLayout& l) override { return gl.create_texture(l); }
    void destroy_texture(Handle t) override { gl.destroy_texture(t); }
    void write_texture(Handle t, const TextureWrite& r, const void* p) override {
        ++writes;
        gl.write_texture(t, r, p);
    }
    Handle create_framebuffer(uint32_t w, uint32_t h) override { return gl.create_framebuffer(w, h); }
    void resize_framebuffer(Handle f, uint32_t w, uint32_t h) override { gl.resize_framebuffer(f, w, h); }
    uint32_t framebuffer_color_texture(Handle f) override { return gl.framebuffer_color_texture(f); }
    void execute(const RenderCommandList& l) override { gl.execute(l); }
};

uint32_t texel(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t x, uint32_t y) {
    size_t i = (size_t{y} * width + x) * 4;
    return pack_rgba8(rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]);
}

QueuedRegion rgba_region(uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
    QueuedRegion r;
    r.write = TextureWrite{UploadFormatRgba, PixelTypeUnsignedByte, x, y, 0, w, h, 1};
    return r;
}

class TextureAtlasTest : public ::testing::Test {
protected:
    RenderContextOpenGL& gl = test_support::gl_context();
    CountingContext counting{gl};

    std::vector<uint8_t> read(Handle texture, uint32_t w, uint32_t h) {
        return test_support::read_texture_rgba8(gl.texture_record(texture).id, w, h);
    }
};

TEST_F(TextureAtlasTest, WritesWaitForCreateAndLandOnUpdate) {
    TextureAtlas atlas({TextureType2D, TextureFormatRgba8, 8, 8, 1, 4, 1});
    std::vector<uint32_t> red(4, pack_rgba8(255, 0, 0, 255));
    atlas.queue_write(rgba_region(2, 3, 2, 2), red.data());
    atlas.update(counting); // no texture yet: the write waits
    EXPECT_EQ(counting.writes, 0);
    EXPECT_EQ(atlas.queued_write_count(), 1u);

    atlas.create(counting);
    ASSERT_TRUE(atlas.handle().is_valid());
    atlas.update(counting);
    EXPECT_EQ(counting.writes, 1);
    EXPECT_EQ(atlas.queued_write_count(), 0u);
    std::vector<uint8_t> t = read(atlas.handle(), 8, 8);
    EXPECT_EQ(texel(t, 8, 2, 3), red[0]);
    EXPECT_EQ(texel(t, 8, 3, 4), red[0]);
    EXPECT_NE(texel(t, 8, 1, 3), red[0]);

    atlas.update(counting); // empty queues: no call
    EXPECT_EQ(counting.writes, 1);
    Handle old = atlas.handle();
    atlas.destroy(counting);
    EXPECT_FALSE(atlas.handle().is_valid());
    EXPECT_FALSE(gl.texture_alive(old));
}

TEST_F(TextureAtlasTest, OwnedWritesLandBeforeBorrowedOnes) {
    TextureAtlas atlas({TextureType2D, TextureFormatRgba8, 4, 4, 1, 4, 1});
    atlas.create(counting);
    std::vector<uint32_t> borrowed(4, pack_rgba8(0, 0, 255, 255));
    std::vector<uint32_t> owned_src(4, pack_rgba8(0, 255, 0, 255));
    std::vector<uint8_t> owned(reinterpret_cast<uint8_t*>(owned_src.data()),
                               reinterpret_cast<uint8_t*>(owned_src.data()) + 16);
    // The borrowed write is queued first, yet it is the one that stays.
    atlas.queue_write(rgba_region(0, 0, 2, 2), borrowed.data());
    atlas.queue_owned_write(rgba_region(1, 1, 2, 2), std::move(owned));
    atlas.update(counting);
    EXPECT_EQ(counting.writes, 2);
    std::vector<uint8_t> t = read(atlas.handle(), 4, 4);
    EXPECT_EQ(texel(t, 4, 1, 1), borrowed[0]); // overlap: borrowed last
    EXPECT_EQ(texel(t, 4, 2, 2), owned_src[0]);
    EXPECT_EQ(texel(t, 4, 0, 0), borrowed[0]);
    atlas.destroy(counting);
}

TEST_F(TextureAtlasTest, MoveAssignmentTakesOverTheQueues) {
    TextureAtlas a({TextureType2D, TextureFormatRgba8, 4, 4, 1, 4, 1});
    TextureAtlas b({TextureType2DArray, TextureFormatR16ui, 32, 32, 2, 1, 1});
    uint32_t px = 0;
    a.queue_write(rgba_region(0, 0, 1, 1), &px);
    a.queue_owned_write(rgba_region(0, 0, 1, 1), std::vector<uint8_t>(4));
    b = std::move(a);
    EXPECT_EQ(b.queued_write_count(), 2u);
    EXPECT_EQ(b.layout().type, TextureType2D);
    EXPECT_EQ(a.queued_write_count(), 0u); // NOLINT(bugprone-use-after-move): the source is left empty
}

TEST_F(TextureAtlasTest, PackedAtlasUvsArePixelPositionsOverTheSize) {
    TextureAtlasPacked atlas({TextureType2D, TextureFormatRgba8, 1024, 1024, 1, 4, 1});
    atlas.create(counting);
    ImageAsset a;
    a.width = 64;
    a.height = 32;
    a.channels = 4;
    a.pixels.assign(64 * 32 * 4, 0);
    for (size_t i = 0; i < a.pixels.size(); i += 4) {
        a.pixels[i] = 200;
        a.pixels[i + 3] = 255;
    }
    ImageAsset b = a;
    b.width = 16;
    b.height = 16;
    b.pixels.assign(16 * 16 * 4, 0);
    for (size_t i = 0; i < b.pixels.size(); i += 4) {
        b.pixels[i + 1] = 100;
        b.pixels[i + 3] = 255;
    }
    std::optional<UvRect> ua = atlas.add_image(a);
    std::optional<UvRect> ub = atlas.add_image(b);
    ASSERT_TRUE(ua && ub);
    EXPECT_EQ(ua->width, 64u);
    EXPECT_EQ(ua->height, 32u);
    EXPECT_FLOAT_EQ(ua->size.x, 64.0f / 1024.0f);
    EXPECT_FLOAT_EQ(ua->size.y, 32.0f / 1024.0f);
    uint32_t ax = static_cast<uint32_t>(ua->offset.x * 1024.0f), ay = static_cast<uint32_t>(ua->offset.y * 1024.0f);
    uint32_t bx = static_cast<uint32_t>(ub->offset.x * 1024.0f), by = static_cast<uint32_t>(ub->offset.y * 1024.0f);
    EXPECT_FLOAT_EQ(ua->offset.x, static_cast<float>(ax) / 1024.0f);
    EXPECT_FLOAT_EQ(ub->offset.y, static_cast<float>(by) / 1024.0f);
    // The two rectangles do not overlap.
    bool apart = bx >= ax + 64 || bx + 16 <= ax || by >= ay + 32 || by + 16 <= ay;
    EXPECT_TRUE(apart);

    atlas.update(counting);
    std::vector<uint8_t> t = read(atlas.handle(), 1024, 1024);
    EXPECT_EQ(texel(t, 1024, ax, ay), pack_rgba8(200, 0, 0, 255));
    EXPECT_EQ(texel(t, 1024, ax + 63, ay + 31), pack_rgba8(200, 0, 0, 255));
    EXPECT_EQ(texel(t, 1024, bx + 15, by + 15), pack_rgba8(0, 100, 0, 255));
    atlas.destroy(counting);
}

TEST_F(TextureAtlasTest, PackedAtlasReportsImagesThatDoNotFit) {
    TextureAtlasPacked atlas({TextureType2D, TextureFormatRgba8, 64, 64, 1, 4, 1});
    atlas.create(counting);
    std::vector<uint32_t> px(64 * 64, pack_rgba8(1, 2, 3, 255));
    QueuedRegion too_wide = rgba_region(0, 0, 65, 1);
    EXPECT_FALSE(atlas.add_pixels(too_wide, px.data()).has_value());
    EXPECT_EQ(atlas.atlas().queued_write_count(), 0u);

    std::optional<UvRect> full = atlas.add_pixels(rgba_region(0, 0, 64, 64), px.data());
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->offset, glm::vec2(0, 0));
    EXPECT_EQ(full->size, glm::vec2(1, 1));
    EXPECT_FALSE(atlas.add_pixels(rgba_region(0, 0, 1, 1), px.data()).has_value());
    EXPECT_EQ(atlas.atlas().queued_write_count(), 1u);

    // A render restart restarts the packing: the space is free again.
    atlas.update(counting);
    atlas.destroy(counting);
    atlas.create(counting);
    std::optional<UvRect> again = atlas.add_pixels(rgba_region(0, 0, 8, 8), px.data());
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->offset, glm::vec2(0, 0));
    atlas.destroy(counting);
}

TEST_F(TextureAtlasTest, PackedAtlasRejectsImagesWithoutRgbaPixels) {
    TextureAtlasPacked atlas({TextureType2D, TextureFormatRgba8, 64, 64, 1, 4, 1});
    ImageAsset rgb;
    rgb.width = 4;
    rgb.height = 4;
    rgb.channels = 3;
    rgb.pixels.assign(4 * 4 * 3, 0);
    EXPECT_FALSE(atlas.add_image(rgb).has_value());
    ImageAsset short_pixels;
    short_pixels.width = 4;
    short_pixels.height = 4;
    short_pixels.channels = 4;
    short_pixels.pixels.assign(10, 0);
    EXPECT_FALSE(atlas.add_image(short_pixels).has_value());
    EXPECT_EQ(atlas.atlas().queued_write_count(), 0u);
}

} // namespace
