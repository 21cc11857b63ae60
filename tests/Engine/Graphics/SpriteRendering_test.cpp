// A destructible sprite from the real chunk pool drawn by the renderer: every active cell shows as its own colour,
// and a removed cell disappears once its chunk is uploaded again.

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/Renderer.h"
#include "Support/GlContext.h"
#include "Support/SpriteBuilder.h"

namespace {

constexpr uint32_t kBlack = pack_rgba8(0, 0, 0, 255);

uint32_t expected_rgb(int32_t x, int32_t y) {
    uint32_t c = test_support::cell_color_of(x, y);
    return c | 0xFF000000u;
}

TEST(SpriteRendering, ChunkPoolSpriteDrawsCellForCell) {
    RenderContextOpenGL& gl = test_support::gl_context();
    SpriteChunkPool pool(32, 1024, 1);
    // Two chunks side by side: the first full, the second filled in its left half.
    Sprite sprite = test_support::build_sprite(pool, {2, 1}, test_support::filled_box({0, 0}, {47, 31}));
    pool.create(gl);
    pool.apply_pending();
    pool.update(gl);

    Renderer renderer;
    renderer.init(gl);
    Camera camera;
    camera.set_ortho(0.5f, 2.0f, 1.0f); // sees x from -1 to 1 and y from -0.5 to 0.5: exactly the sprite
    renderer.set_world_camera(camera);
    renderer.set_sprite_textures(kInvalidHandle, pool.color_texture(), pool.flags_texture());
    Transform transform{{0, 0}, {1, 0.5f}, 0, 0}; // half the chunk counts

    auto draw = [&] {
        const SpriteGrid& grid = sprite.grid();
        renderer.add_sprite(transform, grid.chunks_x, grid.chunks_y, sprite.chunk_table().chunk_of_slot,
                            [](const SpriteChunk* c) {
                                return SpriteChunkDraw{c->index, glm::vec3(c->uv, c->layer_f)};
                            });
        EXPECT_EQ(renderer.world_sprite_batch().instances().size(), 2u);
        renderer.upload_batches(gl);
        Handle fb = gl.create_framebuffer(64, 32);
        test_support::clear_target(gl, fb, 64, 32, glm::vec4(0, 0, 0, 1));
        renderer.set_target(fb);
        renderer.render(gl);
        return test_support::read_framebuffer(gl, fb, 64, 32);
    };

    test_support::Pixels p = draw();
    int wrong = 0;
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            uint32_t expected = x < 48 ? expected_rgb(x, y) : kBlack;
            if (p.at(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) != expected && ++wrong <= 5) {
                ADD_FAILURE() << "cell (" << x << ", " << y << "): " << std::hex << p.at(x, y) << " expected "
                              << expected;
            }
        }
    }

    // Cell (5, 7) of chunk 0 goes; once the chunk is uploaded again it no longer shows.
    sprite.remove_cell(0, 7 * 32 + 5);
    pool.mark_modified(sprite.chunk_table().find(0));
    pool.apply_pending();
    pool.update(gl);
    test_support::Pixels after = draw();
    EXPECT_EQ(after.at(5, 7), kBlack);
    EXPECT_EQ(after.at(6, 7), expected_rgb(6, 7));
    pool.destroy(gl);
}

} // namespace
