#pragma once
// One cell of a destructible sprite: an RGBA8 colour and a 16-bit flags word (Common/Assets/CellFlags.h).

#include <cstdint>
#include <string_view>

#include "Common/Assets/CellFlags.h"

// The names the inspector shows; "Unknown" for values outside the table.
std::string_view cell_type_name(uint32_t type);

// A cell with its colour in global cell coordinates of a sprite (debris, cell listings).
struct DebrisCell {
    int32_t x;
    int32_t y;
    uint32_t color;
};
