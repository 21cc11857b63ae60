#include <gtest/gtest.h>

#include <cmath>

#include "Engine/Math/Constants.h"
#include "Engine/Math/Transform.h"

namespace {

void expect_vec2(glm::vec2 actual, glm::vec2 expected, float eps = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
}

struct WorldCase {
    Transform t;
    glm::vec2 local;
    glm::vec2 world;
};

TEST(Transform, ToWorldAndBackTable) {
    const WorldCase cases[] = {
        {{{0, 0}, {1, 1}, 0, 0}, {1, 1}, {1, 1}},
        {{{5, -2}, {1, 1}, 0, 0}, {1, 1}, {6, -1}},
        {{{0, 0}, {2, 3}, 0, 0}, {1, 1}, {2, 3}},
        {{{1, 1}, {2, 1}, kPi / 2, 0}, {1, 0}, {1, 3}}, // (2, 0) turned a quarter is (0, 2)
        {{{0, 0}, {1, 2}, kPi, 0}, {0.5f, 0.5f}, {-0.5f, -1}},
    };
    for (const auto& c : cases) {
        expect_vec2(c.t.to_world(c.local), c.world);
        expect_vec2(c.t.to_local(c.world), c.local);
        expect_vec2(c.t.to_local(c.t.to_world({0.3f, -0.7f})), {0.3f, -0.7f});
    }
}

TEST(Transform, CornersInOrder) {
    Transform t{{0, 0}, {2, 1}, 0, 0};
    glm::vec2 c[4];
    t.corners(c);
    expect_vec2(c[0], {2, 1});
    expect_vec2(c[1], {2, -1});
    expect_vec2(c[2], {-2, -1});
    expect_vec2(c[3], {-2, 1});

    Transform turned{{10, 0}, {2, 1}, kPi / 2, 0};
    turned.corners(c);
    expect_vec2(c[0], {9, 2});
    expect_vec2(c[1], {11, 2});
    expect_vec2(c[2], {11, -2});
    expect_vec2(c[3], {9, -2});
}

TEST(Transform, BoundsOfTheCorners) {
    AxisAlignedArea plain = Transform{{1, 2}, {2, 1}, 0, 0}.bounds();
    expect_vec2(plain.min, {-1, 1});
    expect_vec2(plain.max, {3, 3});
    // An eighth turn of the unit square reaches sqrt(2) on both axes.
    AxisAlignedArea turned = Transform{{0, 0}, {1, 1}, kPi / 4, 0}.bounds();
    expect_vec2(turned.min, {-std::sqrt(2.0f), -std::sqrt(2.0f)});
    expect_vec2(turned.max, {std::sqrt(2.0f), std::sqrt(2.0f)});
}

TEST(Transform, MatrixMatchesToWorld) {
    Transform t{{3, -1}, {2, 0.5f}, 0.7f, 0.25f};
    glm::mat4 m = t.to_matrix();
    for (glm::vec2 p : {glm::vec2(0, 0), glm::vec2(1, -1), glm::vec2(-0.5f, 2)}) {
        glm::vec4 w = m * glm::vec4(p, 0, 1);
        expect_vec2(glm::vec2(w), t.to_world(p));
        EXPECT_FLOAT_EQ(w.z, 0.25f);
        EXPECT_FLOAT_EQ(w.w, 1.0f);
    }
}

TEST(Transform, CombinePlacesChildInParentFrame) {
    Transform parent{{1, 2}, {2, 3}, kPi / 2, 0.5f};
    Transform child{{1, 1}, {0.5f, 0.25f}, 0.1f, 0.25f};
    Transform c = Transform::combine(parent, child);
    // child.position * parent.scale = (2, 3); a quarter turn gives (-3, 2).
    expect_vec2(c.position, {-2, 4});
    expect_vec2(c.scale, {1, 0.75f});
    EXPECT_FLOAT_EQ(c.angle, kPi / 2 + 0.1f);
    EXPECT_FLOAT_EQ(c.z, 0.75f);
    // For an unrotated child (a chunk inside its sprite) the combination maps a point like the child then the parent.
    Transform chunk{{0.5f, -0.5f}, {0.5f, 0.5f}, 0, 0};
    glm::vec2 p{0.3f, -0.4f};
    expect_vec2(Transform::combine(parent, chunk).to_world(p), parent.to_world(chunk.to_world(p)));
}

TEST(Transform, IntegrateKeepsScaleAndDepth) {
    Transform t{{2, 0}, {3, 4}, 0.25f, 1.5f};
    Transform moved = t.integrate({1, 0}, {0, 0}, kPi / 2, 1.0f);
    expect_vec2(moved.position, {1, 1});
    EXPECT_FLOAT_EQ(moved.angle, 0.25f + kPi / 2);
    expect_vec2(moved.scale, {3, 4});
    EXPECT_FLOAT_EQ(moved.z, 1.5f);
    Transform d;
    expect_vec2(d.scale, {1, 1});
    expect_vec2(d.position, {0, 0});
}

} // namespace
