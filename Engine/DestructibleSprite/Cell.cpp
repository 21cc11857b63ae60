#include "Engine/DestructibleSprite/Cell.h"

#include <array>

std::string_view cell_type_name(uint32_t type) {
    static constexpr std::array<std::string_view, kCellTypeCount> names = {
        "Empty",      "Filled", "Core",   "Weakpoint1", "Weakpoint2", "Weakpoint3",
        "Weakpoint4", "Joint1", "Joint2", "Joint3",     "Joint4",
    };
    return type < names.size() ? names[type] : std::string_view("Unknown");
}
