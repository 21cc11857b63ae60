#include "Engine/Graphics/ThickLineBatch.h"

#include <cmath>

#include "Engine/Graphics/Shaders.h"
#include "Engine/Math/Constants.h"

std::vector<glm::vec3> ThickLineBatch::cap_vertices() {
    std::vector<glm::vec3> v;
    v.reserve(kThickLineCapVertices);
    v.insert(v.end(), {{0, -0.5f, 0}, {0, -0.5f, 1}, {0, 0.5f, 1}, {0, -0.5f, 0}, {0, 0.5f, 1}, {0, 0.5f, 0}});
    for (int end = 0; end < 2; ++end) {
        float start = end == 0 ? kPi / 2 : 3 * kPi / 2;
        float e = static_cast<float>(end);
        for (int k = 0; k < 8; ++k) {
            float t1 = start + static_cast<float>(k) * kPi / 8;
            float t2 = start + static_cast<float>(k + 1) * kPi / 8;
            v.push_back({0, 0, e});
            v.push_back({0.5f * std::cos(t1), 0.5f * std::sin(t1), e});
            v.push_back({0.5f * std::cos(t2), 0.5f * std::sin(t2), e});
        }
    }
    return v;
}

void ThickLineBatch::create(RenderContextBase& context) {
    std::vector<glm::vec3> caps = cap_vertices();
    m_cap_buffer =
        context.create_buffer(BufferTypeVertex, BufferUsageStatic, caps.size() * sizeof(glm::vec3), caps.data());
    m_instance_buffer = context.create_buffer(BufferTypeVertex, BufferUsageDynamic, 0, nullptr);
    m_indirect_buffer = context.create_buffer(BufferTypeIndirect, BufferUsageDynamic, 0, nullptr);
    Handle buffers[2] = {m_cap_buffer, m_instance_buffer};
    m_mesh = context.create_mesh(thick_line_shader_description().layout, buffers);
}

void ThickLineBatch::upload(RenderContextBase& context) {
    context.set_buffer_data(m_instance_buffer, m_instances.size() * sizeof(ThickLineInstance), m_instances.data());
    context.set_buffer_data(m_indirect_buffer, m_commands.size() * sizeof(DrawArraysIndirectCommand),
                            m_commands.data());
    m_uploaded = m_commands.size();
    m_instances.clear();
    m_commands.clear();
}

void ThickLineBatch::append_draw(RenderStep& step) const {
    if (m_uploaded == 0) {
        return;
    }
    DrawCall draw;
    draw.mesh = m_mesh;
    draw.topology = TopologyTriangles;
    draw.indirect_draw_count = m_uploaded;
    draw.indirect_buffer = m_indirect_buffer;
    step.add_draw(draw);
}
