#include "Engine/Graphics/Trail.h"

#include <algorithm>

#include <glm/geometric.hpp>

void Trail::add_point(glm::vec2 position, float width, uint32_t color) {
    if (!m_points.empty()) {
        const float d = glm::distance(m_points.back().position, position);
        if (m_settings.min_segment > d) {
            return;
        }
        m_length += d;
    }
    m_points.push_back(TrailPoint{position, std::min(width, m_settings.max_width), color, m_length});
    if (static_cast<int64_t>(m_points.size()) > m_settings.max_points) {
        pop_front();
    }
    if (m_settings.max_length > 0.0f) {
        while (m_points.size() > 1 && m_length > m_settings.max_length) {
            pop_front();
        }
    }
    if (m_settings.taper) {
        apply_taper();
    }
}

void Trail::pop_front() {
    if (m_points.empty()) {
        return;
    }
    if (m_points.size() >= 2) {
        const float d = glm::distance(m_points[0].position, m_points[1].position);
        m_length -= d;
        for (TrailPoint& p : m_points) {
            p.distance -= d;
        }
    }
    m_points.erase(m_points.begin());
}

void Trail::apply_taper() {
    for (TrailPoint& p : m_points) {
        // A trail without length (a lone point) has no place to taper along: it keeps the full width.
        float f = m_length > 0.0f ? p.distance / m_length : 1.0f;
        if (m_settings.reverse_taper) {
            f = m_length > 0.0f ? 1.0f - f : 1.0f;
        }
        p.width = f * m_settings.max_width;
    }
}
