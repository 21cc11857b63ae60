#include "Engine/Graphics/Shaders.h"

#include <initializer_list>

namespace {

Attribute attribute(const char* name, uint32_t index, uint32_t count, uint64_t offset) {
    return Attribute{name, index, count, AttributeTypeFloat, offset};
}

BufferLayout buffer(const char* name, uint32_t stride, bool instanced, std::initializer_list<Attribute> attributes) {
    BufferLayout layout;
    layout.name = name;
    layout.stride = stride;
    layout.instanced = instanced;
    for (const Attribute& a : attributes) {
        layout.attributes[layout.count++] = a;
    }
    return layout;
}

ShaderDefinition shader(const char* name, const char* layout_name, std::initializer_list<BufferLayout> buffers,
                        std::initializer_list<UniformDecl> uniforms, const char* vertex, const char* fragment) {
    ShaderDefinition d;
    d.name = name;
    d.layout.name = layout_name;
    for (const BufferLayout& b : buffers) {
        d.layout.buffers[d.layout.count++] = b;
    }
    for (const UniformDecl& u : uniforms) {
        d.uniforms[d.uniform_count++] = u;
    }
    d.stages[d.stage_count++] = Stage{"Vertex", StageKindVertex, vertex};
    d.stages[d.stage_count++] = Stage{"Fragment", StageKindFragment, fragment};
    return d;
}

const UniformDecl kViewProj{"uniform_view_proj", UniformKindMatrix};

BufferLayout sprite_quad() {
    return buffer("Quad", 16, false, {attribute("Position", 0, 2, 0), attribute("Uv", 1, 2, 8)});
}

constexpr const char* kLineVertex = R"(#version 450 core
layout(location = 0) in vec2 in_pos;
layout(location = 1) in vec4 in_color;
uniform mat4 uniform_view_proj;
out vec4 v_color;
void main() {
    v_color = in_color;
    gl_Position = uniform_view_proj * vec4(in_pos, 1.0, 1.0);
}
)";

constexpr const char* kLineFragment = R"(#version 450 core
in vec4 v_color;
out vec4 out_color;
void main() {
    out_color = v_color;
}
)";

// Shared by the thick lines and the particles: fully transparent fragments leave depth untouched.
constexpr const char* kDiscardFragment = R"(#version 450 core
in vec4 v_color;
out vec4 out_color;
void main() {
    if (v_color.a == 0.0) {
        discard;
    }
    out_color = v_color;
}
)";

constexpr const char* kThickLineVertex = R"(#version 450 core
layout(location = 0) in vec3 in_pos;
layout(location = 1) in vec2 in_pos_a;
layout(location = 2) in float in_radius_a;
layout(location = 3) in vec4 in_color_a;
layout(location = 4) in vec2 in_pos_b;
layout(location = 5) in float in_radius_b;
layout(location = 6) in vec4 in_color_b;
uniform mat4 uniform_view_proj;
out vec4 v_color;
void main() {
    v_color = mix(in_color_a, in_color_b, in_pos.z);
    vec2 d = in_pos_b - in_pos_a;
    vec2 x_basis = dot(d, d) > 0.0 ? normalize(d) : vec2(1.0, 0.0);
    vec2 y_basis = vec2(-x_basis.y, x_basis.x);
    vec2 offset = in_pos.x * x_basis + in_pos.y * y_basis;
    vec2 point = mix(in_pos_a + in_radius_a * offset, in_pos_b + in_radius_b * offset, in_pos.z);
    gl_Position = uniform_view_proj * vec4(point, 0.0, 1.0);
}
)";

constexpr const char* kParticleVertex = R"(#version 450 core
layout(location = 0) in vec2 in_pos;
layout(location = 1) in vec4 in_position_spawn;
layout(location = 2) in vec4 in_angle_scale_factor;
layout(location = 3) in vec4 in_scales;
layout(location = 4) in vec4 in_initial_color;
layout(location = 5) in vec4 in_final_color;
layout(location = 6) in vec4 in_velocity_damping;
layout(location = 7) in vec4 in_angular_velocity_damping;
layout(location = 8) in vec4 in_color_factor_life;
uniform mat4 uniform_view_proj;
uniform float uniform_time;
out vec4 v_color;
// Distance factor of a damped motion; without damping it is the alive time itself (constant velocity).
float damped(float damping, float alive) {
    return damping > 1e-4 ? (1.0 - exp(-damping * alive)) / (damping + 1e-8) : alive;
}
void main() {
    float alive = uniform_time - in_position_spawn.w;
    float life = in_color_factor_life.y;
    if (alive > life) {
        v_color = vec4(0.0);
        gl_Position = vec4(-2.0, -2.0, 0.0, 1.0);
        return;
    }
    float ratio = alive / life;
    float damping = in_velocity_damping.w;
    vec3 position = in_position_spawn.xyz + in_velocity_damping.xyz * damped(damping, alive);
    vec3 angle = in_angle_scale_factor.xyz +
                 in_angular_velocity_damping.xyz * damped(in_angular_velocity_damping.w, alive);
    vec2 scale = mix(in_scales.xy, in_scales.zw, pow(ratio, in_angle_scale_factor.w));
    v_color = mix(in_initial_color, in_final_color, pow(ratio, in_color_factor_life.x));
    float cx = cos(angle.x), sx = sin(angle.x);
    float cy = cos(angle.y), sy = sin(angle.y);
    float cz = cos(angle.z), sz = sin(angle.z);
    mat4 model = mat4(
        vec4(cy * cz * scale.x, cy * sz * scale.x, -sy * scale.x, 0.0),
        vec4((sx * sy * cz - cx * sz) * scale.y, (sx * sy * sz + cx * cz) * scale.y, sx * cy * scale.y, 0.0),
        vec4(cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy, 0.0),
        vec4(position, 1.0));
    gl_Position = uniform_view_proj * model * vec4(in_pos, 0.0, 1.0);
}
)";

constexpr const char* kSpriteVertex = R"(#version 450 core
layout(location = 0) in vec2 in_pos;
layout(location = 1) in vec2 in_uv;
layout(location = 2) in vec4 in_model0;
layout(location = 3) in vec4 in_model1;
layout(location = 4) in vec4 in_model2;
layout(location = 5) in vec4 in_model3;
layout(location = 6) in vec3 in_uvw_offset;
uniform mat4 uniform_view_proj;
out vec3 v_uvw;
void main() {
    v_uvw = vec3(in_uv + in_uvw_offset.xy, in_uvw_offset.z);
    mat4 model = mat4(in_model0, in_model1, in_model2, in_model3);
    gl_Position = uniform_view_proj * model * vec4(in_pos, 0.0, 1.0);
}
)";

// Removed and empty cells never show, whatever their colour.
constexpr const char* kSpriteFragment = R"(#version 450 core
in vec3 v_uvw;
uniform sampler2DArray uniform_texture_color;
uniform usampler2DArray uniform_texture_mask;
out vec4 out_color;
void main() {
    uint mask = texture(uniform_texture_mask, v_uvw).r;
    uint type = mask & 0x1Fu;
    bool removed = (mask & 0x20u) != 0u;
    if (removed || type == 0u) {
        discard;
    }
    vec4 color = texture(uniform_texture_color, v_uvw);
    if (color.a == 0.0) {
        discard;
    }
    out_color = color;
}
)";

constexpr const char* kStaticSpriteVertex = R"(#version 450 core
layout(location = 0) in vec2 in_pos;
layout(location = 1) in vec2 in_uv;
layout(location = 2) in vec4 in_model0;
layout(location = 3) in vec4 in_model1;
layout(location = 4) in vec4 in_model2;
layout(location = 5) in vec4 in_model3;
layout(location = 6) in vec2 in_uv_offset;
layout(location = 7) in vec2 in_uv_size;
layout(location = 8) in vec4 in_tint;
uniform mat4 uniform_view_proj;
out vec2 v_uv;
out vec4 v_tint;
void main() {
    v_uv = in_uv * in_uv_size + in_uv_offset;
    v_tint = in_tint;
    mat4 model = mat4(in_model0, in_model1, in_model2, in_model3);
    gl_Position = uniform_view_proj * model * vec4(in_pos, 0.0, 1.0);
}
)";

constexpr const char* kStaticSpriteFragment = R"(#version 450 core
in vec2 v_uv;
in vec4 v_tint;
uniform sampler2D uniform_texture;
out vec4 out_color;
void main() {
    vec4 color = texture(uniform_texture, v_uv) * v_tint;
    if (color.a == 0.0) {
        discard;
    }
    out_color = color;
}
)";

} // namespace

const ShaderDescription& line_shader_description() {
    static const ShaderDescription d =
        shader("Line shader", "Line layout",
               {buffer("Vertex", 24, false, {attribute("Pos", 0, 2, 0), attribute("Color", 1, 4, 8)})}, {kViewProj},
               kLineVertex, kLineFragment);
    return d;
}

const ShaderDescription& thick_line_shader_description() {
    // The B attributes read 28 bytes further: the next instance's point.
    static const ShaderDescription d = shader(
        "Sprite Shader", "Static Sprite Layout",
        {buffer("End caps", 12, false, {attribute("Pos & Front or back", 0, 3, 0)}),
         buffer("Instances", 28, true,
                {attribute("Pos A", 1, 2, 0), attribute("Radius A", 2, 1, 8), attribute("Color A", 3, 4, 12),
                 attribute("Pos B", 4, 2, 28), attribute("Radius B", 5, 1, 36), attribute("Color B", 6, 4, 40)})},
        {kViewProj}, kThickLineVertex, kDiscardFragment);
    return d;
}

const ShaderDescription& particle_shader_description() {
    static const ShaderDescription d = shader(
        "Sprite Shader", "Static Sprite Layout",
        {buffer("Quad", 8, false, {attribute("Position", 0, 2, 0)}),
         buffer("Instances", 128, true,
                {attribute("Position & Spawn time", 1, 4, 0), attribute("Initial angle & Scale lerp factor", 2, 4, 16),
                 attribute("Initial scale & Final scale", 3, 4, 32), attribute("Initial color", 4, 4, 48),
                 attribute("Final color", 5, 4, 64), attribute("Linear velocity & linear velocity damping", 6, 4, 80),
                 attribute("Angular velocity & angular velocity damping", 7, 4, 96),
                 attribute("Color lerp factor & Life time & Unused padding", 8, 4, 112)})},
        {kViewProj, UniformDecl{"uniform_time", UniformKindFloat}}, kParticleVertex, kDiscardFragment);
    return d;
}

const ShaderDescription& sprite_shader_description() {
    static const ShaderDescription d =
        shader("Sprite Shader", "Static Sprite Layout",
               {sprite_quad(),
                buffer("Instances", 76, true,
                       {attribute("Model0", 2, 4, 0), attribute("Model1", 3, 4, 16), attribute("Model2", 4, 4, 32),
                        attribute("Model3", 5, 4, 48), attribute("UvwOffset", 6, 3, 64)})},
               {kViewProj, UniformDecl{"uniform_texture_color", UniformKindTexture},
                UniformDecl{"uniform_texture_mask", UniformKindTexture}},
               kSpriteVertex, kSpriteFragment);
    return d;
}

const ShaderDescription& static_sprite_shader_description() {
    static const ShaderDescription d = shader(
        "Static Sprite Shader", "Static Sprite Layout",
        {sprite_quad(),
         buffer("Instances", 96, true,
                {attribute("Model0", 2, 4, 0), attribute("Model1", 3, 4, 16), attribute("Model2", 4, 4, 32),
                 attribute("Model3", 5, 4, 48), attribute("UvOffset", 6, 2, 64), attribute("UvSize", 7, 2, 72),
                 attribute("Tint", 8, 4, 80)})},
        {kViewProj, UniformDecl{"uniform_texture", UniformKindTexture}}, kStaticSpriteVertex, kStaticSpriteFragment);
    return d;
}
