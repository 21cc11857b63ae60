#include "Engine/Graphics/Renderer.h"

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Graphics/Shaders.h"

namespace {

RenderStep make_step(const char* name, bool depth_test, bool blend, uint32_t blend_dst, Handle shader,
                     const glm::mat4& view_projection) {
    RenderStep step;
    step.name = name;
    step.depth_test = depth_test;
    step.blend = blend;
    step.blend_src = BlendSrcSrcAlpha;
    step.blend_dst = blend_dst;
    step.shader = shader;
    step.add_uniform(UniformValue::of_matrix(view_projection));
    return step;
}

} // namespace

Renderer::Renderer() = default;

void Renderer::init(RenderContextBase& context) {
    m_debug_lines.create(context);
    m_lines.create(context);
    m_world_particles.create(context);
    m_world_sprites.create(context, kRendererChunkSize, kRendererLayerSize);
    m_world_static_sprites.create(context);
    m_ui_sprites.create(context, kRendererChunkSize, kRendererLayerSize);
    m_ui_static_sprites.create(context);
    m_ui_particles.create(context);
    m_background.create(context);

    m_line_shader = context.create_shader(line_shader_description());
    m_thick_line_shader = context.create_shader(thick_line_shader_description());
    m_particle_shader = context.create_shader(particle_shader_description());
    m_sprite_shader = context.create_shader(sprite_shader_description());
    m_static_sprite_shader = context.create_shader(static_sprite_shader_description());

    m_ui_camera.position = glm::vec3(0.0f);
    m_ui_camera.set_ortho(1.0f, 16.0f / 9.0f, 1.0f);
}

void Renderer::set_sprite_textures(Handle sprite_atlas, Handle chunk_color, Handle chunk_flags) {
    m_sprite_atlas = sprite_atlas;
    m_chunk_color = chunk_color;
    m_chunk_flags = chunk_flags;
}

void Renderer::advance_time(float delta) {
    m_time += delta;
    m_world_particles.retire(m_time);
    m_ui_particles.retire(m_time);
    update_branching_line_effects(m_effects, delta);
}

bool Renderer::sprite_visible(const Camera& camera, const Transform& transform) const {
    return AxisAlignedArea::intersects(transform.bounds(), camera.visible_area);
}

Transform Renderer::chunk_transform(const Transform& sprite, uint32_t chunks_x, uint32_t chunks_y, int32_t index) {
    uint32_t i = static_cast<uint32_t>(index);
    float nx = static_cast<float>(chunks_x);
    float ny = static_cast<float>(chunks_y);
    glm::vec2 corner(static_cast<float>(i % chunks_x) * 2.0f / nx - 1.0f,
                     static_cast<float>(i / chunks_x) * 2.0f / ny - 1.0f);
    Transform local;
    local.scale = glm::vec2(1.0f / nx, 1.0f / ny);
    local.position = corner + local.scale;
    return Transform::combine(sprite, local);
}

void Renderer::add_chunk(SpriteBatch& batch, const Camera& camera, const Transform& sprite, uint32_t chunks_x,
                         uint32_t chunks_y, const SpriteChunkDraw& chunk) {
    if (chunk.index < 0 || static_cast<uint64_t>(chunk.index) >= uint64_t{chunks_x} * chunks_y) {
        return;
    }
    Transform world = chunk_transform(sprite, chunks_x, chunks_y, chunk.index);
    if (!AxisAlignedArea::intersects(world.bounds(), camera.visible_area)) {
        return;
    }
    debug_box(debug_lines_tick(), world, DebugName::Sprite);
    batch.push(world, chunk.uvw);
}

void Renderer::add_debug_lines(DebugLines& lines) {
    for (const DebugColoredLine& line : lines.build_vertices()) {
        m_debug_lines.push(line.a, line.b,
                           static_cast<uint32_t>(line.red) | (static_cast<uint32_t>(line.green) << 8) |
                               (static_cast<uint32_t>(line.blue) << 16) | (static_cast<uint32_t>(line.alpha) << 24));
    }
}

void Renderer::add_sprite(const Transform& transform, const SpriteDraw& sprite) {
    add_sprite(transform, sprite.chunks_x, sprite.chunks_y, sprite.chunks, [](const SpriteChunkDraw& c) { return c; });
}

void Renderer::add_ui_sprite(const Transform& transform, const SpriteDraw& sprite) {
    add_ui_sprite(transform, sprite.chunks_x, sprite.chunks_y, sprite.chunks,
                  [](const SpriteChunkDraw& c) { return c; });
}

void Renderer::add_static_sprite(const Transform& transform, const UvRect& uv) {
    if (AxisAlignedArea::intersects(transform.bounds(), m_world_camera.visible_area)) {
        m_world_static_sprites.push(transform, uv, glm::vec4(1.0f));
    }
}

void Renderer::add_ui_static_sprite(const Transform& transform, const UvRect& uv, uint32_t rgba8) {
    m_ui_static_sprites.push(transform, uv, unpack_rgba8(rgba8));
}

void Renderer::add_background_sprite(const Transform& transform, const UvRect& uv, uint32_t rgba8) {
    m_background.push(transform, uv, unpack_rgba8(rgba8));
}

void Renderer::upload_batches(RenderContextBase& context) {
    // The branching lines go with this frame's lines: their trails grow between uploads.
    for (const BranchingLineEffect& effect : m_effects) {
        for (const BranchNode& node : effect.nodes) {
            m_lines.add_line(node.trail);
        }
    }
    m_lines.upload(context);
    m_world_particles.upload(context);
    m_world_sprites.upload(context);
    m_world_static_sprites.upload(context);
    m_ui_sprites.upload(context);
    m_ui_static_sprites.upload(context);
    m_ui_particles.upload(context);
    m_background.upload(context);
}

RenderCommandList Renderer::record_frame() const {
    const glm::mat4& world = m_world_camera.view_projection;
    const glm::mat4& ui = m_ui_camera.view_projection;
    RenderCommandList list;

    // 1. Target and a full clear.
    list.bind_framebuffer(m_target);
    list.clear({ClearTargetColor, ClearTargetDepth});

    // 2. Background, without depth, so it stays behind everything.
    RenderStep background =
        make_step("Background", false, true, BlendDstOneMinusSrcAlpha, m_static_sprite_shader, world);
    background.add_uniform(UniformValue::of_texture(m_sprite_atlas));
    m_background.append_draw(background);
    list.add_step(background);

    // 3.
    list.clear({ClearTargetDepth});

    // 4.
    RenderStep statics =
        make_step("Draw static sprites", true, true, BlendDstOneMinusSrcAlpha, m_static_sprite_shader, world);
    statics.add_uniform(UniformValue::of_texture(m_sprite_atlas));
    m_world_static_sprites.append_draw(statics);
    list.add_step(statics);

    // 5.
    RenderStep sprites = make_step("Draw sprites", true, true, BlendDstOneMinusSrcAlpha, m_sprite_shader, world);
    sprites.add_uniform(UniformValue::of_texture(m_chunk_color));
    sprites.add_uniform(UniformValue::of_texture(m_chunk_flags));
    m_world_sprites.append_draw(sprites);
    list.add_step(sprites);

    // 6. Additive world particles: one draw, or two when the ring wraps.
    RenderStep particles = make_step("Draw particles", false, true, BlendDstOne, m_particle_shader, world);
    particles.add_uniform(UniformValue::of_float(m_time));
    m_world_particles.append_draw(particles);
    list.add_step(particles);

    // 7.
    RenderStep lines = make_step("Draw line", true, true, BlendDstOneMinusSrcAlpha, m_thick_line_shader, world);
    m_lines.append_draw(lines);
    list.add_step(lines);

    // 8. UI items are never hidden by world depth.
    list.clear({ClearTargetDepth});

    // 9.
    RenderStep ui_statics =
        make_step("Draw ui static sprites", true, true, BlendDstOneMinusSrcAlpha, m_static_sprite_shader, ui);
    ui_statics.add_uniform(UniformValue::of_texture(m_sprite_atlas));
    m_ui_static_sprites.append_draw(ui_statics);
    list.add_step(ui_statics);

    // 10.
    RenderStep ui_sprites = make_step("Draw ui sprites", true, true, BlendDstOneMinusSrcAlpha, m_sprite_shader, ui);
    ui_sprites.add_uniform(UniformValue::of_texture(m_chunk_color));
    ui_sprites.add_uniform(UniformValue::of_texture(m_chunk_flags));
    m_ui_sprites.append_draw(ui_sprites);
    list.add_step(ui_sprites);

    // 11. Additive UI particles.
    RenderStep ui_particles = make_step("Draw particles", false, true, BlendDstOne, m_particle_shader, ui);
    ui_particles.add_uniform(UniformValue::of_float(m_time));
    m_ui_particles.append_draw(ui_particles);
    list.add_step(ui_particles);

    // 12. Debug lines over everything, unblended.
    RenderStep debug = make_step("Draw debug line", false, false, BlendDstOneMinusSrcAlpha, m_line_shader, world);
    m_debug_lines.append_draw(debug);
    list.add_step(debug);
    return list;
}

void Renderer::render(RenderContextBase& context) { context.execute(record_frame()); }
