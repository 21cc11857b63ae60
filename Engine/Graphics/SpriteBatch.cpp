#include "Engine/Graphics/SpriteBatch.h"

#include "Engine/Graphics/Shaders.h"

std::vector<glm::vec4> sprite_quad_vertices(float e) {
    return {{-1, -1, 0, 0}, {1, -1, e, 0}, {-1, 1, 0, e}, {1, 1, e, e}, {-1, 1, 0, e}, {1, -1, e, 0}};
}

void SpriteBatch::create(RenderContextBase& context, uint32_t chunk_size, uint32_t layer_size) {
    std::vector<glm::vec4> quad = sprite_quad_vertices(static_cast<float>(chunk_size) / static_cast<float>(layer_size));
    m_quad_buffer =
        context.create_buffer(BufferTypeVertex, BufferUsageStatic, quad.size() * sizeof(glm::vec4), quad.data());
    m_instance_buffer = context.create_buffer(BufferTypeVertex, BufferUsageDynamic, 0, nullptr);
    Handle buffers[2] = {m_quad_buffer, m_instance_buffer};
    m_mesh = context.create_mesh(sprite_shader_description().layout, buffers);
}

void SpriteBatch::push(const Transform& chunk_world, glm::vec3 uvw_offset) {
    m_instances.push_back({chunk_world.to_matrix(), uvw_offset});
}

void SpriteBatch::upload(RenderContextBase& context) {
    context.set_buffer_data(m_instance_buffer, m_instances.size() * sizeof(SpriteInstance), m_instances.data());
    m_uploaded = m_instances.size();
    m_instances.clear();
}

void SpriteBatch::append_draw(RenderStep& step) const { add_instanced_quads(step, m_mesh, m_uploaded); }
