#include "Engine/Math/Vector.h"

#include <cmath>
#include <limits>

float angle_of(glm::vec2 v) { return std::atan2(v.y, v.x); }

glm::vec2 direction_from_angle(float angle) { return {std::cos(angle), std::sin(angle)}; }

glm::vec2 clamp_length(glm::vec2 v, float max) {
    float length = std::sqrt(length_squared(v));
    return length > max ? v / length * max : v;
}

float clamp(float value, float lo, float hi) {
    if (lo > value) {
        return lo;
    }
    if (value > hi) {
        return hi;
    }
    return value;
}

float damp_float(float value, float k, float dt) { return value * clamp(1.0f - k * dt, 0.0f, 1.0f); }

glm::vec2 damp_vec2(glm::vec2 v, float k, float dt) { return v * clamp(1.0f - k * dt, 0.0f, 1.0f); }

float lerp_clamped_float(float a, float b, float t) { return a + (b - a) * clamp(t, 0.0f, 1.0f); }

glm::vec2 lerp_clamped(glm::vec2 a, glm::vec2 b, float t) { return a + (b - a) * clamp(t, 0.0f, 1.0f); }

glm::vec4 lerp_clamped_vec4(glm::vec4 a, glm::vec4 b, float t) { return a + (b - a) * clamp(t, 0.0f, 1.0f); }

float polyline_length(const std::vector<glm::vec2>& points) {
    float length = 0.0f;
    for (size_t i = 1; i < points.size(); ++i) {
        length += glm::length(points[i] - points[i - 1]);
    }
    return length;
}

glm::vec2 polyline_sample(const std::vector<glm::vec2>& points, float t) {
    if (points.empty()) {
        return {0.0f, 0.0f};
    }
    if (points.size() == 1) {
        return points[0];
    }
    size_t n = points.size();
    float s = static_cast<float>(n - 1) * clamp(t, 0.0f, 1.0f);
    size_t i = static_cast<size_t>(s);
    if (i >= n - 1) {
        return points[n - 1];
    }
    float f = s - static_cast<float>(i);
    return points[i] + (points[i + 1] - points[i]) * f;
}

glm::vec2 average_point(const glm::vec2* points, int32_t n) {
    glm::vec2 sum{0.0f};
    for (int32_t i = 0; i < n; ++i) {
        sum += points[i];
    }
    return sum / static_cast<float>(n);
}

glm::vec2 turn_towards(glm::vec2 current, glm::vec2 target, float rate) {
    glm::vec2 c = normalize_or_zero(current);
    glm::vec2 t = normalize_or_zero(target);
    float length = std::sqrt(length_squared(current));
    glm::vec2 d = current + (t - c) * rate;
    if (length_squared(d) == 0.0f) {
        return d * length;
    }
    return normalize_or_zero(d) * length;
}

float infinity() { return std::numeric_limits<float>::infinity(); }

int32_t edge_index_last_row(int32_t x, int32_t, int32_t n) { return x + (n - 1) * n; }
int32_t edge_index_last_column(int32_t, int32_t y, int32_t n) { return (y + 1) * n - 1; }
int32_t edge_index_first_column(int32_t, int32_t y, int32_t n) { return y * n; }
int32_t edge_index_first_row(int32_t x, int32_t, int32_t) { return x; }
