#pragma once
// Set by whoever removes cells from an entity's sprite; the sprite commit clears it.

#include <cstdint>

struct SpriteDirtyFlag {
    uint8_t dirty = 0;
};
