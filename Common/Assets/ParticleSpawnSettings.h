#pragma once
// One emission of particles: eighteen ranges sampled per particle, in this order.

#include <cstdint>

#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "Common/Assets/Range.h"

struct ParticleSpawnSettings {
    Range<glm::vec2> position;
    Range<float> z;
    Range<float> angle;
    Range<glm::vec2> angle_xy;
    Range<glm::vec2> velocity;
    Range<float> velocity_z;
    Range<float> damping;
    Range<float> angular_velocity;
    Range<glm::vec2> angular_velocity_xy;
    Range<float> angular_damping;
    Range<float> life;
    Range<glm::vec2> initial_scale;
    Range<glm::vec2> final_scale;
    // Exponents of the interpolations: 1 is linear.
    Range<float> factor_scale{true, 1.0f, 0.0f};
    Range<glm::vec4> initial_color;
    Range<glm::vec4> final_color;
    Range<float> factor_color{true, 1.0f, 0.0f};
    Range<int32_t> number_to_spawn{true, 1, 0};
};
