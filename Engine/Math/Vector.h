#pragma once
// 2D vector and scalar helpers shared by physics, rendering, AI and input. Angles are radians, counter-clockwise.

#include <cmath>
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

struct VectorWithLength {
    glm::vec2 vector{0.0f};
    float length = 0.0f;
};

float angle_of(glm::vec2 v);
glm::vec2 direction_from_angle(float angle);
// The small helpers below are inline: collision and bullet walks call them per sub-step and per cell.
inline glm::vec2 rotate_sin_cos(glm::vec2 v, float s, float c) { return {v.x * c - v.y * s, v.x * s + v.y * c}; }
inline glm::vec2 rotate(glm::vec2 v, float angle) { return rotate_sin_cos(v, std::sin(angle), std::cos(angle)); }
// rotate((a - b) * s, angle): joint anchors and contact points.
inline glm::vec2 rotate_scaled_offset(glm::vec2 a, glm::vec2 b, glm::vec2 s, float angle) {
    return rotate((a - b) * s, angle);
}
inline float cross(glm::vec2 a, glm::vec2 b) { return a.x * b.y - a.y * b.x; }
// The velocity of a rotation w at offset v.
inline glm::vec2 cross_scalar(float w, glm::vec2 v) { return {-w * v.y, w * v.x}; }
inline glm::vec2 point_velocity(glm::vec2 u, float w, glm::vec2 c, glm::vec2 p) {
    return {u.x - w * (p.y - c.y), u.y + w * (p.x - c.x)};
}
inline float length_squared(glm::vec2 v) { return v.x * v.x + v.y * v.y; }
// Zero-length vectors come back unchanged, so callers never divide by zero.
inline glm::vec2 normalize_or_zero(glm::vec2 v) {
    const float length = std::sqrt(length_squared(v));
    return length == 0.0f ? v : v / length;
}
inline VectorWithLength normalize_with_length(glm::vec2 v) {
    const float length = std::sqrt(length_squared(v));
    if (length == 0.0f) {
        return {v, 0.0f};
    }
    return {v / length, length};
}
glm::vec2 clamp_length(glm::vec2 v, float max);
float clamp(float value, float lo, float hi);
float damp_float(float value, float k, float dt);
glm::vec2 damp_vec2(glm::vec2 v, float k, float dt);
float lerp_clamped_float(float a, float b, float t);
glm::vec2 lerp_clamped(glm::vec2 a, glm::vec2 b, float t);
glm::vec4 lerp_clamped_vec4(glm::vec4 a, glm::vec4 b, float t);

struct PositionAngle {
    glm::vec2 position{0.0f};
    float angle = 0.0f;
};
// Turns the point about the pivot (the centre of mass) by the angle the body turns, and moves it by the velocity.
// The translation is not turned: the centre of mass travels along the velocity however fast the body spins.
inline PositionAngle integrate_position_angle(glm::vec2 pivot, glm::vec2 position, float angle, glm::vec2 velocity,
                                              float w, float dt) {
    return {pivot + velocity * dt + rotate(position - pivot, w * dt), angle + w * dt};
}

// Strict: circles that just touch do not overlap.
inline bool circles_overlap(glm::vec2 c1, float r1, glm::vec2 c2, float r2) {
    const float r = r1 + r2;
    return r * r > length_squared(c2 - c1);
}
float polyline_length(const std::vector<glm::vec2>& points);
// t spaces the points evenly by index, not by length.
glm::vec2 polyline_sample(const std::vector<glm::vec2>& points, float t);
glm::vec2 average_point(const glm::vec2* points, int32_t n);
// Turns current towards target by rate, keeping the length of current.
glm::vec2 turn_towards(glm::vec2 current, glm::vec2 target, float rate);
float infinity();

// Row-major index of the neighbour cell across a border of an n x n chunk.
int32_t edge_index_last_row(int32_t x, int32_t y, int32_t n);
int32_t edge_index_last_column(int32_t x, int32_t y, int32_t n);
int32_t edge_index_first_column(int32_t x, int32_t y, int32_t n);
int32_t edge_index_first_row(int32_t x, int32_t y, int32_t n);
