#include "Engine/Graphics/Trail.h"

#include <algorithm>

#include <glm/geometric.hpp>

void Trail::add_point(glm::vec2 position, float width, uint32_t color) {
    if (m_points.size() > m_head) {
        const float d = glm::distance(m_points.back().position, position);
        if (m_settings.min_segment > d) {
            return;
        }
        m_length += d;
    }
    if (m_head > 0 && m_head >= m_points.size() - m_head) {
        m_points.erase(m_points.begin(), m_points.begin() + static_cast<std::ptrdiff_t>(m_head));
        m_head = 0;
    }
    m_points.push_back(TrailPoint{position, std::min(width, m_settings.max_width), color, m_length});
    // The widths before this add's taper are all overwritten by it, so the drops need not apply a pending one.
    if (static_cast<int64_t>(m_points.size() - m_head) > m_settings.max_points) {
        drop_oldest();
    }
    if (m_settings.max_length > 0.0f) {
        while (m_points.size() - m_head > 1 && m_length > m_settings.max_length) {
            drop_oldest();
        }
    }
    if (m_settings.taper) {
        m_taper_pending = true;
    }
}

void Trail::pop_front() {
    if (m_taper_pending) {
        apply_taper();
    }
    drop_oldest();
}

void Trail::drop_oldest() {
    const size_t live = m_points.size() - m_head;
    if (live == 0) {
        return;
    }
    if (live >= 2) {
        const float d = glm::distance(m_points[m_head].position, m_points[m_head + 1].position);
        m_length -= d;
        for (size_t i = m_head; i < m_points.size(); ++i) {
            m_points[i].distance -= d;
        }
    }
    m_head += 1;
    if (m_head == m_points.size()) {
        m_points.clear();
        m_head = 0;
    }
}

void Trail::apply_taper() const {
    m_taper_pending = false;
    for (size_t i = m_head; i < m_points.size(); ++i) {
        TrailPoint& p = m_points[i];
        // A trail without length (a lone point) has no place to taper along: it keeps the full width.
        float f = m_length > 0.0f ? p.distance / m_length : 1.0f;
        if (m_settings.reverse_taper) {
            f = m_length > 0.0f ? 1.0f - f : 1.0f;
        }
        p.width = f * m_settings.max_width;
    }
}
