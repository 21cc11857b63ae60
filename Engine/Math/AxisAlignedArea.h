#pragma once
// The engine's rectangle: bounds of sprites and chunks, tree nodes, the camera's visible area, ray slabs.

#include <algorithm>
#include <cstdint>

#include <glm/vec2.hpp>

struct AreaRay {
    glm::vec2 origin{0.0f};
    glm::vec2 direction{0.0f};
    float max_t = 0.0f;
};

// Parameter interval of a ray inside an area; the ray is inside when enter <= exit.
struct RayInterval {
    float enter = 0.0f;
    float exit = 0.0f;
};

struct AxisAlignedArea {
    glm::vec2 min{0.0f};
    glm::vec2 max{0.0f};

    bool operator==(const AxisAlignedArea&) const = default;

    // The identity of merge and expand: min +inf, max -inf.
    static AxisAlignedArea empty();
    static AxisAlignedArea from_points(const glm::vec2* points, int32_t count);
    // Inline, like intersects: every bullet queries the area tree with one each tick.
    static AxisAlignedArea from_corners(glm::vec2 a, glm::vec2 b) {
        return AxisAlignedArea{glm::vec2(std::min(a.x, b.x), std::min(a.y, b.y)),
                               glm::vec2(std::max(a.x, b.x), std::max(a.y, b.y))};
    }
    static AxisAlignedArea around_point(glm::vec2 p, float side);
    static void expand(AxisAlignedArea& area, glm::vec2 p);
    static float area(const AxisAlignedArea& a);
    // Zeros when the areas are apart; areas that only touch give the shared edge as a flat rectangle.
    static AxisAlignedArea intersection(const AxisAlignedArea& a, const AxisAlignedArea& b);
    static AxisAlignedArea merged(const AxisAlignedArea& a, const AxisAlignedArea& b);
    // Counter-clockwise from (min.x, min.y).
    static void corners(const AxisAlignedArea& a, glm::vec2 out[4]);
    // Bounds of the corners rotated about the origin by angle, then moved by offset.
    static AxisAlignedArea rotated_bounds(const AxisAlignedArea& a, glm::vec2 offset, float angle);
    // Strict overlap: areas that only touch do not intersect.
    static bool intersects(const AxisAlignedArea& a, const AxisAlignedArea& b) {
        return a.max.x > b.min.x && b.max.x > a.min.x && a.max.y > b.min.y && b.max.y > a.min.y;
    }
    static RayInterval clip_ray(const AxisAlignedArea& a, const AreaRay& ray);
    static bool ray_hit(const AxisAlignedArea& a, glm::vec2 origin, glm::vec2 direction, float max_t);
};
