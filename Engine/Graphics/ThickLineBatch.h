#pragma once
// Polylines drawn as chains of capsules: one instance per point, one indirect command per line, one multi-draw.

#include <cstdint>
#include <span>
#include <vector>

#include <glm/glm.hpp>

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/RenderContextBase.h"
#include "Engine/Graphics/Trail.h"

struct ThickLineInstance {
    glm::vec2 point;
    float width;
    glm::vec4 color;
};
static_assert(sizeof(ThickLineInstance) == 28);

struct DrawArraysIndirectCommand {
    uint32_t vertex_count;
    uint32_t instance_count;
    uint32_t first_vertex;
    uint32_t base_instance;
};
static_assert(sizeof(DrawArraysIndirectCommand) == 16);

// One point of a polyline as the batch takes it.
struct LinePoint {
    glm::vec2 position;
    float width;
    uint32_t color; // RGBA8
};

inline constexpr uint32_t kThickLineCapVertices = 54;

class ThickLineBatch {
public:
    void create(RenderContextBase& context);
    // Instance i draws the segment from point i to point i + 1; fewer than two points add nothing.
    void add_line(std::span<const LinePoint> points) { add_points(points); }
    void add_line(const Trail& trail) { add_points(trail.points()); }
    void upload(RenderContextBase& context);
    void append_draw(RenderStep& step) const;

    const std::vector<ThickLineInstance>& instances() const { return m_instances; }
    const std::vector<DrawArraysIndirectCommand>& commands() const { return m_commands; }
    uint64_t uploaded_count() const { return m_uploaded; }

    // The body quad and the two half-disc end caps, as {x, y, end}.
    static std::vector<glm::vec3> cap_vertices();

private:
    template <typename Points>
    void add_points(const Points& points) {
        if (points.size() < 2) {
            return;
        }
        uint32_t base = static_cast<uint32_t>(m_instances.size());
        for (const auto& p : points) {
            m_instances.push_back({p.position, p.width, unpack_rgba8(p.color)});
        }
        if (points.size() % 2 == 1) {
            m_instances.push_back(m_instances.back());
        }
        m_commands.push_back({kThickLineCapVertices, static_cast<uint32_t>(points.size() - 1), 0, base});
    }

    Handle m_cap_buffer = kInvalidHandle;
    Handle m_instance_buffer = kInvalidHandle;
    Handle m_indirect_buffer = kInvalidHandle;
    Handle m_mesh = kInvalidHandle;
    std::vector<ThickLineInstance> m_instances;
    std::vector<DrawArraysIndirectCommand> m_commands;
    uint64_t m_uploaded = 0;
};
