#include <gtest/gtest.h>

#include <cmath>

#include "Engine/Math/Constants.h"
#include "Engine/Math/Vector.h"

namespace {

void expect_vec2(glm::vec2 actual, glm::vec2 expected, float eps = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
}

struct RotateCase {
    glm::vec2 v;
    float angle;
    glm::vec2 expected;
};

TEST(Vector, RotateTable) {
    const RotateCase cases[] = {
        {{1, 0}, kPi / 2, {0, 1}},
        {{1, 0}, kPi, {-1, 0}},
        {{2, 1}, -kPi / 2, {1, -2}},
        {{3, 4}, 0, {3, 4}},
        {{1, 1}, kPi / 4, {0, std::sqrt(2.0f)}},
    };
    for (const auto& c : cases) {
        expect_vec2(rotate(c.v, c.angle), c.expected);
        expect_vec2(rotate_sin_cos(c.v, std::sin(c.angle), std::cos(c.angle)), c.expected);
    }
    // (a - b) * s = (2, 1) * (1, 2) = (2, 2), a quarter turn gives (-2, 2).
    expect_vec2(rotate_scaled_offset({3, 2}, {1, 1}, {1, 2}, kPi / 2), {-2, 2});
}

TEST(Vector, CrossAndPointVelocity) {
    EXPECT_FLOAT_EQ(cross({1, 0}, {0, 1}), 1.0f);
    EXPECT_FLOAT_EQ(cross({2, 3}, {4, 5}), 2 * 5 - 3 * 4);
    expect_vec2(cross_scalar(2, {1, 3}), {-6, 2});
    // u = (1, 2), w = 3, p - c = (1, -1): (1 + 3, 2 + 3).
    expect_vec2(point_velocity({1, 2}, 3, {1, 1}, {2, 0}), {4, 5});
    EXPECT_FLOAT_EQ(angle_of({0, 2}), kPi / 2);
    expect_vec2(direction_from_angle(kPi), {-1, 0});
}

TEST(Vector, NormalizeAndClampLength) {
    expect_vec2(normalize_or_zero({3, 4}), {0.6f, 0.8f});
    expect_vec2(normalize_or_zero({0, 0}), {0, 0});
    VectorWithLength n = normalize_with_length({0, -5});
    expect_vec2(n.vector, {0, -1});
    EXPECT_FLOAT_EQ(n.length, 5.0f);
    VectorWithLength zero = normalize_with_length({0, 0});
    EXPECT_EQ(zero.length, 0.0f);
    expect_vec2(zero.vector, {0, 0});
    expect_vec2(clamp_length({3, 4}, 5), {3, 4});
    expect_vec2(clamp_length({3, 4}, 1), {0.6f, 0.8f});
    EXPECT_FLOAT_EQ(length_squared({3, 4}), 25.0f);
}

struct DampCase {
    float value, k, dt, expected;
};

TEST(Vector, ClampDampLerpTable) {
    EXPECT_EQ(clamp(-1, 0, 2), 0);
    EXPECT_EQ(clamp(3, 0, 2), 2);
    EXPECT_EQ(clamp(1.5f, 0, 2), 1.5f);
    const DampCase damp[] = {
        {10, 2, 0.25f, 5}, // 1 - k dt = 0.5
        {10, 4, 0.25f, 0}, // k dt = 1
        {10, 8, 0.25f, 0}, // k dt > 1
        {10, 0, 1, 10},    // no damping
        {10, -1, 1, 10},   // negative k dt keeps the value
    };
    for (const auto& c : damp) {
        EXPECT_FLOAT_EQ(damp_float(c.value, c.k, c.dt), c.expected);
        expect_vec2(damp_vec2({c.value, -c.value}, c.k, c.dt), {c.expected, -c.expected});
    }
    EXPECT_FLOAT_EQ(lerp_clamped_float(2, 4, 0.25f), 2.5f);
    EXPECT_FLOAT_EQ(lerp_clamped_float(2, 4, 2), 4);
    EXPECT_FLOAT_EQ(lerp_clamped_float(2, 4, -1), 2);
    expect_vec2(lerp_clamped({0, 0}, {2, 4}, 0.5f), {1, 2});
    glm::vec4 c = lerp_clamped_vec4({0, 0, 0, 0}, {1, 2, 3, 4}, 0.5f);
    EXPECT_FLOAT_EQ(c.w, 2.0f);
    EXPECT_FLOAT_EQ(c.y, 1.0f);
}

TEST(Vector, IntegratePositionAngleTurnsAboutPivot) {
    // The point (2, 0) moves by (0, 0) and then turns a quarter about the pivot (1, 0): (1, 1).
    PositionAngle r = integrate_position_angle({1, 0}, {2, 0}, 0.5f, {0, 0}, kPi / 2, 1.0f);
    expect_vec2(r.position, {1, 1});
    EXPECT_FLOAT_EQ(r.angle, 0.5f + kPi / 2);
    // Without rotation: plain v dt.
    PositionAngle m = integrate_position_angle({0, 0}, {1, 1}, 0, {2, -4}, 0, 0.5f);
    expect_vec2(m.position, {2, -1});
    // Moving and turning: the offset (1, 0) from the pivot turns to (0, 1), the move (0, 3) is not turned with it,
    // so the point lands at (1, 0) + (0, 3) + (0, 1).
    PositionAngle both = integrate_position_angle({1, 0}, {2, 0}, 0, {0, 3}, kPi / 2, 1.0f);
    expect_vec2(both.position, {1, 4});
}

TEST(Vector, CirclesOverlapIsStrict) {
    EXPECT_FALSE(circles_overlap({0, 0}, 1, {2, 0}, 1));
    EXPECT_TRUE(circles_overlap({0, 0}, 1, {1.9f, 0}, 1));
    EXPECT_FALSE(circles_overlap({0, 0}, 1, {3, 3}, 1));
}

TEST(Vector, Polylines) {
    std::vector<glm::vec2> none;
    std::vector<glm::vec2> one{{5, 5}};
    std::vector<glm::vec2> three{{0, 0}, {3, 4}, {3, 10}};
    EXPECT_EQ(polyline_length(none), 0.0f);
    EXPECT_EQ(polyline_length(one), 0.0f);
    EXPECT_FLOAT_EQ(polyline_length(three), 11.0f);
    expect_vec2(polyline_sample(none, 0.5f), {0, 0});
    expect_vec2(polyline_sample(one, 0.5f), {5, 5});
    expect_vec2(polyline_sample(three, 0.5f), {3, 4});
    expect_vec2(polyline_sample(three, 2.0f), {3, 10});
    expect_vec2(polyline_sample(three, 0.25f), {1.5f, 2});
    expect_vec2(polyline_sample(three, 0.75f), {3, 7});
    glm::vec2 pts[] = {{0, 0}, {2, 0}, {4, 6}};
    expect_vec2(average_point(pts, 3), {2, 2});
}

TEST(Vector, TurnTowardsKeepsLength) {
    // c = (1, 0), t = (0, 1); d = (2, 0) + (-1, 1) * 0.5 = (1.5, 0.5), rescaled to length 2.
    glm::vec2 r = turn_towards({2, 0}, {0, 3}, 0.5f);
    EXPECT_NEAR(glm::length(r), 2.0f, 1e-5f);
    expect_vec2(r, glm::normalize(glm::vec2(1.5f, 0.5f)) * 2.0f);
    expect_vec2(turn_towards({0, 0}, {1, 0}, 1.0f), {0, 0});
}

TEST(Vector, EdgeIndices) {
    EXPECT_EQ(edge_index_last_row(3, 0, 32), 3 + 31 * 32);
    EXPECT_EQ(edge_index_last_column(0, 5, 32), 6 * 32 - 1);
    EXPECT_EQ(edge_index_first_column(31, 5, 32), 5 * 32);
    EXPECT_EQ(edge_index_first_row(7, 31, 32), 7);
    EXPECT_TRUE(std::isinf(infinity()));
    EXPECT_GT(infinity(), 0.0f);
}

} // namespace
