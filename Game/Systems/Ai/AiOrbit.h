#pragma once
// The loose orbit of the large enemies around the player: a random point of a wide, flat ellipse.

#include <glm/vec2.hpp>

inline constexpr float kOrbitPeriod = 25.0f;
inline constexpr float kOrbitRetargetDistance = 20.0f;

// player + (16 cos a, 6 sin a) for one random angle a.
glm::vec2 random_orbit_point(glm::vec2 player);
