#include "Engine/Graphics/LineBatch.h"

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/Shaders.h"

void LineBatch::create(RenderContextBase& context) {
    m_vertex_buffer = context.create_buffer(BufferTypeVertex, BufferUsageDynamic, 0, nullptr);
    m_mesh = context.create_mesh(line_shader_description().layout, &m_vertex_buffer);
}

void LineBatch::push(glm::vec2 a, glm::vec2 b, uint32_t rgba8) {
    glm::vec4 color = unpack_rgba8(rgba8);
    m_vertices.push_back({a, color});
    m_vertices.push_back({b, color});
}

void LineBatch::upload(RenderContextBase& context) {
    context.set_buffer_data(m_vertex_buffer, m_vertices.size() * sizeof(LineVertex), m_vertices.data());
    m_uploaded = m_vertices.size();
    m_vertices.clear();
}

void LineBatch::append_draw(RenderStep& step) const {
    if (m_uploaded == 0) {
        return;
    }
    DrawCall draw;
    draw.mesh = m_mesh;
    draw.topology = TopologyLines;
    draw.vertex_count = m_uploaded;
    step.add_draw(draw);
}
