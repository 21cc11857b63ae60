#include "Engine/Graphics/Trail.h"

#include <algorithm>

#include <glm/geometric.hpp>

void Trail::add_point(glm::vec2 position, float width, uint32_t color) {
    float segment = 0.0f;
    if (m_slots.size() > m_head) {
        // The same value a drop of the point before computes between the two: distance(older, newer).
        segment = glm::distance(m_slots.back().point.position, position);
        if (m_settings.min_segment > segment) {
            return;
        }
        m_length += segment;
    }
    if (m_head > 0 && m_slots.size() == m_slots.capacity()) {
        // Full: the slots before the first segment a live distance still needs make room instead of a larger
        // allocation.
        const size_t keep = std::min(static_cast<size_t>(m_slots[m_head].shifted_to), m_head);
        if (keep > 0) {
            m_slots.erase(m_slots.begin(), m_slots.begin() + static_cast<std::ptrdiff_t>(keep));
            m_head -= keep;
            for (size_t i = m_head; i < m_slots.size(); ++i) {
                m_slots[i].shifted_to -= static_cast<uint32_t>(keep);
            }
        }
    }
    m_slots.push_back(Slot{TrailPoint{position, std::min(width, m_settings.max_width), color, m_length}, segment,
                           static_cast<uint32_t>(m_head + 1)});
    m_view_stale = true;
    // The widths before this add's taper are all overwritten by it, so the drops need not apply a pending one.
    if (static_cast<int64_t>(m_slots.size() - m_head) > m_settings.max_points) {
        drop_oldest();
    }
    if (m_settings.max_length > 0.0f) {
        while (m_slots.size() - m_head > 1 && m_length > m_settings.max_length) {
            drop_oldest();
        }
    }
    m_taper_pending = m_taper_pending || m_settings.taper;
}

void Trail::pop_front() {
    if (m_taper_pending) {
        apply_shifts();
        apply_taper();
    }
    drop_oldest();
}

void Trail::drop_oldest() {
    const size_t live = m_slots.size() - m_head;
    if (live == 0) {
        return;
    }
    m_view_stale = true;
    if (live >= 2) {
        m_length -= m_slots[m_head + 1].segment;
        m_shift_pending = true;
    }
    m_head += 1;
    if (m_head == m_slots.size()) {
        m_slots.clear();
        m_head = 0;
        m_shift_pending = false;
    }
}

void Trail::apply_shifts() const {
    if (!m_shift_pending) {
        return;
    }
    m_shift_pending = false;
    const auto head = static_cast<uint32_t>(m_head);
    for (size_t i = m_head; i < m_slots.size(); ++i) {
        Slot& slot = m_slots[i];
        float distance = slot.point.distance;
        for (uint32_t k = slot.shifted_to; k <= head; ++k) {
            distance -= m_slots[k].segment;
        }
        slot.point.distance = distance;
        slot.shifted_to = head + 1;
    }
}

void Trail::apply_taper() const {
    m_taper_pending = false;
    for (size_t i = m_head; i < m_slots.size(); ++i) {
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
    for (size_t i = m_head; i < m_slots.size(); ++i) {
        m_view.push_back(m_slots[i].point);
    }
    m_view_stale = false;
}
