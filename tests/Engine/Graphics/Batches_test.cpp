#include <gtest/gtest.h>

#include <cmath>

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/LineBatch.h"
#include "Engine/Graphics/SpriteBatch.h"
#include "Engine/Graphics/StaticSpriteBatch.h"
#include "Engine/Graphics/ThickLineBatch.h"
#include "Support/GlContext.h"

namespace {

TEST(Batches, UnpackRgba8IsRedInTheLowByte) {
    glm::vec4 c = unpack_rgba8(0x80FF3300u);
    EXPECT_FLOAT_EQ(c.r, 0.0f);
    EXPECT_FLOAT_EQ(c.g, 0x33 / 255.0f);
    EXPECT_FLOAT_EQ(c.b, 1.0f);
    EXPECT_FLOAT_EQ(c.a, 0x80 / 255.0f);
}

TEST(Batches, ThickLineInstancesAndCommands) {
    ThickLineBatch batch;
    const LinePoint one[] = {{{0, 0}, 1, 0xFFFFFFFFu}};
    batch.add_line(one);
    EXPECT_TRUE(batch.instances().empty());
    EXPECT_TRUE(batch.commands().empty());

    const LinePoint three[] = {{{0, 0}, 0.1f, 0xFF0000FFu}, {{1, 0}, 0.2f, 0xFF00FF00u}, {{2, 0}, 0.3f, 0xFFFF0000u}};
    batch.add_line(three);
    ASSERT_EQ(batch.instances().size(), 4u);
    EXPECT_EQ(batch.instances()[3].point, batch.instances()[2].point); // odd count: the last point repeated
    EXPECT_FLOAT_EQ(batch.instances()[1].width, 0.2f);
    EXPECT_FLOAT_EQ(batch.instances()[1].color.g, 1.0f);
    ASSERT_EQ(batch.commands().size(), 1u);
    EXPECT_EQ(batch.commands()[0].vertex_count, 54u);
    EXPECT_EQ(batch.commands()[0].instance_count, 2u);
    EXPECT_EQ(batch.commands()[0].base_instance, 0u);

    const LinePoint two[] = {{{0, 1}, 0.1f, 0}, {{1, 1}, 0.1f, 0}};
    batch.add_line(two);
    ASSERT_EQ(batch.commands().size(), 2u);
    EXPECT_EQ(batch.commands()[1].base_instance, 4u);
    EXPECT_EQ(batch.commands()[1].instance_count, 1u);
    EXPECT_EQ(batch.instances().size(), 6u);
}

TEST(Batches, CapVerticesAreABodyAndTwoHalfDiscs) {
    std::vector<glm::vec3> v = ThickLineBatch::cap_vertices();
    ASSERT_EQ(v.size(), 54u);
    EXPECT_EQ(v[1], glm::vec3(0, -0.5f, 1));
    // End A's fan starts at the top (pi/2) and turns through the back (x < 0); end B through the front.
    EXPECT_NEAR(v[7].x, 0.0f, 1e-6f);
    EXPECT_NEAR(v[7].y, 0.5f, 1e-6f);
    for (size_t i = 6; i < 30; ++i) {
        EXPECT_LE(v[i].x, 1e-6f);
        EXPECT_EQ(v[i].z, 0.0f);
    }
    for (size_t i = 30; i < 54; ++i) {
        EXPECT_GE(v[i].x, -1e-6f);
        EXPECT_EQ(v[i].z, 1.0f);
    }
    EXPECT_NEAR(v[53].y, 0.5f, 1e-6f); // B's fan ends at 5 pi / 2
}

TEST(Batches, UploadEmptiesTheItemsAndItsCountDrivesTheDraw) {
    RenderContextOpenGL& gl = test_support::gl_context();
    SpriteBatch sprites;
    sprites.create(gl, 32, 1024);
    StaticSpriteBatch statics;
    statics.create(gl);
    LineBatch lines;
    lines.create(gl);

    RenderStep none;
    sprites.append_draw(none);
    EXPECT_EQ(none.draw_count, 0u);

    Transform t{{1, 2}, {0.5f, 0.5f}, 0, 0.25f};
    sprites.push(t, {0.25f, 0.5f, 3});
    sprites.push(t, {0, 0, 0});
    EXPECT_EQ(sprites.instances()[0].model, t.to_matrix());
    EXPECT_EQ(sprites.instances()[0].uvw_offset, glm::vec3(0.25f, 0.5f, 3));
    sprites.upload(gl);
    EXPECT_TRUE(sprites.instances().empty());
    // Pushed after the upload: waits for the next one.
    sprites.push(t, {0, 0, 0});
    RenderStep step;
    sprites.append_draw(step);
    ASSERT_EQ(step.draw_count, 1u);
    EXPECT_EQ(step.draws[0].instance_count, 2u);
    EXPECT_EQ(step.draws[0].vertex_count, 6u);
    EXPECT_EQ(step.draws[0].topology, TopologyTriangles);

    statics.push(t, UvRect{{0.5f, 0}, {0.25f, 0.25f}, 8, 8}, {1, 1, 1, 1});
    EXPECT_EQ(statics.instances()[0].uv_offset, glm::vec2(0.5f, 0));
    statics.upload(gl);
    statics.upload(gl); // nothing new: no draw
    RenderStep empty_again;
    statics.append_draw(empty_again);
    EXPECT_EQ(empty_again.draw_count, 0u);

    lines.push({0, 0}, {1, 1}, 0xFF0000FFu);
    lines.upload(gl);
    RenderStep line_step;
    lines.append_draw(line_step);
    ASSERT_EQ(line_step.draw_count, 1u);
    EXPECT_EQ(line_step.draws[0].vertex_count, 2u);
    EXPECT_EQ(line_step.draws[0].topology, TopologyLines);
}

TEST(Batches, SpriteQuadSpansOneChunkOfALayer) {
    std::vector<glm::vec4> q = sprite_quad_vertices(32.0f / 1024.0f);
    ASSERT_EQ(q.size(), 6u);
    EXPECT_EQ(q[0], glm::vec4(-1, -1, 0, 0));
    EXPECT_EQ(q[3], glm::vec4(1, 1, 0.03125f, 0.03125f));
    EXPECT_EQ(q[5], glm::vec4(1, -1, 0.03125f, 0));
}

} // namespace

namespace {

TEST(Batches, ThickLineTakesATrailsPoints) {
    Trail trail(TrailSettings{10, 0.001f, false, false, 0.0f, 0.5f});
    trail.add_point({0, 0}, 0.1f, 0xFF0000FFu);
    ThickLineBatch batch;
    batch.add_line(trail);
    EXPECT_TRUE(batch.commands().empty());
    trail.add_point({1, 0}, 0.2f, 0xFF00FF00u);
    batch.add_line(trail);
    ASSERT_EQ(batch.instances().size(), 2u);
    EXPECT_EQ(batch.instances()[1].point, glm::vec2(1, 0));
    EXPECT_FLOAT_EQ(batch.instances()[1].width, 0.2f);
    EXPECT_FLOAT_EQ(batch.instances()[0].color.r, 1.0f);
    ASSERT_EQ(batch.commands().size(), 1u);
    EXPECT_EQ(batch.commands()[0].instance_count, 1u);
}

} // namespace
