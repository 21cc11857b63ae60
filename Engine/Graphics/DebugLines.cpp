#include "Engine/Graphics/DebugLines.h"

#include <cmath>

#include "Engine/Math/Constants.h"
#include "Engine/Math/Transform.h"

const std::array<std::string_view, DebugName::MAX> kDebugNameNames = {
    "Default",
    "Physics_Broadphase_Tree",
    "Physics_Broadphase_Overlap_World_Corners",
    "Physics_Broadphase_Overlap_World_Bounds",
    "Physics_Broadphase_Overlap_World_Pair_Line",
    "Physics_Broadphase_Overlap_Grid_Corners",
    "Physics_Broadphase_Overlap_Grid_Bounds",
    "Physics_Broadphase_Chunk_Used",
    "Physics_Broadphase_Chunk_Pair_Line",
    "Physics_Sweep_Cell",
    "Physics_Contact_Point",
    "Physics_Contact_Point_Normal",
    "Ai",
    "Sprite",
};

const std::array<std::string_view, DebugLayer::MAX> kDebugLayerNames = {"Default", "A", "B"};

DebugRendererSettings DebugRendererSettings::defaults() {
    DebugRendererSettings settings;
    for (DebugColorSetting& name : settings.names) {
        name = {0xFFEB8F34u, 0};
    }
    settings.names[DebugName::Physics_Contact_Point].color = 0xFF0A0AFFu;
    settings.names[DebugName::Physics_Contact_Point_Normal].color = 0xFF0A0AFFu;
    settings.layers[DebugLayer::Default] = {0xFFFFFFFFu, 1};
    settings.layers[DebugLayer::A] = {0xFFFF00FFu, 1};
    settings.layers[DebugLayer::B] = {0xFFFFFF00u, 1};
    return settings;
}

DebugRendererSettings debug_renderer_settings = DebugRendererSettings::defaults();

namespace {

DebugLines g_tick_lines;
DebugLines g_fixed_lines;
DebugLines g_render_lines;

bool enabled_unchecked(uint32_t name, uint32_t layer) {
    return debug_renderer_settings.names[name].enabled != 0 && debug_renderer_settings.layers[layer].enabled != 0;
}

} // namespace

DebugLines& debug_lines_tick() { return g_tick_lines; }
DebugLines& debug_lines_fixed() { return g_fixed_lines; }
DebugLines& debug_lines_render() { return g_render_lines; }

void debug_lines_invalidate_all() {
    g_tick_lines.invalidate();
    g_fixed_lines.invalidate();
    g_render_lines.invalidate();
}

bool debug_is_enabled(uint32_t name, uint32_t layer) {
    // Both looked up before either is tested: a bad layer is an error even while the name is off.
    const DebugColorSetting& n = debug_renderer_settings.names.at(name);
    const DebugColorSetting& l = debug_renderer_settings.layers.at(layer);
    return n.enabled != 0 && l.enabled != 0;
}

uint32_t debug_mixed_color(uint32_t name, uint32_t layer) {
    const uint32_t color = debug_renderer_settings.names.at(name).color;
    const uint32_t tint = debug_renderer_settings.layers.at(layer).color;
    uint32_t mixed = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8) {
        const uint32_t c = (color >> shift) & 0xFFu;
        const uint32_t t = (tint >> shift) & 0xFFu;
        mixed |= ((c + t) / 2) << shift;
    }
    return mixed;
}

void DebugLines::add(const DebugLine& line) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_lines.push_back(line);
    m_built = false;
}

void DebugLines::clear() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_lines.clear();
    m_built = false;
}

void DebugLines::invalidate() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_built = false;
}

const std::vector<DebugColoredLine>& DebugLines::build_vertices() {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_built) {
        return m_colored;
    }
    m_built = true;
    m_colored.clear();
    // Filtered again: a name switched off since its lines were added drops them from the picture.
    for (const DebugLine& line : m_lines) {
        if (!enabled_unchecked(line.name, line.layer)) {
            continue;
        }
        const uint32_t c = debug_mixed_color(line.name, line.layer);
        m_colored.push_back(
            DebugColoredLine{line.a, line.b, static_cast<uint8_t>(c & 0xFFu), static_cast<uint8_t>((c >> 8) & 0xFFu),
                             static_cast<uint8_t>((c >> 16) & 0xFFu), static_cast<uint8_t>((c >> 24) & 0xFFu)});
    }
    return m_colored;
}

std::vector<DebugLine> DebugLines::lines() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lines;
}

size_t DebugLines::size() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lines.size();
}

void debug_line(DebugLines& lines, glm::vec2 a, glm::vec2 b, uint32_t name, uint32_t layer) {
    if (!debug_is_enabled(name, layer)) {
        return;
    }
    lines.add(DebugLine{a, b, layer, name});
}

void debug_rect(DebugLines& lines, const AxisAlignedArea& area, uint32_t name, uint32_t layer) {
    if (!debug_is_enabled(name, layer)) {
        return;
    }
    glm::vec2 c[4];
    AxisAlignedArea::corners(area, c);
    for (int i = 0; i < 4; ++i) {
        lines.add(DebugLine{c[i], c[(i + 1) % 4], layer, name});
    }
}

void debug_circle(DebugLines& lines, glm::vec2 center, float radius, uint32_t name, uint32_t layer) {
    if (!debug_is_enabled(name, layer)) {
        return;
    }
    constexpr float kSixth = kPi / 3.0f;
    glm::vec2 previous = center + glm::vec2(radius, 0.0f);
    for (int k = 1; k <= 6; ++k) {
        const float angle = static_cast<float>(k) * kSixth;
        const glm::vec2 next = center + radius * glm::vec2(std::cos(angle), std::sin(angle));
        lines.add(DebugLine{previous, next, layer, name});
        previous = next;
    }
}

void debug_arrow(DebugLines& lines, glm::vec2 p, glm::vec2 v, uint32_t name, uint32_t layer) {
    debug_line(lines, p, p + v, name, layer);
}

void debug_box(DebugLines& lines, const Transform& transform, uint32_t name, uint32_t layer) {
    if (!debug_is_enabled(name, layer)) {
        return;
    }
    glm::vec2 c[4];
    transform.corners(c);
    for (int i = 0; i < 4; ++i) {
        lines.add(DebugLine{c[i], c[(i + 1) % 4], layer, name});
    }
}
