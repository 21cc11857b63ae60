#include "Engine/Graphics/RenderCommands.h"

#include <stdexcept>

UniformValue UniformValue::of_float(float value) {
    UniformValue u;
    u.kind = UniformKindFloat;
    u.scalar = value;
    return u;
}

UniformValue UniformValue::of_matrix(const glm::mat4& value) {
    UniformValue u;
    u.kind = UniformKindMatrix;
    u.matrix = value;
    return u;
}

UniformValue UniformValue::of_texture(Handle texture) {
    UniformValue u;
    u.kind = UniformKindTexture;
    u.texture = texture;
    return u;
}

void add_instanced_quads(RenderStep& step, Handle mesh, uint64_t instance_count) {
    if (instance_count == 0) {
        return;
    }
    DrawCall draw;
    draw.mesh = mesh;
    draw.topology = TopologyTriangles;
    draw.vertex_count = 6;
    draw.instance_count = instance_count;
    step.add_draw(draw);
}

void RenderStep::add_draw(const DrawCall& draw) {
    if (draw_count >= kMaxStepDraws) {
        throw std::out_of_range("RenderStep: too many draws");
    }
    draws[draw_count++] = draw;
}

void RenderStep::add_uniform(const UniformValue& value) {
    if (uniform_count >= kMaxUniforms) {
        throw std::out_of_range("RenderStep: too many uniforms");
    }
    uniforms[uniform_count++] = value;
}

void RenderCommandList::clear(std::initializer_list<uint32_t> targets) {
    if (targets.size() > 4) {
        throw std::out_of_range("RenderCommandList::clear: at most four targets");
    }
    RenderCommand c;
    c.kind = RenderCommandClear;
    c.clear = ClearPayload{{0, 0, 0, 0}, 0};
    for (uint32_t target : targets) {
        c.clear.targets[c.clear.count++] = target;
    }
    m_commands.push_back(c);
}

void RenderCommandList::add_step(const RenderStep& step) {
    if (step.clear) {
        clear({ClearTargetColor, ClearTargetDepth});
    }
    if (step.draw_count == 0) {
        return;
    }
    set_depth_test(step.depth_test);
    set_blend(step.blend);
    set_blend_func(step.blend_src, step.blend_dst);
    use_shader(step.shader);
    for (uint64_t i = 0; i < step.uniform_count; ++i) {
        set_uniform(step.uniforms[i]);
    }
    for (uint64_t i = 0; i < step.draw_count; ++i) {
        const DrawCall& d = step.draws[i];
        if (d.vertex_count == 0 && d.instance_count == 0 && d.indirect_draw_count == 0) {
            continue;
        }
        draw(d);
    }
}

void RenderCommandList::bind_framebuffer(Handle framebuffer) {
    RenderCommand c;
    c.kind = RenderCommandBindFramebuffer;
    c.framebuffer = framebuffer;
    m_commands.push_back(c);
}

void RenderCommandList::bind_default_framebuffer() { bind_framebuffer(kInvalidHandle); }

void RenderCommandList::set_viewport(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    RenderCommand c;
    c.kind = RenderCommandViewport;
    c.viewport = ViewportPayload{x, y, width, height};
    m_commands.push_back(c);
}

void RenderCommandList::set_depth_test(bool enabled) {
    RenderCommand c;
    c.kind = RenderCommandDepthTest;
    c.enabled = enabled;
    m_commands.push_back(c);
}

void RenderCommandList::set_blend(bool enabled) {
    RenderCommand c;
    c.kind = RenderCommandBlend;
    c.enabled = enabled;
    m_commands.push_back(c);
}

void RenderCommandList::set_blend_func(uint32_t source, uint32_t destination) {
    RenderCommand c;
    c.kind = RenderCommandBlendFunc;
    c.blend_func = BlendFuncPayload{source, destination};
    m_commands.push_back(c);
}

void RenderCommandList::use_shader(Handle shader) {
    RenderCommand c;
    c.kind = RenderCommandUseShader;
    c.shader = shader;
    m_commands.push_back(c);
}

void RenderCommandList::set_uniform(const UniformValue& value) {
    RenderCommand c;
    c.kind = RenderCommandSetUniform;
    c.uniform = value;
    m_commands.push_back(c);
}

void RenderCommandList::draw(const DrawCall& draw) {
    RenderCommand c;
    c.kind = RenderCommandDraw;
    c.draw = draw;
    m_commands.push_back(c);
}
