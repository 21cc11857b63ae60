#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "Engine/Math/AxisAlignedArea.h"

namespace {

using A = AxisAlignedArea;

A box(float x0, float y0, float x1, float y1) { return A{glm::vec2(x0, y0), glm::vec2(x1, y1)}; }

TEST(AxisAlignedArea, EmptyIsTheIdentityOfMergeAndExpand) {
    const A e = A::from_points(nullptr, 0);
    EXPECT_EQ(e, A::empty());
    EXPECT_TRUE(std::isinf(e.min.x) && e.min.x > 0);
    EXPECT_TRUE(std::isinf(e.max.y) && e.max.y < 0);
    const A b = box(-1, 2, 3, 5);
    EXPECT_EQ(A::merged(e, b), b);
    EXPECT_EQ(A::merged(b, e), b);

    A grown = A::empty();
    A::expand(grown, {2, -1});
    EXPECT_EQ(grown, box(2, -1, 2, -1));
    const glm::vec2 pts[] = {{1, 4}, {-2, 0}, {3, 1}};
    EXPECT_EQ(A::from_points(pts, 3), box(-2, 0, 3, 4));
}

TEST(AxisAlignedArea, ConstructionHelpers) {
    EXPECT_EQ(A::from_corners({3, -1}, {-2, 4}), box(-2, -1, 3, 4));
    EXPECT_EQ(A::around_point({1, 1}, 4), box(-1, -1, 3, 3));
    EXPECT_FLOAT_EQ(A::area(box(-1, 0, 3, 2)), 8.0f);
    glm::vec2 c[4];
    A::corners(box(0, 1, 2, 3), c);
    EXPECT_EQ(c[0], glm::vec2(0, 1));
    EXPECT_EQ(c[1], glm::vec2(2, 1));
    EXPECT_EQ(c[2], glm::vec2(2, 3));
    EXPECT_EQ(c[3], glm::vec2(0, 3));
}

struct OverlapCase {
    A a, b;
    bool intersects;
    A intersection;
};

class Overlap : public testing::TestWithParam<OverlapCase> {};

TEST_P(Overlap, StrictIntersectsAndIntersection) {
    const OverlapCase& c = GetParam();
    EXPECT_EQ(A::intersects(c.a, c.b), c.intersects);
    EXPECT_EQ(A::intersects(c.b, c.a), c.intersects);
    EXPECT_EQ(A::intersection(c.a, c.b), c.intersection);
}

INSTANTIATE_TEST_SUITE_P(Table, Overlap,
                         testing::Values(
                             // Overlapping: the shared part.
                             OverlapCase{box(0, 0, 2, 2), box(1, 1, 3, 3), true, box(1, 1, 2, 2)},
                             // One inside the other.
                             OverlapCase{box(0, 0, 4, 4), box(1, 1, 2, 3), true, box(1, 1, 2, 3)},
                             // Sharing the edge x = 2: no overlap, the intersection is the edge itself.
                             OverlapCase{box(0, 0, 2, 2), box(2, 0, 4, 2), false, box(2, 0, 2, 2)},
                             // Sharing the edge y = 2 partly.
                             OverlapCase{box(0, 0, 2, 2), box(1, 2, 3, 3), false, box(1, 2, 2, 2)},
                             // Touching at a corner only.
                             OverlapCase{box(0, 0, 1, 1), box(1, 1, 2, 2), false, box(1, 1, 1, 1)},
                             // Apart: all zeros.
                             OverlapCase{box(0, 0, 1, 1), box(3, 0, 4, 1), false, box(0, 0, 0, 0)},
                             OverlapCase{box(0, 0, 1, 1), box(0, 1.5f, 1, 2), false, box(0, 0, 0, 0)}));

TEST(AxisAlignedArea, RotatedBoundsOfAQuarterTurn) {
    const A r = A::rotated_bounds(box(-1, -1, 1, 1), {5, 0}, 1.5707964f);
    EXPECT_NEAR(r.min.x, 4.0f, 1e-6f);
    EXPECT_NEAR(r.min.y, -1.0f, 1e-6f);
    EXPECT_NEAR(r.max.x, 6.0f, 1e-6f);
    EXPECT_NEAR(r.max.y, 1.0f, 1e-6f);
    // A 2 by 1 box turned by 45 degrees: corners at distance sqrt(1.25) reach |x| = 1.5 / sqrt(2).
    const A d = A::rotated_bounds(box(-1, -0.5f, 1, 0.5f), {0, 0}, 0.78539816f);
    const float reach = 1.5f / std::sqrt(2.0f);
    EXPECT_NEAR(d.max.x, reach, 1e-6f);
    EXPECT_NEAR(d.min.x, -reach, 1e-6f);
    EXPECT_NEAR(d.max.y, reach, 1e-6f);
    EXPECT_NEAR(d.min.y, -reach, 1e-6f);
}

struct RayCase {
    const char* name;
    A area;
    glm::vec2 origin, direction;
    float max_t;
    bool hit;
    float enter, exit;
};

class Rays : public testing::TestWithParam<RayCase> {};

TEST_P(Rays, ClipAndHit) {
    const RayCase& c = GetParam();
    EXPECT_EQ(A::ray_hit(c.area, c.origin, c.direction, c.max_t), c.hit);
    const RayInterval clip = A::clip_ray(c.area, AreaRay{c.origin, c.direction, c.max_t});
    EXPECT_FLOAT_EQ(clip.enter, c.enter);
    EXPECT_FLOAT_EQ(clip.exit, c.exit);
    EXPECT_EQ(clip.enter <= clip.exit, c.hit);
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Table, Rays,
                         testing::Values(
                             // Along +x through a box from 2 to 4: t counts multiples of the direction (length 2).
                             RayCase{"through", box(2, -1, 4, 1), {0, 0}, {2, 0}, 10, true, 1, 2},
                             // Same ray cut short before the box.
                             RayCase{"short", box(2, -1, 4, 1), {0, 0}, {2, 0}, 0.5f, false, 1, 0.5f},
                             // Starting inside: enter is 0, any max t >= 0 hits.
                             RayCase{"inside", box(-1, -1, 1, 1), {0, 0}, {1, 1}, 0, true, 0, 0},
                             RayCase{"inside_long", box(-1, -1, 1, 1), {0, 0}, {1, 1}, 5, true, 0, 1},
                             // Pointing away: t far < 0.
                             RayCase{"away", box(2, -1, 4, 1), {0, 0}, {-1, 0}, 10, false, 0, -2},
                             // Passing above the box.
                             RayCase{"above", box(2, -1, 4, 1), {0, 2}, {1, 0}, 10, false, 2, -kInf},
                             // Diagonal into the corner region, clipped by the y slab first.
                             RayCase{"diagonal", box(1, 2, 3, 3), {0, 0}, {1, 1}, 10, true, 2, 3},
                             // Vertical ray with a zero x component inside the x slab.
                             RayCase{"vertical", box(-1, 2, 1, 4), {0, 0}, {0, 1}, 10, true, 2, 4}),
                         [](const testing::TestParamInfo<RayCase>& info) { return std::string(info.param.name); });

} // namespace
