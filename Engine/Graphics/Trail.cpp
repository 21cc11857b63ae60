#include "Engine/Graphics/Trail.h"

void Trail::pop_front() {
    if (m_taper_pending) {
        apply_shifts();
        apply_taper();
    }
    drop_oldest();
}

void Trail::drop_oldest() {
    const uint32_t live = m_size - m_head;
    if (live == 0) {
        return;
    }
    m_view_stale = true;
    if (live >= 2) {
        drop_one_of_several();
        return;
    }
    // A lone point goes without changing the length.
    m_size = 0;
    m_head = 0;
    m_base = 0;
    m_shift_pending = false;
}

void Trail::make_room() {
    uint32_t keep = 0;
    if (m_head > 0) {
        keep = std::min(m_slots[m_head].shifted_to - m_base, m_head);
    }
    if (keep > 0 && static_cast<size_t>(keep) * 2 >= m_size) {
        std::copy(m_slots.begin() + keep, m_slots.begin() + m_size, m_slots.begin());
        m_size -= keep;
        m_head -= keep;
        m_base += keep;
        if (m_base >= kBaseLimit) {
            for (uint32_t i = m_head; i < m_size; ++i) {
                m_slots[i].shifted_to -= m_base;
            }
            m_base = 0;
        }
        return;
    }
    m_slots.resize(std::max<size_t>(16, m_slots.size() * 2));
}

void Trail::apply_shifts() const {
    if (!m_shift_pending) {
        return;
    }
    m_shift_pending = false;
    for (uint32_t i = m_head; i < m_size; ++i) {
        Slot& slot = m_slots[i];
        float distance = slot.point.distance;
        for (uint32_t k = slot.shifted_to - m_base; k <= m_head; ++k) {
            distance -= m_slots[k].segment;
        }
        slot.point.distance = distance;
        slot.shifted_to = m_base + m_head + 1;
    }
}

void Trail::apply_taper() const {
    m_taper_pending = false;
    for (uint32_t i = m_head; i < m_size; ++i) {
        TrailPoint& p = m_slots[i].point;
        // A trail without length (a lone point) has no place to taper along: it keeps the full width.
        float f = m_length > 0.0f ? p.distance / m_length : 1.0f;
        if (m_settings.reverse_taper) {
            f = m_length > 0.0f ? 1.0f - f : 1.0f;
        }
        p.width = f * m_settings.max_width;
    }
}

void Trail::make_view() const {
    apply_shifts();
    if (m_taper_pending) {
        apply_taper();
    }
    m_view.clear();
    for (uint32_t i = m_head; i < m_size; ++i) {
        m_view.push_back(m_slots[i].point);
    }
    m_view_stale = false;
}
