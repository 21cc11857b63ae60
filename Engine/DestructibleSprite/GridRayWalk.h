#pragma once
// Walk of a ray over a grid of unit squares: every square the ray passes, in order.
// Used twice by the sprite ray cast, once over chunks and once over cells.

#include <cmath>
#include <cstdint>
#include <limits>

#include <glm/glm.hpp>

struct GridRayWalk {
    float t_delta_x = 0.0f;
    float t_delta_y = 0.0f;
    float t_max_x = 0.0f;
    float t_max_y = 0.0f;
    int32_t cell_x = 0;
    int32_t cell_y = 0;
    glm::vec2 origin{0.0f};
    glm::vec2 m_direction{0.0f};
    int32_t step_x = 0;
    int32_t step_y = 0;
    float t = 0.0f;
    float max_t = 0.0f;

    // The direction is expected to be of unit length, so t counts squares of distance.
    GridRayWalk(glm::vec2 start, glm::vec2 direction, float max_length)
        : cell_x(static_cast<int32_t>(start.x)), cell_y(static_cast<int32_t>(start.y)), origin(start), t(0.0f),
          max_t(max_length) {
        set_direction(direction);
    }

    glm::ivec2 cell() const { return {cell_x, cell_y}; }
    glm::vec2 direction() const { return m_direction; }
    glm::vec2 position() const { return origin + m_direction * t; }
    bool in_range() const { return max_t >= t; }
    // Enters the next square; ties between the axes step y. Inline: walks call it once per cell.
    void step() {
        if (t_max_y <= t_max_x) {
            t = t_max_y;
            cell_y += step_y;
            t_max_y += t_delta_y;
        } else {
            t = t_max_x;
            cell_x += step_x;
            t_max_x += t_delta_x;
        }
    }
    // Continues from the current position in a new direction with the length that is left. Inline, like the
    // rest: a bullet turns at every cell it removes, and the walk's state then stays in registers.
    void redirect(glm::vec2 direction) {
        origin = position();
        max_t = max_t - t;
        t = 0.0f;
        if (direction == m_direction) {
            // The same direction (a bullet that does not curve): the steps and the distances between borders
            // stay, only those to the next borders start from the new origin. (Equal compares -0 and +0 alike;
            // the direction's own bits are still the new ones.)
            m_direction = direction;
            t_max_x = border_distance(direction.x, t_delta_x, origin.x, cell_x);
            t_max_y = border_distance(direction.y, t_delta_y, origin.y, cell_y);
            return;
        }
        set_direction(direction);
    }

private:
    struct AxisSetup {
        float t_delta;
        float t_max;
        int32_t step;
    };

    static AxisSetup setup_axis(float d, float other, float origin, int32_t cell) {
        if (d == 0.0f) {
            const float inf = std::numeric_limits<float>::infinity();
            return {inf, inf, 0};
        }
        const float ratio = other / d;
        const float t_delta = std::sqrt(ratio * ratio + 1.0f);
        return {t_delta, border_distance(d, t_delta, origin, cell), d > 0.0f ? 1 : -1};
    }

    // Distance along the ray from the origin to the first border of the axis.
    static float border_distance(float d, float t_delta, float origin, int32_t cell) {
        if (d == 0.0f) {
            return std::numeric_limits<float>::infinity();
        }
        if (d > 0.0f) {
            return t_delta * (static_cast<float>(cell + 1) - origin);
        }
        return t_delta * (origin - static_cast<float>(cell));
    }

    void set_direction(glm::vec2 d) {
        m_direction = d;
        const AxisSetup x = setup_axis(d.x, d.y, origin.x, cell_x);
        const AxisSetup y = setup_axis(d.y, d.x, origin.y, cell_y);
        t_delta_x = x.t_delta;
        t_max_x = x.t_max;
        step_x = x.step;
        t_delta_y = y.t_delta;
        t_max_y = y.t_max;
        step_y = y.step;
    }
};
