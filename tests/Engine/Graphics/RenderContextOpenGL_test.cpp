// The OpenGL back end's stores, buffer rules, error reports and command execution on the real driver.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include <epoxy/gl.h>

#include "Engine/Graphics/RenderContext.h"
#include "Engine/Graphics/Shaders.h"
#include "Support/GlContext.h"

namespace {

using ::testing::HasSubstr;

class GlBackendTest : public ::testing::Test {
protected:
    RenderContextOpenGL& gl = test_support::gl_context();

    GLint gl_buffer_size(Handle buffer) {
        GLint size = -1;
        glGetNamedBufferParameteriv(gl.buffer_record(buffer).vbo, GL_BUFFER_SIZE, &size);
        return size;
    }
};

TEST_F(GlBackendTest, SetBufferDataRespecifiesAndRecordsTheSize) {
    Handle empty = gl.create_buffer(BufferTypeVertex, BufferUsageDynamic, 0, nullptr);
    EXPECT_EQ(gl.buffer_record(empty).size, 0u);
    EXPECT_EQ(gl.buffer_record(empty).gl_usage, static_cast<uint32_t>(GL_DYNAMIC_DRAW));
    gl.set_buffer_data(empty, 0, nullptr);
    EXPECT_EQ(gl.buffer_record(empty).size, 0u);

    const uint32_t data[4] = {1, 2, 3, 4};
    Handle full = gl.create_buffer(BufferTypeIndirect, BufferUsageStatic, sizeof(data), data);
    EXPECT_EQ(gl.buffer_record(full).gl_type, static_cast<uint32_t>(GL_DRAW_INDIRECT_BUFFER));
    EXPECT_EQ(gl_buffer_size(full), 16);
    gl.set_buffer_data(full, 0, nullptr);
    EXPECT_EQ(gl.buffer_record(full).size, 0u);
    EXPECT_EQ(gl_buffer_size(full), 0);

    gl.set_buffer_data(empty, sizeof(data), data);
    EXPECT_EQ(gl.buffer_record(empty).size, 16u);
    const uint32_t patch[2] = {7, 8};
    gl.set_buffer_sub_data(empty, 4, sizeof(patch), patch);
    uint32_t back[4] = {};
    glGetNamedBufferSubData(gl.buffer_record(empty).vbo, 0, sizeof(back), back);
    EXPECT_EQ(back[0], 1u);
    EXPECT_EQ(back[1], 7u);
    EXPECT_EQ(back[2], 8u);
    EXPECT_EQ(back[3], 4u);
}

TEST_F(GlBackendTest, ErrorsAreReportedWithTheCallAndWorkContinues) {
    const uint32_t data[4] = {1, 2, 3, 4};
    Handle buffer = gl.create_buffer(BufferTypeVertex, BufferUsageStatic, sizeof(data), data);
    testing::internal::CaptureStdout();
    gl.set_buffer_sub_data(buffer, 64, sizeof(data), data); // past the end: GL_INVALID_VALUE
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_THAT(out, HasSubstr("OpenGL error\n\tCode: 1281\n\tIn: "));
    EXPECT_THAT(out, HasSubstr("RenderContextOpenGL.cpp:"));
    EXPECT_THAT(out, HasSubstr("\n\tHere: glNamedBufferSubData(vbo, static_cast<GLintptr>(offset), "));
    // The debug output is on in the test context, so the driver's own message is printed too.
    EXPECT_THAT(out, HasSubstr("OpenGL Message: "));
    // The buffer is still usable.
    gl.set_buffer_sub_data(buffer, 0, 4, data);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlBackendTest, DestroyTextureSwapsTheLastRecordIntoTheHole) {
    TextureLayout layout{TextureType2D, TextureFormatRgba8, 4, 4, 1, 4, 1};
    Handle a = gl.create_texture(layout);
    Handle b = gl.create_texture(layout);
    Handle c = gl.create_texture(layout);
    uint32_t c_name = gl.texture_record(c).id;
    uint32_t b_name = gl.texture_record(b).id;
    gl.destroy_texture(a);
    EXPECT_FALSE(gl.texture_alive(a));
    EXPECT_EQ(gl.texture_record(c).id, c_name);
    EXPECT_EQ(gl.texture_record(b).id, b_name);
    EXPECT_THROW(gl.destroy_texture(a), std::out_of_range);
    EXPECT_THROW(gl.write_texture(a, TextureWrite{}, nullptr), std::out_of_range);
    // The freed slot is reused with a new generation.
    Handle d = gl.create_texture(layout);
    EXPECT_EQ(d.index, a.index);
    EXPECT_EQ(d.generation, a.generation + 1);
    EXPECT_TRUE(gl.texture_alive(d));
}

TEST_F(GlBackendTest, TextureFormatsOfTheChunkAtlases) {
    Handle color = gl.create_texture({TextureType2DArray, TextureFormatRgba8, 32, 32, 3, 4, 1});
    Handle flags = gl.create_texture({TextureType2DArray, TextureFormatR16ui, 32, 32, 3, 1, 1});
    GLint format = 0, depth = 0, filter = 0;
    glGetTextureLevelParameteriv(gl.texture_record(color).id, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTextureLevelParameteriv(gl.texture_record(color).id, 0, GL_TEXTURE_DEPTH, &depth);
    EXPECT_EQ(format, GL_RGBA8);
    EXPECT_EQ(depth, 3);
    glGetTextureLevelParameteriv(gl.texture_record(flags).id, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTextureParameteriv(gl.texture_record(flags).id, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(format, GL_R16UI);
    EXPECT_EQ(filter, GL_NEAREST);

    // A 16-bit write into layer 2 reads back exactly.
    std::vector<uint16_t> values(4);
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<uint16_t>(0x0721 + i * 0x1000);
    }
    gl.write_texture(flags, {UploadFormatRedInteger, PixelTypeUnsignedShort, 5, 7, 2, 2, 2, 1}, values.data());
    std::vector<uint16_t> back = test_support::read_texture_r16ui(gl.texture_record(flags).id, 32, 32, 3);
    size_t layer = 32 * 32 * 2;
    EXPECT_EQ(back[layer + 7 * 32 + 5], values[0]);
    EXPECT_EQ(back[layer + 7 * 32 + 6], values[1]);
    EXPECT_EQ(back[layer + 8 * 32 + 5], values[2]);
    EXPECT_EQ(back[layer + 8 * 32 + 6], values[3]);
    EXPECT_EQ(back[layer + 7 * 32 + 4], 0u);
}

TEST_F(GlBackendTest, FramebufferResizeReplacesItsAttachments) {
    Handle fb = gl.create_framebuffer(8, 8);
    uint32_t id = gl.framebuffer_record(fb).id;
    gl.resize_framebuffer(fb, 16, 4);
    EXPECT_EQ(gl.framebuffer_record(fb).id, id);
    GLint w = 0, h = 0, status = 0;
    uint32_t color = gl.framebuffer_color_texture(fb);
    EXPECT_EQ(color, gl.framebuffer_record(fb).color);
    glGetTextureLevelParameteriv(color, 0, GL_TEXTURE_WIDTH, &w);
    glGetTextureLevelParameteriv(color, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 4);
    status = static_cast<GLint>(glCheckNamedFramebufferStatus(id, GL_FRAMEBUFFER));
    EXPECT_EQ(status, GL_FRAMEBUFFER_COMPLETE);
    // A collapsed panel asks for 0 pixels: the target stays one pixel wide.
    gl.resize_framebuffer(fb, 0, 0);
    glGetTextureLevelParameteriv(gl.framebuffer_color_texture(fb), 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 1);
    EXPECT_THROW(gl.resize_framebuffer(Handle{999, 0}, 4, 4), std::out_of_range);
}

ShaderDefinition two_texture_shader(const char* fragment_body) {
    ShaderDefinition d = static_sprite_shader_description();
    d.name = "Two textures";
    d.uniforms[1] = UniformDecl{"uniform_a", UniformKindTexture};
    d.uniforms[2] = UniformDecl{"uniform_b", UniformKindTexture};
    d.uniforms[3] = UniformDecl{"uniform_scale", UniformKindFloat};
    d.uniform_count = 4;
    d.stages[1].source =
        std::string("#version 450 core\nin vec2 v_uv;\nin vec4 v_tint;\nuniform sampler2D uniform_a;\n"
                    "uniform sampler2D uniform_b;\nuniform float uniform_scale;\nout vec4 out_color;\n") +
        fragment_body;
    return d;
}

TEST_F(GlBackendTest, InvalidTextureUniformUsesASlotButNoUnit) {
    Handle shader = gl.create_shader(two_texture_shader(
        "void main() { out_color = (texture(uniform_a, v_uv) + texture(uniform_b, v_uv)) * uniform_scale; }\n"));
    const GlShaderRecord& record = gl.shader_record(shader);
    ASSERT_EQ(record.uniform_count, 4u);
    EXPECT_EQ(record.uniforms[0].name, "uniform_view_proj");
    EXPECT_GE(record.uniforms[2].location, 0);

    Handle texture = gl.create_texture({TextureType2D, TextureFormatRgba8, 2, 2, 1, 4, 1});
    RenderCommandList list;
    list.use_shader(shader);
    list.set_uniform(UniformValue::of_matrix(glm::mat4(2.0f)));
    list.set_uniform(UniformValue::of_texture(kInvalidHandle));
    list.set_uniform(UniformValue::of_texture(texture));
    list.set_uniform(UniformValue::of_float(0.5f));
    gl.execute(list);

    GLint unit = -1;
    glGetUniformiv(record.program, record.uniforms[2].location, &unit);
    EXPECT_EQ(unit, 0);
    GLint bound = 0;
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<uint32_t>(bound), gl.texture_record(texture).id);
    float scale = 0, matrix[16] = {};
    glGetUniformfv(record.program, record.uniforms[3].location, &scale);
    glGetUniformfv(record.program, record.uniforms[0].location, matrix);
    EXPECT_FLOAT_EQ(scale, 0.5f);
    EXPECT_FLOAT_EQ(matrix[0], 2.0f);
    EXPECT_FLOAT_EQ(matrix[1], 0.0f);
}

TEST_F(GlBackendTest, UniformsBeyondTheDeclarationsOrWithoutAShaderThrow) {
    RenderCommandList before;
    before.set_uniform(UniformValue::of_float(1.0f));
    EXPECT_THROW(gl.execute(before), std::out_of_range);

    Handle shader = gl.create_shader(line_shader_description());
    RenderCommandList too_many;
    too_many.use_shader(shader);
    for (int i = 0; i < 9; ++i) {
        too_many.set_uniform(UniformValue::of_matrix(glm::mat4(1.0f)));
    }
    EXPECT_THROW(gl.execute(too_many), std::out_of_range);
}

TEST_F(GlBackendTest, ShaderLogsArePrintedAndTheHandleIssuedAnyway) {
    ShaderDefinition broken = two_texture_shader("void main() { out_color = undefined_name; }\n");
    testing::internal::CaptureStdout();
    Handle shader = gl.create_shader(broken);
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_THAT(out, HasSubstr("undefined_name"));
    EXPECT_NE(shader, kInvalidHandle);
    // The failed link leaves the declared uniforms unresolved: -1 is kept.
    EXPECT_EQ(gl.shader_record(shader).uniforms[1].location, -1);
}

TEST(RenderContextFactory, KindZeroIsOpenGlAndOthersAreRejected) {
    std::unique_ptr<RenderContextBase> gl = create_render_context(RenderBackendOpenGL);
    EXPECT_NE(dynamic_cast<RenderContextOpenGL*>(gl.get()), nullptr);
    testing::internal::CaptureStdout();
    std::unique_ptr<RenderContextBase> none = create_render_context(7);
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(none, nullptr);
    EXPECT_THAT(out, HasSubstr("\x1b[31m[Render]"));
    EXPECT_THAT(out, HasSubstr("Invalid renderer backend\n"));
    RenderContext facade(std::move(gl));
    EXPECT_TRUE(facade.has_backend());
}

} // namespace
