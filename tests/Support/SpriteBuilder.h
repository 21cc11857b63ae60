#pragma once
// Builds destructible sprites for tests from a cell-type function over global cell coordinates.

#include <cstdint>
#include <functional>

#include <glm/glm.hpp>

#include "Engine/DestructibleSprite/Sprite.h"

class SpriteChunkPool;

namespace test_support {

// Cell type (0 = empty) at global cell (x, y).
using CellTypeAt = std::function<uint32_t(int32_t x, int32_t y)>;

// The colour every built cell gets: its own coordinates, so a test can tell cells apart.
inline uint32_t cell_color_of(int32_t x, int32_t y) {
    return 0xFF000000u | (static_cast<uint32_t>(y & 0xFFF) << 12) | static_cast<uint32_t>(x & 0xFFF);
}

// A sprite of chunks.x by chunks.y chunks; chunks without a filled cell are left out.
Sprite build_sprite(SpriteChunkPool& pool, glm::uvec2 chunks, const CellTypeAt& type_at, bool keep_removed = false);

// Filled (type 1) cells inside the box [min, max] (inclusive), empty elsewhere.
CellTypeAt filled_box(glm::ivec2 min, glm::ivec2 max);

} // namespace test_support
