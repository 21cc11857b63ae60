#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/Renderer.h"
#include "Game/Rendering/PictureBounds.h"
#include "Support/GlContext.h"

namespace {

// A picture of `width` x `height` with opaque pixels at the given places (x, y from the bottom left).
SpritePicture picture_with(uint32_t width, uint32_t height, const std::vector<glm::uvec2>& opaque) {
    SpritePicture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(static_cast<size_t>(width) * height, 0u);
    for (const glm::uvec2 at : opaque) {
        p.pixels[at.y * width + at.x] = pack_rgba8(200, 100, 50, 255);
    }
    return p;
}

TEST(PictureBounds, TheOpaquePixelsWithATransparentMarginWhereThePictureHasRoom) {
    struct Case {
        const char* what;
        SpritePicture picture;
        PictureRect expected;
    };
    const std::vector<Case> cases = {
        {"two pixels inside", picture_with(8, 6, {{2, 1}, {5, 3}}), {1, 0, 6, 5}},
        {"one pixel", picture_with(8, 6, {{4, 4}}), {3, 3, 3, 3}},
        {"touching the corners", picture_with(8, 6, {{0, 0}, {7, 5}}), {0, 0, 8, 6}},
        {"touching the right edge", picture_with(8, 6, {{7, 2}}), {6, 1, 2, 3}},
        {"nothing opaque", picture_with(8, 6, {}), {0, 0, 0, 0}},
        {"no picture", SpritePicture{}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const PictureRect r = opaque_bounds(c.picture);
        EXPECT_EQ(r.column, c.expected.column) << c.what;
        EXPECT_EQ(r.row, c.expected.row) << c.what;
        EXPECT_EQ(r.columns, c.expected.columns) << c.what;
        EXPECT_EQ(r.rows, c.expected.rows) << c.what;
    }
}

TEST(PictureBounds, ThePartCoversItsPixelsOfTheWholeQuadAndSamplesThem) {
    // Columns 2 to 5 and rows 1 to 3 of an 8 x 6 picture that sits at (16, 8) in a 64 x 32 atlas.
    const SpritePicture picture = picture_with(8, 6, {});
    const PictureRect rect{2, 1, 4, 3};
    const UvRect region{{16.0f / 64.0f, 8.0f / 32.0f}, {8.0f / 64.0f, 6.0f / 32.0f}, 8, 6};
    const Transform whole{{3.0f, -2.0f}, {8.0f, 6.0f}, 0.0f, -4.5f};
    const PictureQuad part = picture_part(whole, region, picture, rect);
    // Unrotated, each picture pixel of the whole quad is 2 x 2 units, the picture's lower left at (-5, -8).
    EXPECT_FLOAT_EQ(part.transform.position.x, -5.0f + 2.0f * 4.0f);
    EXPECT_FLOAT_EQ(part.transform.position.y, -8.0f + 2.0f * 2.5f);
    EXPECT_FLOAT_EQ(part.transform.scale.x, 4.0f);
    EXPECT_FLOAT_EQ(part.transform.scale.y, 3.0f);
    EXPECT_EQ(part.transform.z, -4.5f);
    EXPECT_FLOAT_EQ(part.uv.offset.x, 18.0f / 64.0f);
    EXPECT_FLOAT_EQ(part.uv.offset.y, 9.0f / 32.0f);
    EXPECT_FLOAT_EQ(part.uv.size.x, 4.0f / 64.0f);
    EXPECT_FLOAT_EQ(part.uv.size.y, 3.0f / 32.0f);
    // Turned a quarter, the part's centre turns about the whole quad's.
    Transform turned = whole;
    turned.angle = 1.5707964f;
    const PictureQuad turned_part = picture_part(turned, region, picture, rect);
    EXPECT_NEAR(turned_part.transform.position.x, 3.0f + 1.0f, 1e-5f);
    EXPECT_NEAR(turned_part.transform.position.y, -2.0f + 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(turned_part.transform.angle, turned.angle);
}

// Drawn for real with the background's blending: a picture with a shape in its middle, drawn large and turned,
// gives the same pixels by its part as by the whole quad.
TEST(PictureBounds, ThePartDrawsTheSamePixelsAsTheWholeQuad) {
    RenderContextOpenGL& gl = test_support::gl_context();
    // A 16 x 12 picture with a shape of several colours and alphas in columns 4 to 11, rows 3 to 8, in a
    // 32 x 32 texture whose other texels are opaque, so a part that samples outside its region shows.
    constexpr uint32_t kW = 16, kH = 12, kTex = 32, kAtX = 8, kAtY = 4;
    std::vector<uint32_t> texels(kTex * kTex, pack_rgba8(255, 255, 0, 255));
    SpritePicture picture = picture_with(kW, kH, {});
    for (uint32_t y = 0; y < kH; ++y) {
        for (uint32_t x = 0; x < kW; ++x) {
            const bool inside = x >= 4 && x <= 11 && y >= 3 && y <= 8 && (x + y) % 5 != 0;
            const uint32_t c = inside ? pack_rgba8(40 * (x % 6), 30 * (y % 8), 200, 60 + 20 * ((x + y) % 9)) : 0u;
            picture.pixels[y * kW + x] = c;
            texels[(kAtY + y) * kTex + kAtX + x] = c;
        }
    }
    Handle texture = gl.create_texture({TextureType2D, TextureFormatRgba8, kTex, kTex, 1, 4, 1});
    gl.write_texture(texture, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, kTex, kTex, 1}, texels.data());
    const UvRect region{{static_cast<float>(kAtX) / kTex, static_cast<float>(kAtY) / kTex},
                        {static_cast<float>(kW) / kTex, static_cast<float>(kH) / kTex},
                        kW,
                        kH};
    const PictureRect rect = opaque_bounds(picture);
    ASSERT_EQ(rect.columns, 10u);
    ASSERT_EQ(rect.rows, 8u);

    Renderer renderer;
    renderer.init(gl);
    Camera camera; // the unit view: x and y from -1 to 1
    renderer.set_world_camera(camera);
    renderer.set_sprite_textures(texture, kInvalidHandle, kInvalidHandle);
    constexpr uint32_t kSize = 160;
    Handle fb = gl.create_framebuffer(kSize, kSize);
    const auto draw = [&](bool by_part, const Transform& whole) {
        for (int32_t layer = 0; layer < 2; ++layer) {
            Transform t = whole;
            t.position.x += 0.13f * static_cast<float>(layer);
            t.angle += 0.7f * static_cast<float>(layer);
            const uint32_t tint = pack_rgba8(100, 150, 200, 100);
            if (by_part) {
                const PictureQuad p = picture_part(t, region, picture, rect);
                renderer.add_background_sprite(p.transform, p.uv, tint);
            } else {
                renderer.add_background_sprite(t, region, tint);
            }
        }
        renderer.upload_batches(gl);
        test_support::clear_target(gl, fb, kSize, kSize, glm::vec4(0.05f, 0.1f, 0.2f, 1.0f));
        renderer.set_target(fb);
        renderer.render(gl);
        return test_support::read_framebuffer(gl, fb, kSize, kSize);
    };
    for (const Transform& whole :
         {Transform{{0.0f, 0.0f}, {1.6f, 1.2f}, 0.0f, 0.0f}, Transform{{0.1f, -0.2f}, {2.0f, 2.0f}, 0.4f, -0.5f},
          Transform{{-0.3f, 0.25f}, {1.3f, 1.9f}, 2.9f, -0.9f}}) {
        const test_support::Pixels a = draw(false, whole);
        const test_support::Pixels b = draw(true, whole);
        int32_t shown = 0;
        int32_t differ = 0;
        for (size_t i = 0; i < a.rgba.size(); ++i) {
            shown += a.rgba[i] != a.rgba[0] ? 1 : 0;
            differ += a.rgba[i] != b.rgba[i] ? 1 : 0;
        }
        EXPECT_GT(shown, 2000) << "the picture is on the target";
        // Pixels whose centre falls on a texel edge may pick the other texel; no more than a few of them.
        EXPECT_LE(differ, 3) << "angle " << whole.angle;
    }
}

} // namespace
