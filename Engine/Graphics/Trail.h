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
        if (m_view_stale) {
            make_view();
        }
        return m_view;
    }
    bool empty() const { return m_slots.size() == m_head; }
    const TrailSettings& settings() const { return m_settings; }
    // Starts loading what the next add_point reads and writes (the slots live apart from the trail, so a loop over
    // many trails would wait for each otherwise): the newest slot, the one after it and the one whose segment the
    // next drop takes. Always inline: a prefetch alone counts as no effect, and a call of it would be dropped.
    [[gnu::always_inline]] void prefetch() const {
        if (m_slots.size() > m_head) {
            const auto slots = reinterpret_cast<uintptr_t>(m_slots.data());
            const uintptr_t next = slots + m_slots.size() * sizeof(Slot);
            __builtin_prefetch(reinterpret_cast<const void*>(next - sizeof(Slot)), 1);
            __builtin_prefetch(reinterpret_cast<const void*>(next + sizeof(Slot) - 1), 1);
            __builtin_prefetch(reinterpret_cast<const void*>(slots + (m_head + 1) * sizeof(Slot)), 1);
        }
    }
    float length() const { return m_length; }

private:
    // A point and what its drops need: the length of the segment from the point before (what a drop of that
    // point takes off the length and the distances) and the first drop whose shift its distance has not had.
    struct Slot {
        TrailPoint point;
        float segment = 0.0f;
        // The index of the slot whose segment the next shift of this distance subtracts; every shift of a
        // smaller index is in it.
        uint32_t shifted_to = 0;
    };

    // Drops the oldest point as pop_front does, leaving a pending taper pending.
    void drop_oldest();
    // Subtracts from each live distance the segments of the drops it has not had yet, in drop order.
    void apply_shifts() const;
    void apply_taper() const;
    void make_view() const;

    TrailSettings m_settings;
    // The live points are m_slots[m_head..]. A drop only moves the head: its segment comes off the length at once
    // and off the live distances when they are read, one drop after the other as every drop would have done (so
    // the same bits); the dropped slots stay while a live distance still needs their segments, and go when the
    // slots are full. The widths are tapered when they are read too: a bullet adds several points a tick, and
    // each add would taper every point again only for the next to overwrite it. A pending taper is taken from the
    // distances and length the last add left, so pop_front applies it before it drops. The points are copied
    // out for reading. Main thread only, like the renderer.
    mutable std::vector<Slot> m_slots;
    mutable std::vector<TrailPoint> m_view;
    size_t m_head = 0;
    float m_length = 0.0f;
    mutable bool m_shift_pending = false;
    mutable bool m_taper_pending = false;
    mutable bool m_view_stale = false;
};
