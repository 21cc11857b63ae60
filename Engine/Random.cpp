#include "Engine/Random.h"

#include "Engine/Math/Vector.h"

namespace {
std::mt19937 g_generator{5489u};

float outwards(float v, float by) { return v > 0 ? v + by : v - by; }
} // namespace

std::mt19937& random_generator() { return g_generator; }

std::mt19937& cosmetic_random_generator() {
    static std::mt19937 generator;
    return generator;
}

// Swapping the states (a few kilobytes) leaves every helper untouched and costs nothing per draw.
ScopedRandomGenerator::ScopedRandomGenerator(std::mt19937& other) : m_other(&other) { std::swap(g_generator, other); }

ScopedRandomGenerator::~ScopedRandomGenerator() { std::swap(g_generator, *m_other); }

void random_seed(uint32_t seed) { g_generator.seed(seed); }

int32_t random_draw() { return static_cast<int32_t>(g_generator() >> 1); }

float random_float() { return static_cast<float>(random_draw()) / static_cast<float>(kRandomDrawMax); }

float random_signed_unit() { return 2.0f * random_float() - 1.0f; }

float random_float_scaled(float a) { return random_float() * a; }

float random_signed(float a) { return random_float() * (2.0f * a) - a; }

float random_range(float a, float b) { return random_float() * (b - a) + a; }

bool random_chance(float p) { return p > random_float(); }

int32_t random_int(int32_t n) {
    if (n == 0) {
        return 0;
    }
    // The draw is never negative, so the remainder is in [0, |n| - 1] (widened for n = INT32_MIN).
    return static_cast<int32_t>(int64_t{random_draw()} % int64_t{n});
}

int32_t random_int_range(int32_t a, int32_t b) {
    if (a == b) {
        return a;
    }
    // Reversed bounds pick from the same half-open span; 64 bits keep the width from overflowing.
    const int64_t lo = a < b ? a : b;
    const int64_t width = a < b ? int64_t{b} - a : int64_t{a} - b;
    return static_cast<int32_t>(lo + int64_t{random_draw()} % width);
}

glm::vec2 random_vec2_in_box(float w, float h) {
    const float y = random_float() * (2.0f * h) - h;
    const float x = random_float() * (2.0f * w) - w;
    return glm::vec2(x, y);
}

glm::vec2 random_vec2_in_unit_box() { return random_vec2_in_box(1.0f, 1.0f); }

glm::vec2 random_vec2_in_extent(glm::vec2 extent) { return random_vec2_in_box(extent.x, extent.y); }

glm::vec2 random_vec2_in_span(glm::vec2 origin, glm::vec2 size) {
    const float y = random_float() * size.y + origin.y;
    const float x = random_float() * size.x + origin.x;
    return glm::vec2(x, y);
}

glm::vec2 random_vec2_in_rect(glm::vec2 a, glm::vec2 b) { return random_vec2_in_span(a, b - a); }

glm::vec2 random_on_circle(float radius) {
    const float angle = random_float() * kTwoPi;
    return radius * direction_from_angle(angle);
}

glm::vec2 random_in_disc(float radius) {
    const float length = random_float() * radius;
    const float angle = random_float() * kTwoPi;
    return length * direction_from_angle(angle);
}

glm::vec2 random_in_disc_radius_range(float r0, float r1) {
    const float length = random_float() * (r1 - r0) + r0;
    const float angle = random_float() * kTwoPi;
    return length * direction_from_angle(angle);
}

glm::vec2 random_on_rect_border(float w, float h, float tx, float ty) {
    const float a = 2.0f * w * ty;
    const float b = a + 2.0f * h * tx;
    const float total = b + tx * ty;
    const float s = random_float() * total;
    glm::vec2 p;
    if (a > s) {
        p = random_vec2_in_box(w, ty);
        p.y = outwards(p.y, h);
    } else if (b > s) {
        p = random_vec2_in_box(tx, h);
        p.x = outwards(p.x, w);
    } else {
        p = random_vec2_in_box(tx, ty);
        p.x = outwards(p.x, w);
        p.y = outwards(p.y, h);
    }
    return p;
}
