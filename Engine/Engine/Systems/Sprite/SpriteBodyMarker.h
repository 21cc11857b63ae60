#pragma once
// One byte that every creator of a bomb, rock or snake head sets to 1; it only takes part in list masks.

#include <cstdint>

struct SpriteBodyMarker {
    uint8_t value = 0;
};
