#pragma once
// Drawing is recorded into a list of fixed-size commands and run by the back end in one pass.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "Engine/Graphics/RenderTypes.h"
#include "Engine/Handle.h"

enum RenderCommandKind : uint32_t {
    RenderCommandDepthTest = 0,
    RenderCommandBlend = 1,
    RenderCommandBlendFunc = 2,
    RenderCommandUseShader = 3,
    RenderCommandSetUniform = 4,
    RenderCommandBindFramebuffer = 5,
    RenderCommandViewport = 6,
    RenderCommandClear = 7,
    RenderCommandDraw = 8,
};

// Only the member that the shader's declaration asks for is read.
struct UniformValue {
    uint32_t kind = UniformKindFloat;
    float scalar = 0.0f;
    glm::mat4 matrix{1.0f};
    Handle texture = kInvalidHandle;

    static UniformValue of_float(float value);
    static UniformValue of_matrix(const glm::mat4& value);
    static UniformValue of_texture(Handle texture);
};

struct DrawCall {
    Handle mesh = kInvalidHandle;
    uint32_t topology = TopologyTriangles;
    uint64_t vertex_count = 0;
    uint64_t instance_count = 0;
    uint64_t instance_base = 0;
    uint64_t indirect_draw_count = 0;
    Handle indirect_buffer = kInvalidHandle;
};

struct BlendFuncPayload {
    uint32_t source;
    uint32_t destination;
};
struct ViewportPayload {
    uint32_t x, y, width, height;
};
struct ClearPayload {
    uint32_t targets[4];
    uint64_t count;
};

struct RenderCommand {
    uint32_t kind = RenderCommandDepthTest;
    union {
        bool enabled;
        BlendFuncPayload blend_func;
        Handle shader;
        UniformValue uniform;
        Handle framebuffer;
        ViewportPayload viewport;
        ClearPayload clear;
        DrawCall draw;
    };

    RenderCommand() : enabled(false) {}
};

inline constexpr uint64_t kMaxStepDraws = 2;

// One named draw step: the unit that the renderer records.
struct RenderStep {
    std::string name;
    bool clear = false;
    bool depth_test = false;
    bool blend = false;
    uint32_t blend_src = BlendSrcSrcAlpha;
    uint32_t blend_dst = BlendDstOneMinusSrcAlpha;
    DrawCall draws[kMaxStepDraws];
    uint64_t draw_count = 0;
    Handle shader = kInvalidHandle;
    UniformValue uniforms[kMaxUniforms];
    uint64_t uniform_count = 0;

    void add_draw(const DrawCall& draw);
    void add_uniform(const UniformValue& value);
};

// One instanced draw of a six-vertex quad per instance; nothing when there are no instances.
void add_instanced_quads(RenderStep& step, Handle mesh, uint64_t instance_count);

class RenderCommandList {
public:
    // Up to four targets.
    void clear(std::initializer_list<uint32_t> targets);
    // A step without draws records only its optional clear.
    void add_step(const RenderStep& step);
    void bind_framebuffer(Handle framebuffer);
    void bind_default_framebuffer();
    void set_viewport(uint32_t x, uint32_t y, uint32_t width, uint32_t height);

    // Low-level appends, for callers that set state outside a step.
    void set_depth_test(bool enabled);
    void set_blend(bool enabled);
    void set_blend_func(uint32_t source, uint32_t destination);
    void use_shader(Handle shader);
    void set_uniform(const UniformValue& value);
    void draw(const DrawCall& draw);

    const std::vector<RenderCommand>& commands() const { return m_commands; }
    size_t size() const { return m_commands.size(); }
    bool empty() const { return m_commands.empty(); }

private:
    std::vector<RenderCommand> m_commands;
};
