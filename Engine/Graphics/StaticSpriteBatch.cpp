#include "Engine/Graphics/StaticSpriteBatch.h"

#include "Engine/Graphics/Shaders.h"
#include "Engine/Graphics/SpriteBatch.h"

void StaticSpriteBatch::create(RenderContextBase& context) {
    std::vector<glm::vec4> quad = sprite_quad_vertices(1.0f);
    m_quad_buffer =
        context.create_buffer(BufferTypeVertex, BufferUsageStatic, quad.size() * sizeof(glm::vec4), quad.data());
    m_instance_buffer = context.create_buffer(BufferTypeVertex, BufferUsageDynamic, 0, nullptr);
    Handle buffers[2] = {m_quad_buffer, m_instance_buffer};
    m_mesh = context.create_mesh(static_sprite_shader_description().layout, buffers);
}

void StaticSpriteBatch::push(const Transform& transform, const UvRect& uv, glm::vec4 tint) {
    m_instances.push_back({transform.to_matrix(), uv.offset, uv.size, tint});
}

void StaticSpriteBatch::upload(RenderContextBase& context) {
    context.set_buffer_data(m_instance_buffer, m_instances.size() * sizeof(StaticSpriteInstance), m_instances.data());
    m_uploaded = m_instances.size();
    m_instances.clear();
}

void StaticSpriteBatch::append_draw(RenderStep& step) const { add_instanced_quads(step, m_mesh, m_uploaded); }
