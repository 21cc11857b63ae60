#pragma once
// Small hand-made sprite data for the destructible sprite tests.

#include <cstdint>
#include <string>
#include <vector>

#include "Engine/DestructibleSprite/SpriteChunk.h"

namespace test_support {

// A chunk record with cell storage of its own (the pool normally provides it).
struct OwnedChunk {
    std::vector<uint32_t> colours;
    std::vector<uint16_t> flags;
    SpriteChunk chunk;

    OwnedChunk(int32_t index, glm::ivec2 origin);
    OwnedChunk(const OwnedChunk&) = delete;
    OwnedChunk& operator=(const OwnedChunk&) = delete;

    // Sets the cell's type (and a colour made from its position) and counts it when active.
    void set(int32_t x, int32_t y, uint16_t flags_value);
    void fill(uint16_t flags_value);
};

// Cell art: one string per row, top row first; '.' empty, '#' Filled, 'C' Core, 'W' Weakpoint1,
// 'J' Joint1, 'x' a removed Filled cell.
uint16_t flags_of_art(char c);

}  // namespace test_support
