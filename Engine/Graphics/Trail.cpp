#include "Engine/Graphics/Trail.h"

void Trail::pop_front() {
    if (m_taper_pending) {
        apply_taper();
    }
    drop_oldest();
}

void Trail::drop_oldest() {
    const uint32_t live = m_size - m_head;
    if (live == 0) {
        return;
    }
    if (live >= 2) {
        drop_one_of_several();
        return;
    }
    // A lone point goes without changing the length.
    m_size = 0;
    m_head = 0;
}

void Trail::make_room() {
    if (m_head > 0 && static_cast<size_t>(m_head) * 4 >= m_size) {
        std::copy(m_points.begin() + m_head, m_points.begin() + m_size, m_points.begin());
        m_size -= m_head;
        m_head = 0;
        return;
    }
    m_points.resize(std::max<size_t>(16, m_points.size() * 2));
}

void Trail::apply_taper() const {
    m_taper_pending = false;
    for (uint32_t i = m_head; i < m_size; ++i) {
        TrailPoint& p = m_points[i];
        // A trail without length (a lone point) has no place to taper along: it keeps the full width.
        float f = m_length > 0.0f ? p.distance / m_length : 1.0f;
        if (m_settings.reverse_taper) {
            f = m_length > 0.0f ? 1.0f - f : 1.0f;
        }
        p.width = f * m_settings.max_width;
    }
}
