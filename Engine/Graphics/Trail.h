#pragma once
// A bounded polyline of recent positions with a width and colour per point: bullet streaks and the
// growing branches of lightning. The renderer draws it as a chain of capsules.

#include <cstdint>
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

    const std::vector<TrailPoint>& points() const { return m_points; }
    const TrailSettings& settings() const { return m_settings; }
    float length() const { return m_length; }

private:
    void apply_taper();

    TrailSettings m_settings;
    std::vector<TrailPoint> m_points; // oldest first
    float m_length = 0.0f;
};
