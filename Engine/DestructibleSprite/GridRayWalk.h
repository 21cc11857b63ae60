#pragma once
// Walk of a ray over a grid of unit squares: every square the ray passes, in order.
// Used twice by the sprite ray cast, once over chunks and once over cells.

#include <cstdint>

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
    GridRayWalk(glm::vec2 start, glm::vec2 direction, float max_length);

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
    // Continues from the current position in a new direction with the length that is left.
    void redirect(glm::vec2 direction);

private:
    void set_direction(glm::vec2 direction);
};
