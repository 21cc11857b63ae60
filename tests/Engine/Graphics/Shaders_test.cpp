// Each built-in shader draws a known instance into an offscreen target; the pixels read back show what it computes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include <epoxy/gl.h>

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/LineBatch.h"
#include "Engine/Graphics/Shaders.h"
#include "Engine/Graphics/SpriteBatch.h"
#include "Engine/Graphics/StaticSpriteBatch.h"
#include "Engine/Graphics/ThickLineBatch.h"
#include "Support/GlContext.h"

namespace {

using test_support::gl_context;
using test_support::Pixels;

constexpr glm::vec4 kClear{0.25f, 0.25f, 0.25f, 1.0f};
constexpr uint32_t kClearRgba = pack_rgba8(64, 64, 64, 255);

// Channels within tol of each other (rounding of the target's 8-bit channels).
::testing::AssertionResult near_rgb(uint32_t actual, uint32_t expected, int tol = 1) {
    for (int c = 0; c < 3; ++c) {
        int a = static_cast<int>((actual >> (8 * c)) & 0xFF);
        int e = static_cast<int>((expected >> (8 * c)) & 0xFF);
        if (std::abs(a - e) > tol) {
            return ::testing::AssertionFailure() << std::hex << "pixel 0x" << actual << " expected 0x" << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

class ShaderTest : public ::testing::Test {
protected:
    RenderContextOpenGL& gl = gl_context();

    Handle target(uint32_t w, uint32_t h) {
        Handle fb = gl.create_framebuffer(w, h);
        test_support::clear_target(gl, fb, w, h, kClear);
        return fb;
    }

    // Opaque drawing without blending, so a fragment that is not discarded always shows.
    static RenderStep opaque_step(Handle shader) {
        RenderStep step;
        step.name = "test";
        step.shader = shader;
        step.depth_test = false;
        step.blend = false;
        step.add_uniform(UniformValue::of_matrix(glm::mat4(1.0f)));
        return step;
    }

    void run(Handle fb, const RenderStep& step) {
        RenderCommandList list;
        list.bind_framebuffer(fb);
        list.add_step(step);
        gl.execute(list);
    }
};

TEST_F(ShaderTest, SpriteChunkShowsActiveCellsOnly) {
    // A 64 x 64 atlas of two layers; the chunk under test is the block at texel (32, 0) of layer 1.
    TextureLayout color_layout{TextureType2DArray, TextureFormatRgba8, 64, 64, 2, 4, 1};
    TextureLayout flags_layout{TextureType2DArray, TextureFormatR16ui, 64, 64, 2, 1, 1};
    Handle colors = gl.create_texture(color_layout);
    Handle flags = gl.create_texture(flags_layout);

    // Everything else is a filled magenta cell, so a wrong block or layer would show.
    std::vector<uint32_t> fill_color(64 * 64 * 2, pack_rgba8(255, 0, 255, 255));
    std::vector<uint16_t> fill_flags(64 * 64 * 2, 1);
    gl.write_texture(colors, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, 64, 64, 2}, fill_color.data());
    gl.write_texture(flags, {UploadFormatRedInteger, PixelTypeUnsignedShort, 0, 0, 0, 64, 64, 2}, fill_flags.data());

    const uint32_t red = pack_rgba8(255, 0, 0, 255), cyan = pack_rgba8(0, 255, 255, 255);
    const uint32_t green = pack_rgba8(0, 255, 0, 255), blue = pack_rgba8(0, 0, 255, 255);
    const uint32_t white = pack_rgba8(255, 255, 255, 255), clear_yellow = pack_rgba8(255, 255, 0, 0);
    std::vector<uint32_t> chunk_color(32 * 32);
    std::vector<uint16_t> chunk_flags(32 * 32);
    std::vector<uint32_t> expected(32 * 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            size_t i = static_cast<size_t>(y * 32 + x);
            if (x < 8) { // filled; the upper half another colour, to pin y upwards
                chunk_color[i] = y < 16 ? red : cyan;
                chunk_flags[i] = 1;
                expected[i] = chunk_color[i];
            } else if (x < 16) { // filled but removed
                chunk_color[i] = green;
                chunk_flags[i] = 1 | 0x20;
                expected[i] = kClearRgba;
            } else if (x < 24) { // empty
                chunk_color[i] = blue;
                chunk_flags[i] = 0;
                expected[i] = kClearRgba;
            } else if (x < 28) { // a core cell with edge bits set: only the low bits decide
                chunk_color[i] = white;
                chunk_flags[i] = 2 | (2 << 6) | (5 << 8);
                expected[i] = white;
            } else { // filled but fully transparent
                chunk_color[i] = clear_yellow;
                chunk_flags[i] = 1;
                expected[i] = kClearRgba;
            }
        }
    }
    gl.write_texture(colors, {UploadFormatRgba, PixelTypeUnsignedByte, 32, 0, 1, 32, 32, 1}, chunk_color.data());
    gl.write_texture(flags, {UploadFormatRedInteger, PixelTypeUnsignedShort, 32, 0, 1, 32, 32, 1}, chunk_flags.data());

    SpriteBatch batch;
    batch.create(gl, 32, 64);
    batch.push(Transform{}, glm::vec3(0.5f, 0.0f, 1.0f));
    batch.upload(gl);

    Handle shader = gl.create_shader(sprite_shader_description());
    RenderStep step = opaque_step(shader);
    step.add_uniform(UniformValue::of_texture(colors));
    step.add_uniform(UniformValue::of_texture(flags));
    batch.append_draw(step);
    ASSERT_EQ(step.draw_count, 1u);

    Handle fb = target(32, 32);
    run(fb, step);
    Pixels p = test_support::read_framebuffer(gl, fb, 32, 32);
    int wrong = 0;
    for (uint32_t y = 0; y < 32; ++y) {
        for (uint32_t x = 0; x < 32; ++x) {
            if (!near_rgb(p.at(x, y), expected[y * 32 + x])) {
                ++wrong;
                ADD_FAILURE() << "cell (" << x << ", " << y << ") "
                              << near_rgb(p.at(x, y), expected[y * 32 + x]).message();
                if (wrong > 5) {
                    return;
                }
            }
        }
    }
}

TEST_F(ShaderTest, StaticSpriteSamplesItsRectangleTimesTint) {
    // 4 x 4 texels: red = 60 i, green = 60 j, blue 200; texel (3, 3) is fully transparent.
    std::vector<uint32_t> texels(16);
    for (uint32_t j = 0; j < 4; ++j) {
        for (uint32_t i = 0; i < 4; ++i) {
            texels[j * 4 + i] = pack_rgba8(60 * i, 60 * j, 200, (i == 3 && j == 3) ? 0 : 255);
        }
    }
    Handle texture = gl.create_texture({TextureType2D, TextureFormatRgba8, 4, 4, 1, 4, 1});
    gl.write_texture(texture, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, 4, 4, 1}, texels.data());

    StaticSpriteBatch batch;
    batch.create(gl);
    UvRect uv{{0.5f, 0.5f}, {0.5f, 0.5f}, 2, 2};
    batch.push(Transform{}, uv, glm::vec4(0.5f, 1.0f, 1.0f, 1.0f));
    batch.upload(gl);

    Handle shader = gl.create_shader(static_sprite_shader_description());
    RenderStep step = opaque_step(shader);
    step.add_uniform(UniformValue::of_texture(texture));
    batch.append_draw(step);

    Handle fb = target(8, 8);
    run(fb, step);
    Pixels p = test_support::read_framebuffer(gl, fb, 8, 8);
    for (uint32_t y = 0; y < 8; ++y) {
        for (uint32_t x = 0; x < 8; ++x) {
            uint32_t i = 2 + x / 4, j = 2 + y / 4;
            uint32_t expected = (i == 3 && j == 3) ? kClearRgba : pack_rgba8(30 * i, 60 * j, 200, 255);
            EXPECT_TRUE(near_rgb(p.at(x, y), expected)) << "pixel (" << x << ", " << y << ")";
        }
    }
}

// Pixel centres of a 64 x 64 target in clip space: (p + 0.5) / 32 - 1.
TEST_F(ShaderTest, ThickLineIsACapsuleWithColorGradient) {
    ThickLineBatch batch;
    batch.create(gl);
    const LinePoint points[] = {{{-0.5f, 0.0f}, 0.5f, pack_rgba8(255, 0, 0, 255)},
                                {{0.5f, 0.0f}, 0.5f, pack_rgba8(0, 0, 255, 255)}};
    batch.add_line(points);
    batch.upload(gl);
    Handle shader = gl.create_shader(thick_line_shader_description());
    RenderStep step = opaque_step(shader);
    batch.append_draw(step);
    Handle fb = target(64, 64);
    run(fb, step);
    Pixels p = test_support::read_framebuffer(gl, fb, 64, 64);

    struct Probe {
        uint32_t x, y;
        uint32_t expected;
    };
    const Probe probes[] = {
        {32, 32, pack_rgba8(124, 0, 131, 255)}, // x = 0.016: t = 0.516 along A -> B
        {24, 32, pack_rgba8(187, 0, 68, 255)},  // x = -0.234: t = 0.266
        {32, 38, pack_rgba8(124, 0, 131, 255)}, // y = 0.203, inside the half width 0.25
        {32, 42, kClearRgba},                   // y = 0.328, outside
        {12, 32, pack_rgba8(255, 0, 0, 255)},   // x = -0.609, in the cap around A
        {12, 36, pack_rgba8(255, 0, 0, 255)},   // (-0.609, 0.141), 0.18 from A
        {6, 32, kClearRgba},                    // x = -0.797, beyond the cap
        {52, 32, pack_rgba8(0, 0, 255, 255)},   // x = 0.641, in the cap around B
        {58, 32, kClearRgba},                   // x = 0.828, beyond it
    };
    for (const Probe& probe : probes) {
        EXPECT_TRUE(near_rgb(p.at(probe.x, probe.y), probe.expected, 2))
            << "pixel (" << probe.x << ", " << probe.y << ")";
    }
}

TEST_F(ShaderTest, ThickLineWithZeroAlphaDrawsNothing) {
    ThickLineBatch batch;
    batch.create(gl);
    const LinePoint points[] = {{{-0.5f, 0.0f}, 0.5f, pack_rgba8(255, 0, 0, 0)},
                                {{0.5f, 0.0f}, 0.5f, pack_rgba8(0, 255, 0, 0)},
                                {{0.5f, 0.5f}, 0.5f, pack_rgba8(0, 0, 255, 0)}};
    batch.add_line(points);
    batch.upload(gl);
    Handle shader = gl.create_shader(thick_line_shader_description());
    RenderStep step = opaque_step(shader);
    batch.append_draw(step);
    ASSERT_EQ(step.draw_count, 1u);
    Handle fb = target(64, 64);
    run(fb, step);
    Pixels p = test_support::read_framebuffer(gl, fb, 64, 64);
    for (uint32_t v : p.rgba) {
        ASSERT_EQ(v, kClearRgba);
    }
}

TEST_F(ShaderTest, LineDrawsItsVertexColor) {
    LineBatch batch;
    batch.create(gl);
    // Along the centre of pixel row 16 of a 32 x 32 target.
    float y = 16.5f / 16.0f - 1.0f;
    batch.push({-1.0f, y}, {1.0f, y}, pack_rgba8(0, 255, 0, 255));
    batch.upload(gl);
    Handle shader = gl.create_shader(line_shader_description());
    RenderStep step = opaque_step(shader);
    batch.append_draw(step);
    Handle fb = target(32, 32);
    run(fb, step);
    Pixels p = test_support::read_framebuffer(gl, fb, 32, 32);
    EXPECT_TRUE(near_rgb(p.at(10, 16), pack_rgba8(0, 255, 0, 255)));
    EXPECT_TRUE(near_rgb(p.at(10, 20), kClearRgba));
}

// The particle program computes everything from the instance and the time uniform.
TEST_F(ShaderTest, ParticleMovesWithItsVelocityAndDiesAfterItsLife) {
    const ShaderDescription& d = particle_shader_description();
    const float quad[12] = {-1, -1, 1, -1, -1, 1, 1, 1, -1, 1, 1, -1};
    // Spawned at x = -0.5 at time 0, moving at 0.5 per second without damping, life 2, half size 0.1, white.
    float instance[32] = {
        -0.5f, 0,    0,    0,    // position, spawn time
        0,     0,    0,    1,    // angle, scale factor
        0.1f,  0.1f, 0.1f, 0.1f, // initial and final scale
        1,     1,    1,    1,    // initial colour
        1,     1,    1,    1,    // final colour
        0.5f,  0,    0,    0,    // velocity, damping
        0,     0,    0,    0,    // angular velocity, damping
        1,     2,    0,    0,    // colour factor, life
    };
    Handle buffers[2] = {gl.create_buffer(BufferTypeVertex, BufferUsageStatic, sizeof(quad), quad),
                         gl.create_buffer(BufferTypeVertex, BufferUsageDynamic, sizeof(instance), instance)};
    Handle mesh = gl.create_mesh(d.layout, buffers);
    Handle shader = gl.create_shader(d);

    struct Case {
        float time;
        float damping;
        uint32_t lit_x; // the pixel column at the particle's centre, or 0 for none
    };
    // x = -0.5 + 0.5 t undamped, -0.5 + 0.5 (1 - e^-t) with damping 1; column = (x + 1) * 32.
    const Case cases[] = {{0.0f, 0, 16}, {1.0f, 0, 32}, {2.0f, 0, 48}, {2.5f, 0, 0}, {1.0f, 1, 26}, {2.0f, 1, 29}};
    for (const Case& c : cases) {
        instance[23] = c.damping;
        gl.set_buffer_sub_data(buffers[1], 23 * sizeof(float), sizeof(float), &instance[23]);
        RenderStep step = opaque_step(shader);
        step.add_uniform(UniformValue::of_float(c.time));
        DrawCall draw;
        draw.mesh = mesh;
        draw.vertex_count = 6;
        draw.instance_count = 1;
        step.add_draw(draw);
        Handle fb = target(64, 64);
        run(fb, step);
        Pixels p = test_support::read_framebuffer(gl, fb, 64, 64);
        int lit = 0;
        for (uint32_t v : p.rgba) {
            lit += v != kClearRgba;
        }
        if (c.lit_x == 0) {
            EXPECT_EQ(lit, 0) << "time " << c.time;
        } else {
            // A square of 0.2 x 0.2 clip units is about 6 x 6 pixels.
            EXPECT_NEAR(lit, 36, 14) << "time " << c.time << " damping " << c.damping;
            EXPECT_TRUE(near_rgb(p.at(c.lit_x, 32), pack_rgba8(255, 255, 255, 255))) << "time " << c.time;
            EXPECT_TRUE(near_rgb(p.at(c.lit_x + 8, 32), kClearRgba)) << "time " << c.time;
        }
    }
}

} // namespace
