#include "Game/Systems/Ai/AiOrbit.h"

#include <cmath>

#include "Engine/Random.h"

glm::vec2 random_orbit_point(glm::vec2 player) {
    const float a = random_float_scaled(kTwoPi);
    return player + glm::vec2(16.0f * std::cos(a), 6.0f * std::sin(a));
}
