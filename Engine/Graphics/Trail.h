#pragma once
// A bounded polyline of recent positions with a width and colour per point: bullet streaks and the
// growing branches of lightning. The renderer draws it as a chain of capsules.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

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

    void add_point(glm::vec2 position, float width, uint32_t color);
    // Drops the oldest point and shifts the distances so the new first point sits at 0.
    void pop_front();

    // Oldest first.
    std::span<const TrailPoint> points() const {
        if (m_taper_pending) {
            apply_taper();
        }
        return {m_points.data() + m_head, m_points.size() - m_head};
    }
    const TrailSettings& settings() const { return m_settings; }
    // Starts loading the live points, which the next add_point or pop_front reads and rewrites (they live apart
    // from the trail, so a loop over many trails would wait for each otherwise): the oldest three lines and the
    // newest one. Always inline: a prefetch alone counts as no effect, and a call of it would be dropped.
    [[gnu::always_inline]] void prefetch() const {
        if (m_points.size() > m_head) {
            const auto first = reinterpret_cast<uintptr_t>(m_points.data() + m_head);
            const auto last = reinterpret_cast<uintptr_t>(m_points.data() + m_points.size()) - 1;
            __builtin_prefetch(reinterpret_cast<const void*>(first), 1);
            __builtin_prefetch(reinterpret_cast<const void*>(last), 1);
            if (last - first >= 64) {
                __builtin_prefetch(reinterpret_cast<const void*>(first + 64), 1);
            }
            if (last - first >= 128) {
                __builtin_prefetch(reinterpret_cast<const void*>(first + 128), 1);
            }
        }
    }
    float length() const { return m_length; }

private:
    // Drops the oldest point as pop_front does, leaving a pending taper pending.
    void drop_oldest();
    void apply_taper() const;

    TrailSettings m_settings;
    // The live points are m_points[m_head..]: dropping the oldest moves the head instead of the other points,
    // and the dropped ones are cleared out only once they are as many as the live ones.
    // The widths are tapered when they are read: a bullet adds several points a tick, and each add would taper
    // every point again only for the next to overwrite it. A pending taper is taken from the distances and length
    // the last add left, so pop_front applies it before it moves them. Main thread only, like the renderer.
    mutable std::vector<TrailPoint> m_points;
    size_t m_head = 0;
    float m_length = 0.0f;
    mutable bool m_taper_pending = false;
};
