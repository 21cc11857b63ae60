#include <algorithm>

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/SplitResult.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/DestructibleSprite/SpriteRendering.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Log.h"
#include "Support/GlContext.h"

using namespace test_support;

TEST(SpriteRendering, LiveChunksBecomeInstancesAtTheirAtlasPlace) {
    LogGuard log(LogLevelInfo, LogTest, 1);
    RenderContextOpenGL& gl = gl_context();
    Renderer renderer;
    renderer.init(gl);
    renderer.set_world_camera(Camera{}); // x and y from -1 to 1

    SpriteChunkPool pool(32, 1024, 32);
    pool.allocate_slot(); // so the sprite's chunks sit at slots 1 and 2
    std::vector<SpriteChunk*> chunks;
    for (int32_t index = 0; index < 2; ++index) {
        SpriteChunk* c = pool.allocate_slot();
        c->index = index;
        c->origin = {32 * index, 0};
        std::fill(c->flags.begin(), c->flags.end(), static_cast<uint16_t>(CellType::Filled));
        c->active = 1024;
        chunks.push_back(c);
    }
    Sprite s(pool, SpriteGrid::from_chunks(32, {2, 1}), chunks, false);
    // Two chunks side by side around the origin, each half a unit wide.
    const Transform t{{0.0f, 0.0f}, {0.5f, 0.25f}, 0.0f, 0.0f};
    draw_sprite(renderer, t, s);
    ASSERT_EQ(renderer.world_sprite_batch().instances().size(), 2u);
    const SpriteInstance& first = renderer.world_sprite_batch().instances()[0];
    EXPECT_EQ(first.uvw_offset, glm::vec3(1.0f / 32.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(first.model[3][0], -0.25f);
    EXPECT_EQ(renderer.world_sprite_batch().instances()[1].uvw_offset, glm::vec3(2.0f / 32.0f, 0.0f, 0.0f));

    // Once the right chunk is emptied and dropped, only the left one is drawn.
    for (int32_t i = 0; i < 1024; ++i) {
        s.remove_cell(1, i);
    }
    SplitResult out;
    Sprite::commit(s, out, t, CommitSettings{0, 20});
    renderer.upload_batches(gl);
    draw_sprite(renderer, t, s);
    ASSERT_EQ(renderer.world_sprite_batch().instances().size(), 1u);
    EXPECT_FLOAT_EQ(renderer.world_sprite_batch().instances()[0].model[3][0], -0.25f);
    draw_ui_sprite(renderer, Transform{{50.0f, 0.0f}, {0.5f, 0.25f}, 0.0f, 0.0f}, s);
    EXPECT_TRUE(renderer.ui_sprite_batch().instances().empty()); // out of the UI camera's view
}
