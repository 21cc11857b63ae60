#pragma once
// A bounded polyline of recent positions with a width and colour per point: bullet streaks and the
// growing branches of lightning. The renderer draws it as a chain of capsules.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/vec2.hpp>

struct TrailSettings {
    int32_t max_points = 10;
    // A new point closer than this to the last one is ignored.
    float min_segment = 0.001f;
    bool taper = true;
    bool reverse_taper = false;
    // 0 or less: no length limit.
    float max_length = 1.0f;
    float max_width = 0.025f;
};

struct TrailPoint {
    glm::vec2 position{0.0f};
    float width = 0.0f;
    uint32_t color = 0; // RGBA8, red in the low byte
    // Arc length from the first point to this one.
    float distance = 0.0f;
};

class Trail {
public:
    Trail() = default;
    explicit Trail(const TrailSettings& settings) : m_settings(settings) {}

    // Inline, with what is rare out of line: bullets add a point at every cell they remove.
    void add_point(glm::vec2 position, float width, uint32_t color) {
        if (m_size > m_head) {
            const float d = glm::distance(m_points[m_size - 1].position, position);
            if (m_settings.min_segment > d) {
                return;
            }
            m_length += d;
        }
        if (m_size == m_points.size()) [[unlikely]] {
            make_room();
        }
        m_points[m_size] = TrailPoint{position, std::min(width, m_settings.max_width), color, m_length};
        m_size += 1;
        // The widths before this add's taper are all overwritten by it, so the drops need not apply a pending one.
        if (static_cast<int64_t>(m_size - m_head) > m_settings.max_points) {
            drop_oldest();
        }
        if (m_settings.max_length > 0.0f) {
            while (m_size - m_head > 1 && m_length > m_settings.max_length) {
                drop_one_of_several();
            }
        }
        if (m_settings.taper) {
            m_taper_pending = true;
        }
    }
    // Drops the oldest point and shifts the distances so the new first point sits at 0.
    void pop_front();

    // Oldest first.
    std::span<const TrailPoint> points() const {
        if (m_taper_pending) {
            apply_taper();
        }
        return {m_points.data() + m_head, m_size - m_head};
    }
    bool empty() const { return m_size == m_head; }
    const TrailSettings& settings() const { return m_settings; }
    float length() const { return m_length; }

private:
    // Drops the oldest point as pop_front does, leaving a pending taper pending.
    void drop_oldest();
    // The same with at least two points.
    void drop_one_of_several() {
        const float d = glm::distance(m_points[m_head].position, m_points[m_head + 1].position);
        m_length -= d;
        for (uint32_t i = m_head; i < m_size; ++i) {
            m_points[i].distance -= d;
        }
        m_head += 1;
    }
    // Makes a free place at the end: the dropped points go when they are a quarter of all or more, otherwise the
    // storage grows.
    void make_room();
    void apply_taper() const;

    TrailSettings m_settings;
    // The live points are m_points[m_head..m_size); every element of the vector is storage. Dropping the oldest
    // moves the head instead of the other points, and the dropped ones are cleared out when the storage is full.
    // The widths are tapered when they are read: a bullet adds several points a tick, and each add would taper
    // every point again only for the next to overwrite it. A pending taper is taken from the distances and length
    // the last add left, so pop_front applies it before it moves them. Main thread only, like the renderer.
    mutable std::vector<TrailPoint> m_points;
    uint32_t m_size = 0;
    uint32_t m_head = 0;
    float m_length = 0.0f;
    mutable bool m_taper_pending = false;
};
