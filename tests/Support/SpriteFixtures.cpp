#include "SpriteFixtures.h"

#include "Engine/DestructibleSprite/Cell.h"

namespace test_support {

OwnedChunk::OwnedChunk(int32_t index, glm::ivec2 origin) : colours(1024, 0), flags(1024, 0) {
    chunk.index = index;
    chunk.origin = origin;
    chunk.colours = colours;
    chunk.flags = flags;
}

void OwnedChunk::set(int32_t x, int32_t y, uint16_t value) {
    const size_t i = static_cast<size_t>(y * 32 + x);
    if (cell_active(flags[i])) {
        chunk.active -= 1;
    }
    flags[i] = value;
    colours[i] = 0xFF000000u | static_cast<uint32_t>(x) | (static_cast<uint32_t>(y) << 8);
    if (cell_active(value)) {
        chunk.active += 1;
    }
}

void OwnedChunk::fill(uint16_t value) {
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            set(x, y, value);
        }
    }
}

uint16_t flags_of_art(char c) {
    switch (c) {
    case '#':
        return static_cast<uint16_t>(CellType::Filled);
    case 'C':
        return static_cast<uint16_t>(CellType::Core);
    case 'W':
        return static_cast<uint16_t>(CellType::Weakpoint1);
    case 'J':
        return static_cast<uint16_t>(CellType::Joint1);
    case 'x':
        return static_cast<uint16_t>(CellType::Filled) | kCellRemovedBit;
    default:
        return 0;
    }
}

}  // namespace test_support
