#include "Engine/Math/AxisAlignedArea.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Engine/Math/Vector.h"

namespace {
struct Slab {
    float t_near;
    float t_far;
};

// Direction components of 0 give infinite slab bounds by IEEE division; t is in multiples of direction.
Slab slab_test(const AxisAlignedArea& a, glm::vec2 origin, glm::vec2 direction) {
    const float tx1 = (a.min.x - origin.x) / direction.x;
    const float tx2 = (a.max.x - origin.x) / direction.x;
    const float ty1 = (a.min.y - origin.y) / direction.y;
    const float ty2 = (a.max.y - origin.y) / direction.y;
    const float t_near = std::max(std::min(tx1, tx2), std::min(ty1, ty2));
    const float t_far = std::min(std::max(tx1, tx2), std::max(ty1, ty2));
    return Slab{t_near, t_far};
}
} // namespace

AxisAlignedArea AxisAlignedArea::empty() {
    constexpr float inf = std::numeric_limits<float>::infinity();
    return AxisAlignedArea{glm::vec2(inf, inf), glm::vec2(-inf, -inf)};
}

AxisAlignedArea AxisAlignedArea::from_points(const glm::vec2* points, int32_t count) {
    AxisAlignedArea a = empty();
    for (int32_t i = 0; i < count; ++i) {
        expand(a, points[i]);
    }
    return a;
}

AxisAlignedArea AxisAlignedArea::around_point(glm::vec2 p, float side) {
    const float half = side / 2.0f;
    return AxisAlignedArea{p - half, p + half};
}

void AxisAlignedArea::expand(AxisAlignedArea& area, glm::vec2 p) {
    area.min = glm::vec2(std::min(area.min.x, p.x), std::min(area.min.y, p.y));
    area.max = glm::vec2(std::max(area.max.x, p.x), std::max(area.max.y, p.y));
}

float AxisAlignedArea::area(const AxisAlignedArea& a) { return (a.max.x - a.min.x) * (a.max.y - a.min.y); }

AxisAlignedArea AxisAlignedArea::intersection(const AxisAlignedArea& a, const AxisAlignedArea& b) {
    const glm::vec2 lo(std::max(a.min.x, b.min.x), std::max(a.min.y, b.min.y));
    const glm::vec2 hi(std::min(a.max.x, b.max.x), std::min(a.max.y, b.max.y));
    if (lo.x > hi.x || lo.y > hi.y) {
        return AxisAlignedArea{glm::vec2(0.0f), glm::vec2(0.0f)};
    }
    return AxisAlignedArea{lo, hi};
}

AxisAlignedArea AxisAlignedArea::merged(const AxisAlignedArea& a, const AxisAlignedArea& b) {
    return AxisAlignedArea{glm::vec2(std::min(a.min.x, b.min.x), std::min(a.min.y, b.min.y)),
                           glm::vec2(std::max(a.max.x, b.max.x), std::max(a.max.y, b.max.y))};
}

void AxisAlignedArea::corners(const AxisAlignedArea& a, glm::vec2 out[4]) {
    out[0] = glm::vec2(a.min.x, a.min.y);
    out[1] = glm::vec2(a.max.x, a.min.y);
    out[2] = glm::vec2(a.max.x, a.max.y);
    out[3] = glm::vec2(a.min.x, a.max.y);
}

AxisAlignedArea AxisAlignedArea::rotated_bounds(const AxisAlignedArea& a, glm::vec2 offset, float angle) {
    glm::vec2 c[4];
    corners(a, c);
    const float cs = std::cos(angle);
    const float sn = std::sin(angle);
    AxisAlignedArea out = empty();
    for (const glm::vec2& p : c) {
        expand(out, rotate_sin_cos(p, sn, cs) + offset);
    }
    return out;
}

RayInterval AxisAlignedArea::clip_ray(const AxisAlignedArea& a, const AreaRay& ray) {
    const Slab s = slab_test(a, ray.origin, ray.direction);
    return RayInterval{std::max(0.0f, s.t_near), std::min(ray.max_t, s.t_far)};
}

bool AxisAlignedArea::ray_hit(const AxisAlignedArea& a, glm::vec2 origin, glm::vec2 direction, float max_t) {
    const Slab s = slab_test(a, origin, direction);
    if (s.t_far < 0.0f || s.t_near > max_t) {
        return false;
    }
    return s.t_near <= s.t_far;
}
