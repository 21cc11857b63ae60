#pragma once
// Thin coloured line segments (the debug lines), one vertex pair per segment.

#include <vector>

#include <glm/glm.hpp>

#include "Engine/Graphics/RenderContextBase.h"

struct LineVertex {
    glm::vec2 position;
    glm::vec4 color;
};
static_assert(sizeof(LineVertex) == 24);

class LineBatch {
public:
    void create(RenderContextBase& context);
    void push(glm::vec2 a, glm::vec2 b, uint32_t rgba8);
    void upload(RenderContextBase& context);
    // Adds this batch's draw to the step; nothing when the last upload held no vertices.
    void append_draw(RenderStep& step) const;

    const std::vector<LineVertex>& vertices() const { return m_vertices; }
    uint64_t uploaded_count() const { return m_uploaded; }

private:
    Handle m_vertex_buffer = kInvalidHandle;
    Handle m_mesh = kInvalidHandle;
    std::vector<LineVertex> m_vertices;
    uint64_t m_uploaded = 0;
};
