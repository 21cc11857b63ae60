#include "SpriteBuilder.h"

#include <vector>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"

namespace test_support {

Sprite build_sprite(SpriteChunkPool& pool, glm::uvec2 chunks, const CellTypeAt& type_at, bool keep_removed) {
    const SpriteGrid grid = SpriteGrid::from_chunks(pool.chunk_size(), chunks);
    const int32_t n = static_cast<int32_t>(grid.chunk_size);
    std::vector<SpriteChunk*> built;
    for (int32_t cy = 0; cy < static_cast<int32_t>(chunks.y); ++cy) {
        for (int32_t cx = 0; cx < static_cast<int32_t>(chunks.x); ++cx) {
            SpriteChunk* chunk = nullptr;
            for (int32_t i = 0; i < n * n; ++i) {
                const int32_t x = cx * n + i % n;
                const int32_t y = cy * n + i / n;
                const uint32_t type = type_at(x, y);
                if (type == 0) {
                    continue;
                }
                if (chunk == nullptr) {
                    chunk = pool.allocate_slot();
                    chunk->index = grid.chunk_index(cx, cy);
                    chunk->origin = glm::ivec2(cx * n, cy * n);
                }
                chunk->colors[static_cast<size_t>(i)] = cell_color_of(x, y);
                chunk->flags[static_cast<size_t>(i)] = static_cast<uint16_t>(type & kCellTypeMask);
                chunk->active += 1;
            }
            if (chunk != nullptr) {
                built.push_back(chunk);
            }
        }
    }
    return Sprite(pool, grid, built, keep_removed);
}

CellTypeAt filled_box(glm::ivec2 min, glm::ivec2 max) {
    return [min, max](int32_t x, int32_t y) -> uint32_t {
        return x >= min.x && x <= max.x && y >= min.y && y <= max.y ? 1u : 0u;
    };
}

} // namespace test_support
