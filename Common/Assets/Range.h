#pragma once
// A value that is either fixed or drawn uniformly between two bounds.

#include <cstdint>

#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

template <typename T>
struct Range {
    // When set, min_or_value is the value and max is ignored.
    bool single = true;
    T min_or_value = T(0);
    T max = T(0);
};

using RangeF32 = Range<float>;
using RangeVec2 = Range<glm::vec2>;
using RangeVec4 = Range<glm::vec4>;
using RangeI32 = Range<int32_t>;
