#pragma once
// The circle constants in float, defined once for engine, game and tests.

#include <numbers>

inline constexpr float kPi = std::numbers::pi_v<float>;
// Doubling is exact, so this is also the float nearest to 2 pi (6.2831855f).
inline constexpr float kTwoPi = 2.0f * kPi;
