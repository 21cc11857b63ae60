#include <gtest/gtest.h>

#include <vector>

#include "Engine/Graphics/RenderCommands.h"

namespace {

std::vector<uint32_t> kinds(const RenderCommandList& list) {
    std::vector<uint32_t> out;
    for (const RenderCommand& c : list.commands()) {
        out.push_back(c.kind);
    }
    return out;
}

DrawCall draw_of(uint64_t vertices, uint64_t instances, uint64_t indirect) {
    DrawCall d;
    d.mesh = Handle{3, 0};
    d.vertex_count = vertices;
    d.instance_count = instances;
    d.indirect_draw_count = indirect;
    return d;
}

TEST(RenderCommands, StepRecordsStateUniformsAndDrawsInOrder) {
    RenderStep step;
    step.clear = true;
    step.depth_test = true;
    step.blend = true;
    step.blend_src = BlendSrcSrcAlpha;
    step.blend_dst = BlendDstOne;
    step.shader = Handle{2, 5};
    step.add_uniform(UniformValue::of_matrix(glm::mat4(3.0f)));
    step.add_uniform(UniformValue::of_float(0.5f));
    step.add_draw(draw_of(6, 10, 0));
    step.add_draw(draw_of(0, 0, 4));
    RenderCommandList list;
    list.add_step(step);
    EXPECT_EQ(kinds(list),
              (std::vector<uint32_t>{RenderCommandClear, RenderCommandDepthTest, RenderCommandBlend,
                                     RenderCommandBlendFunc, RenderCommandUseShader, RenderCommandSetUniform,
                                     RenderCommandSetUniform, RenderCommandDraw, RenderCommandDraw}));
    const auto& c = list.commands();
    EXPECT_EQ(c[0].clear.count, 2u);
    EXPECT_EQ(c[0].clear.targets[0], ClearTargetColor);
    EXPECT_EQ(c[0].clear.targets[1], ClearTargetDepth);
    EXPECT_TRUE(c[1].enabled);
    EXPECT_EQ(c[3].blend_func.destination, BlendDstOne);
    EXPECT_EQ(c[4].shader, (Handle{2, 5}));
    EXPECT_EQ(c[5].uniform.matrix[1][1], 3.0f);
    EXPECT_EQ(c[6].uniform.scalar, 0.5f);
    EXPECT_EQ(c[7].draw.instance_count, 10u);
    EXPECT_EQ(c[8].draw.indirect_draw_count, 4u);
}

TEST(RenderCommands, EmptyDrawsAreLeftOutButStateStays) {
    RenderStep step;
    step.shader = Handle{1, 0};
    step.add_uniform(UniformValue::of_texture(kInvalidHandle));
    step.add_draw(draw_of(0, 0, 0));
    RenderCommandList list;
    list.add_step(step);
    EXPECT_EQ(kinds(list), (std::vector<uint32_t>{RenderCommandDepthTest, RenderCommandBlend, RenderCommandBlendFunc,
                                                  RenderCommandUseShader, RenderCommandSetUniform}));
    EXPECT_EQ(list.commands()[4].uniform.texture, kInvalidHandle);
}

TEST(RenderCommands, StepWithoutDrawsRecordsOnlyItsClear) {
    RenderStep cleared;
    cleared.clear = true;
    cleared.shader = Handle{1, 0};
    cleared.add_uniform(UniformValue::of_float(1.0f));
    RenderStep plain = cleared;
    plain.clear = false;
    RenderCommandList list;
    list.add_step(cleared);
    list.add_step(plain);
    EXPECT_EQ(kinds(list), (std::vector<uint32_t>{RenderCommandClear}));
}

TEST(RenderCommands, BuildersAndLimits) {
    RenderCommandList list;
    list.bind_framebuffer(Handle{4, 1});
    list.bind_default_framebuffer();
    list.set_viewport(1, 2, 300, 400);
    list.clear({ClearTargetDepth});
    const auto& c = list.commands();
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].framebuffer, (Handle{4, 1}));
    EXPECT_EQ(c[1].framebuffer, kInvalidHandle);
    EXPECT_EQ(c[2].viewport.width, 300u);
    EXPECT_EQ(c[2].viewport.y, 2u);
    EXPECT_EQ(c[3].clear.count, 1u);
    EXPECT_THROW(list.clear({0, 1, 0, 1, 0}), std::out_of_range);
    RenderStep step;
    step.add_draw(DrawCall{});
    step.add_draw(DrawCall{});
    EXPECT_THROW(step.add_draw(DrawCall{}), std::out_of_range);
    for (int i = 0; i < 8; ++i) {
        step.add_uniform(UniformValue{});
    }
    EXPECT_THROW(step.add_uniform(UniformValue{}), std::out_of_range);
}

} // namespace
