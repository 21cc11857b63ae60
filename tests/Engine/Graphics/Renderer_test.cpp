#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Math/Constants.h"
#include "Support/GlContext.h"

namespace {

std::vector<uint32_t> kinds(const RenderCommandList& list) {
    std::vector<uint32_t> out;
    for (const RenderCommand& c : list.commands()) {
        out.push_back(c.kind);
    }
    return out;
}

class RendererTest : public ::testing::Test {
protected:
    RenderContextOpenGL& gl = test_support::gl_context();
    Renderer renderer;

    void SetUp() override {
        renderer.init(gl);
        Camera camera; // the unit view: x and y from -1 to 1
        renderer.set_world_camera(camera);
    }
};

TEST_F(RendererTest, InitSetsTheUiCamera) {
    EXPECT_FLOAT_EQ(renderer.ui_camera().aspect, 16.0f / 9.0f);
    EXPECT_NEAR(renderer.ui_camera().visible_area.max.x, 16.0f / 9.0f, 1e-5f);
    EXPECT_NEAR(renderer.ui_camera().visible_area.min.y, -1.0f, 1e-5f);
    EXPECT_EQ(renderer.time(), 0.0f);
    renderer.advance_time(0.25f);
    renderer.advance_time(0.5f);
    EXPECT_FLOAT_EQ(renderer.time(), 0.75f);
}

TEST_F(RendererTest, EmptyFrameRecordsOnlyTheBindAndThreeClears) {
    renderer.upload_batches(gl);
    renderer.debug_line_batch().upload(gl);
    RenderCommandList list = renderer.record_frame();
    EXPECT_EQ(kinds(list), (std::vector<uint32_t>{RenderCommandBindFramebuffer, RenderCommandClear, RenderCommandClear,
                                                  RenderCommandClear}));
    EXPECT_EQ(list.commands()[0].framebuffer, kInvalidHandle);
    EXPECT_EQ(list.commands()[1].clear.count, 2u);
    EXPECT_EQ(list.commands()[2].clear.count, 1u);
    EXPECT_EQ(list.commands()[2].clear.targets[0], ClearTargetDepth);
    Handle fb = gl.create_framebuffer(4, 4);
    renderer.set_target(fb);
    EXPECT_EQ(renderer.record_frame().commands()[0].framebuffer, fb);
}

TEST_F(RendererTest, SpritesAreCulledChunkByChunk) {
    const SpriteChunkDraw both[] = {{0, {0.0f, 0.0f, 0}}, {1, {0.03125f, 0.0f, 2}}};
    // Two chunks side by side spanning x from 0.5 to 2.5: only chunk 0 (0.5 to 1.5) is in view.
    renderer.add_sprite(Transform{{1.5f, 0}, {1, 0.5f}, 0, 0}, SpriteDraw{2, 1, both});
    ASSERT_EQ(renderer.world_sprite_batch().instances().size(), 1u);
    const SpriteInstance& i = renderer.world_sprite_batch().instances()[0];
    EXPECT_EQ(i.uvw_offset, glm::vec3(0, 0, 0));
    EXPECT_FLOAT_EQ(i.model[3][0], 1.0f); // the chunk's centre
    EXPECT_FLOAT_EQ(i.model[3][1], 0.0f);
    EXPECT_FLOAT_EQ(i.model[0][0], 0.5f); // half a unit: one chunk is one world unit
    EXPECT_FLOAT_EQ(i.model[1][1], 0.5f);

    // Wholly outside the view: nothing.
    renderer.add_sprite(Transform{{5, 5}, {1, 1}, 0, 0}, SpriteDraw{2, 1, both});
    // Its bounds overlap the view but its one live chunk (top right of 2 x 2) does not.
    const SpriteChunkDraw top_right[] = {{3, {0, 0, 1}}};
    renderer.add_sprite(Transform{{1.9f, 1.9f}, {1, 1}, 0, 0}, SpriteDraw{2, 2, top_right});
    // Chunk indices outside the grid are ignored.
    const SpriteChunkDraw bad[] = {{-1, {}}, {4, {}}};
    renderer.add_sprite(Transform{}, SpriteDraw{2, 2, bad});
    EXPECT_EQ(renderer.world_sprite_batch().instances().size(), 1u);
}

struct ChunkCase {
    Transform sprite;
    uint32_t nx, ny;
    int32_t index;
    glm::vec2 position;
    glm::vec2 scale;
};

TEST_F(RendererTest, ChunkTransformsTable) {
    const ChunkCase cases[] = {
        {{{0, 0}, {1, 1}, 0, 0}, 1, 1, 0, {0, 0}, {1, 1}},
        {{{0, 0}, {2, 1}, 0, 0}, 4, 2, 0, {-1.5f, -0.5f}, {0.5f, 0.5f}},
        {{{0, 0}, {2, 1}, 0, 0}, 4, 2, 7, {1.5f, 0.5f}, {0.5f, 0.5f}},
        {{{10, 0}, {1, 0.5f}, kPi / 2, 0}, 2, 1, 1, {10, 0.5f}, {0.5f, 0.5f}}, // turned: +x goes to +y
    };
    for (const ChunkCase& c : cases) {
        Transform t = Renderer::chunk_transform(c.sprite, c.nx, c.ny, c.index);
        EXPECT_NEAR(t.position.x, c.position.x, 1e-5f);
        EXPECT_NEAR(t.position.y, c.position.y, 1e-5f);
        EXPECT_NEAR(t.scale.x, c.scale.x, 1e-6f);
        EXPECT_NEAR(t.scale.y, c.scale.y, 1e-6f);
        EXPECT_FLOAT_EQ(t.angle, c.sprite.angle);
    }
}

TEST_F(RendererTest, UiSpritesUseTheUiCameraAndStaticSpritesCull) {
    const SpriteChunkDraw one[] = {{0, {0, 0, 0}}};
    // x = 1.5 is outside the world view but inside the UI view (x up to 16/9).
    renderer.add_ui_sprite(Transform{{1.5f, 0}, {0.1f, 0.1f}, 0, 0}, SpriteDraw{1, 1, one});
    renderer.add_sprite(Transform{{1.5f, 0}, {0.1f, 0.1f}, 0, 0}, SpriteDraw{1, 1, one});
    EXPECT_EQ(renderer.ui_sprite_batch().instances().size(), 1u);
    EXPECT_EQ(renderer.world_sprite_batch().instances().size(), 0u);

    UvRect uv;
    renderer.add_static_sprite(Transform{{1.5f, 0}, {0.1f, 0.1f}, 0, 0}, uv);
    renderer.add_static_sprite(Transform{{0.5f, 0}, {0.1f, 0.1f}, 0, 0}, uv);
    ASSERT_EQ(renderer.world_static_sprite_batch().instances().size(), 1u);
    EXPECT_EQ(renderer.world_static_sprite_batch().instances()[0].tint, glm::vec4(1.0f));
    renderer.add_background_sprite(Transform{{50, 50}, {1, 1}, 0, 0}, uv, pack_rgba8(255, 0, 0, 128));
    ASSERT_EQ(renderer.background_batch().instances().size(), 1u);
    EXPECT_FLOAT_EQ(renderer.background_batch().instances()[0].tint.a, 128.0f / 255.0f);
}

TEST_F(RendererTest, StepsComeInFrameOrder) {
    Handle white = gl.create_texture({TextureType2D, TextureFormatRgba8, 1, 1, 1, 4, 1});
    renderer.set_sprite_textures(white, kInvalidHandle, kInvalidHandle);
    const SpriteChunkDraw one[] = {{0, {0, 0, 0}}};
    UvRect uv;
    Transform t{{0, 0}, {0.5f, 0.5f}, 0, 0};
    renderer.add_background_sprite(t, uv, 0xFFFFFFFFu);
    renderer.add_static_sprite(t, uv);
    renderer.add_sprite(t, SpriteDraw{1, 1, one});
    const LinePoint line[] = {{{0, 0}, 0.1f, 0xFFFFFFFFu}, {{1, 0}, 0.1f, 0xFFFFFFFFu}};
    renderer.add_line(line);
    renderer.add_ui_static_sprite(t, uv, 0xFFFFFFFFu);
    renderer.add_ui_sprite(t, SpriteDraw{1, 1, one});
    ParticleSpawnSettings spark;
    spark.life = {true, 1.0f, 0.0f};
    renderer.spawn_particles({0, 0}, 0.0f, spark);
    renderer.spawn_ui_particles({0, 0}, 0.0f, spark);
    renderer.debug_line_batch().push({0, 0}, {1, 1}, 0xFFFFFFFFu);
    renderer.upload_batches(gl);
    renderer.debug_line_batch().upload(gl);
    RenderCommandList list = renderer.record_frame();

    std::vector<uint32_t> draws_per_shader;
    std::vector<bool> depth;
    std::vector<uint32_t> blend_dst;
    const auto& c = list.commands();
    for (size_t i = 0; i < c.size(); ++i) {
        if (c[i].kind == RenderCommandUseShader) {
            draws_per_shader.push_back(static_cast<uint32_t>(c[i].shader.index));
            depth.push_back(c[i - 3].enabled);
            blend_dst.push_back(c[i - 1].blend_func.destination);
        }
    }
    // Background, static, sprite, particles, thick line, UI static, UI sprite, UI particles, debug line; the
    // shaders were created in the order line, thick line, particle, sprite, static sprite, so their indices rise
    // from the first one.
    ASSERT_EQ(draws_per_shader.size(), 9u);
    uint32_t base = draws_per_shader[8]; // the line shader is the first of the five
    EXPECT_EQ(draws_per_shader, (std::vector<uint32_t>{base + 4, base + 4, base + 3, base + 2, base + 1, base + 4,
                                                       base + 3, base + 2, base}));
    EXPECT_EQ(depth, (std::vector<bool>{false, true, true, false, true, true, true, false, false}));
    EXPECT_EQ(blend_dst[0], BlendDstOneMinusSrcAlpha);
    EXPECT_EQ(blend_dst[3], BlendDstOne); // particles add up
    EXPECT_EQ(blend_dst[7], BlendDstOne);
    size_t clears = 0;
    for (const RenderCommand& cmd : c) {
        clears += cmd.kind == RenderCommandClear;
    }
    EXPECT_EQ(clears, 3u);
}

// Drawn for real: the background stays behind the world whatever its depth, and UI items show over world depth.
TEST_F(RendererTest, BackgroundBehindEverythingAndUiOverWorldDepth) {
    Handle white = gl.create_texture({TextureType2D, TextureFormatRgba8, 1, 1, 1, 4, 1});
    uint32_t px = 0xFFFFFFFFu;
    gl.write_texture(white, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, 1, 1, 1}, &px);
    renderer.set_sprite_textures(white, kInvalidHandle, kInvalidHandle);
    Camera ui;
    renderer.set_ui_camera(ui); // the unit view, like the world camera

    UvRect uv;
    // Background over the whole view, nearest to the viewer (z 0.9).
    renderer.add_background_sprite(Transform{{0, 0}, {1, 1}, 0, 0.9f}, uv, pack_rgba8(255, 0, 0, 255));
    // A world picture on the left half, far away (z -0.9): still drawn over the background.
    renderer.add_static_sprite(Transform{{-0.5f, 0}, {0.5f, 1}, 0, -0.9f}, uv);
    // A world picture on the top half, near (z 0.9), and a blue UI picture on the top right, far (z -0.9).
    renderer.add_static_sprite(Transform{{0, 0.5f}, {1, 0.5f}, 0, 0.9f}, uv);
    renderer.add_ui_static_sprite(Transform{{0.5f, 0.5f}, {0.5f, 0.5f}, 0, -0.9f}, uv, pack_rgba8(0, 0, 255, 255));
    renderer.upload_batches(gl);

    Handle fb = gl.create_framebuffer(16, 16);
    test_support::clear_target(gl, fb, 16, 16, glm::vec4(0, 0, 0, 1));
    renderer.set_target(fb);
    renderer.render(gl);
    test_support::Pixels p = test_support::read_framebuffer(gl, fb, 16, 16);
    const uint32_t red = pack_rgba8(255, 0, 0, 255), white_px = 0xFFFFFFFFu, blue = pack_rgba8(0, 0, 255, 255);
    EXPECT_EQ(p.at(12, 3), red);      // bottom right: only the background
    EXPECT_EQ(p.at(3, 3), white_px);  // bottom left: far world picture over the near background
    EXPECT_EQ(p.at(3, 12), white_px); // top left: world
    EXPECT_EQ(p.at(12, 12), blue);    // top right: UI over the near world picture
}

// The back end skips a clear of buffers that nothing drew into since they were cleared to the same values: the
// frame start's clear makes the first step's clear redundant, and the background draws without depth testing, so
// the depth clear after it is too. The picture is the one every clear gives.
TEST_F(RendererTest, CleanBuffersAreNotClearedAgainAndThePictureStaysTheSame) {
    Handle white = gl.create_texture({TextureType2D, TextureFormatRgba8, 1, 1, 1, 4, 1});
    uint32_t px = 0xFFFFFFFFu;
    gl.write_texture(white, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, 1, 1, 1}, &px);
    renderer.set_sprite_textures(white, kInvalidHandle, kInvalidHandle);
    Camera ui;
    renderer.set_ui_camera(ui);
    Handle fb = gl.create_framebuffer(16, 16);

    struct Frame {
        test_support::Pixels pixels;
        uint64_t clears = 0;
    };
    const auto frame = [&](bool skip) {
        gl.set_skip_clean_clears(skip);
        UvRect uv;
        renderer.add_background_sprite(Transform{{0, 0}, {1, 1}, 0, 0.9f}, uv, pack_rgba8(255, 0, 0, 255));
        renderer.add_static_sprite(Transform{{-0.5f, 0}, {0.5f, 1}, 0, -0.9f}, uv);
        renderer.add_static_sprite(Transform{{0, 0.5f}, {1, 0.5f}, 0, 0.9f}, uv);
        renderer.add_ui_static_sprite(Transform{{0.5f, 0.5f}, {0.5f, 0.5f}, 0, -0.9f}, uv, pack_rgba8(0, 0, 255, 255));
        renderer.upload_batches(gl);
        // Whatever the last frame left in the target, then the frame start's clear of colour and depth.
        test_support::clear_target(gl, fb, 16, 16, glm::vec4(0.2f, 0.4f, 0.6f, 1.0f));
        renderer.set_target(fb);
        renderer.render(gl);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        const uint64_t before = gl.clears_issued();
        RenderCommandList start;
        start.bind_framebuffer(fb);
        start.clear({ClearTargetColor, ClearTargetDepth});
        gl.execute(start);
        renderer.render(gl);
        Frame f{test_support::read_framebuffer(gl, fb, 16, 16), gl.clears_issued() - before};
        gl.set_skip_clean_clears(true);
        return f;
    };
    const Frame every = frame(false);
    const Frame skipped = frame(true);
    EXPECT_EQ(every.clears, 4u);
    // The frame start's clear, and the depth clear between the world and the UI.
    EXPECT_EQ(skipped.clears, 2u);
    EXPECT_EQ(skipped.pixels.rgba, every.pixels.rgba);
    EXPECT_EQ(skipped.pixels.at(12, 3), pack_rgba8(255, 0, 0, 255));  // background only
    EXPECT_EQ(skipped.pixels.at(3, 3), 0xFFFFFFFFu);                  // far world picture over the background
    EXPECT_EQ(skipped.pixels.at(12, 12), pack_rgba8(0, 0, 255, 255)); // UI over near world depth
}

// A clear of clean buffers to other values, a draw since the clear, or another framebuffer bound in between: the
// clear is issued.
TEST_F(RendererTest, ClearsAfterADrawOrToOtherValuesAreIssued) {
    Handle a = gl.create_framebuffer(4, 4);
    Handle b = gl.create_framebuffer(4, 4);
    const auto issued = [&](const RenderCommandList& list) {
        const uint64_t before = gl.clears_issued();
        gl.execute(list);
        return gl.clears_issued() - before;
    };
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    RenderCommandList clear_a;
    clear_a.bind_framebuffer(a);
    clear_a.set_viewport(0, 0, 4, 4);
    clear_a.clear({ClearTargetColor, ClearTargetDepth});
    EXPECT_EQ(issued(clear_a), 1u);
    EXPECT_EQ(issued(clear_a), 0u); // still clean

    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(issued(clear_a), 1u); // another colour
    EXPECT_EQ(test_support::read_framebuffer(gl, a, 4, 4).at(1, 1), pack_rgba8(0, 255, 0, 255));

    RenderCommandList via_b;
    via_b.bind_framebuffer(b);
    via_b.bind_framebuffer(a);
    via_b.clear({ClearTargetColor});
    EXPECT_EQ(issued(via_b), 1u); // what happened to a while b was bound is not followed

    // A draw into a (the renderer's empty frame draws nothing, so draw a background sprite).
    Handle white = gl.create_texture({TextureType2D, TextureFormatRgba8, 1, 1, 1, 4, 1});
    uint32_t px = 0xFFFFFFFFu;
    gl.write_texture(white, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, 1, 1, 1}, &px);
    renderer.set_sprite_textures(white, kInvalidHandle, kInvalidHandle);
    renderer.add_background_sprite(Transform{{0, 0}, {1, 1}, 0, 0.0f}, UvRect{}, pack_rgba8(255, 0, 0, 255));
    renderer.upload_batches(gl);
    renderer.set_target(a);
    renderer.render(gl);
    EXPECT_EQ(test_support::read_framebuffer(gl, a, 4, 4).at(1, 1), pack_rgba8(255, 0, 0, 255));
    RenderCommandList color_only;
    color_only.bind_framebuffer(a);
    color_only.clear({ClearTargetColor});
    EXPECT_EQ(issued(color_only), 1u);
    EXPECT_EQ(test_support::read_framebuffer(gl, a, 4, 4).at(1, 1), pack_rgba8(0, 255, 0, 255));
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

} // namespace
