#pragma once
// Every random decision of the simulation draws from one global MT19937, in a fixed order, so a replay
// that reseeds it reproduces them. Main thread only.

#include <cstdint>
#include <random>

#include <glm/vec2.hpp>

#include "Engine/Math/Constants.h"

inline constexpr int32_t kRandomDrawMax = 2147483647;

// The generator itself, seeded with the standard default 5489 at start-up.
std::mt19937& random_generator();

void random_seed(uint32_t seed);

// Draws that happen once per rendered frame rather than per tick (editor previews) come from this generator, so
// freezing, stepping or replaying the simulation sees the same global sequence whatever the editor shows.
std::mt19937& cosmetic_random_generator();

// While it lives, the helpers below draw from `other` instead of the global generator, which keeps its state.
class ScopedRandomGenerator {
public:
    explicit ScopedRandomGenerator(std::mt19937& other);
    ~ScopedRandomGenerator();
    ScopedRandomGenerator(const ScopedRandomGenerator&) = delete;
    ScopedRandomGenerator& operator=(const ScopedRandomGenerator&) = delete;

private:
    std::mt19937* m_other;
};
// Uniform in [0, 2147483647]: the next 32-bit output shifted right by one.
int32_t random_draw();
// Uniform in [0, 1]; 1 itself can come out.
float random_float();
float random_signed_unit();
float random_float_scaled(float a);
float random_signed(float a);
float random_range(float a, float b);
bool random_chance(float p);
// In [0, |n| - 1]; 0 without a draw when n is 0.
int32_t random_int(int32_t n);
// In [min(a, b), max(a, b) - 1]; a without a draw when a equals b.
int32_t random_int_range(int32_t a, int32_t b);
// y is drawn before x in every vector helper.
glm::vec2 random_vec2_in_box(float w, float h);
glm::vec2 random_vec2_in_unit_box();
glm::vec2 random_vec2_in_extent(glm::vec2 extent);
glm::vec2 random_vec2_in_span(glm::vec2 origin, glm::vec2 size);
glm::vec2 random_vec2_in_rect(glm::vec2 a, glm::vec2 b);
glm::vec2 random_on_circle(float radius);
// Uniform in length, so denser towards the centre.
glm::vec2 random_in_disc(float radius);
glm::vec2 random_in_disc_radius_range(float r0, float r1);
// A point in the frame between half extents (w, h) and (w + tx, h + ty) around the origin.
glm::vec2 random_on_rect_border(float w, float h, float tx, float ty);
