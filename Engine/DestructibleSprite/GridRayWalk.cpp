#include "Engine/DestructibleSprite/GridRayWalk.h"

#include <cmath>
#include <limits>

namespace {

struct AxisSetup {
    float t_delta;
    float t_max;
    int32_t step;
};

AxisSetup setup_axis(float d, float other, float origin, int32_t cell) {
    if (d == 0.0f) {
        const float inf = std::numeric_limits<float>::infinity();
        return {inf, inf, 0};
    }
    const float ratio = other / d;
    const float t_delta = std::sqrt(ratio * ratio + 1.0f);
    if (d > 0.0f) {
        return {t_delta, t_delta * (static_cast<float>(cell + 1) - origin), 1};
    }
    return {t_delta, t_delta * (origin - static_cast<float>(cell)), -1};
}

} // namespace

GridRayWalk::GridRayWalk(glm::vec2 start, glm::vec2 direction, float max_length)
    : cell_x(static_cast<int32_t>(start.x)), cell_y(static_cast<int32_t>(start.y)), origin(start), t(0.0f),
      max_t(max_length) {
    set_direction(direction);
}

void GridRayWalk::set_direction(glm::vec2 d) {
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

void GridRayWalk::redirect(glm::vec2 d) {
    origin = position();
    max_t = max_t - t;
    t = 0.0f;
    set_direction(d);
}
