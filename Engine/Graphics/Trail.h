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
        float segment = 0.0f;
        if (m_size > m_head) {
            // The same value a drop of the point before computes between the two: distance(older, newer).
            segment = glm::distance(m_slots[m_size - 1].point.position, position);
            if (m_settings.min_segment > segment) {
                return;
            }
            m_length += segment;
        }
        if (m_size == m_slots.size()) [[unlikely]] {
            make_room();
        }
        m_slots[m_size] = Slot{TrailPoint{position, std::min(width, m_settings.max_width), color, m_length}, segment,
                               m_base + m_head + 1};
        m_size += 1;
        m_view_stale = true;
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
        if (m_view_stale) {
            make_view();
        }
        return m_view;
    }
    bool empty() const { return m_size == m_head; }
    const TrailSettings& settings() const { return m_settings; }
    // Starts loading what the next add_point reads and writes (the slots live apart from the trail, so a loop over
    // many trails would wait for each otherwise): the newest slot, the one after it and the one whose segment the
    // next drop takes. Always inline: a prefetch alone counts as no effect, and a call of it would be dropped.
    [[gnu::always_inline]] void prefetch() const {
        if (m_size > m_head) {
            const auto slots = reinterpret_cast<uintptr_t>(m_slots.data());
            const uintptr_t next = slots + m_size * sizeof(Slot);
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
        // The index, counted from m_base, of the slot whose segment the next shift of this distance subtracts;
        // every shift of a smaller index is in it.
        uint32_t shifted_to = 0;
    };

    // Past this many cleared slots the indices are counted from the first slot again, far from wrapping.
    static constexpr uint32_t kBaseLimit = 1u << 20;

    // Drops the oldest point as pop_front does, leaving a pending taper pending.
    void drop_oldest();
    // The same with at least two points: the segment of the second comes off the length now and off the live
    // distances when they are read.
    void drop_one_of_several() {
        m_length -= m_slots[m_head + 1].segment;
        m_shift_pending = true;
        m_head += 1;
    }
    // Makes a free slot at the end: the slots before the first segment a live distance still needs go when they
    // are half of all or more, otherwise the slots grow.
    void make_room();
    // Subtracts from each live distance the segments of the drops it has not had yet, in drop order.
    void apply_shifts() const;
    void apply_taper() const;
    void make_view() const;

    TrailSettings m_settings;
    // The live points are m_slots[m_head..m_size); every slot of the vector is storage. A drop only moves the head:
    // its segment comes off the length at once and off the live distances when they are read, one drop after the
    // other as every drop would have done (so the same bits); the dropped slots stay while a live distance still
    // needs their segments. The widths are tapered when they are read too: a bullet adds several points a tick,
    // and each add would taper every point again only for the next to overwrite it. A pending taper is taken from
    // the distances and length the last add left, so pop_front applies it before it drops. The points are copied
    // out for reading. Main thread only, like the renderer.
    mutable std::vector<Slot> m_slots;
    mutable std::vector<TrailPoint> m_view;
    uint32_t m_size = 0;
    uint32_t m_head = 0;
    uint32_t m_base = 0; // how many slots were cleared out before m_slots[0] since the base was last reset
    float m_length = 0.0f;
    mutable bool m_shift_pending = false;
    mutable bool m_taper_pending = false;
    mutable bool m_view_stale = false;
};
