#include "Engine/DestructibleSprite/SpriteChunk.h"

#include <algorithm>

#include "Engine/DestructibleSprite/Cell.h"

void SpriteChunk::remove_cell(uint32_t cell_index) {
    active -= 1;
    flags[cell_index] = static_cast<uint16_t>(flags[cell_index] | kCellRemovedBit);
}

void SpriteChunk::restore_cell(uint32_t cell_index) {
    active += 1;
    flags[cell_index] = static_cast<uint16_t>(flags[cell_index] & ~kCellRemovedBit);
}

void SpriteChunk::clear_edges() {
    side_cells.clear();
    corner_cells.clear();
}

namespace {

struct EdgeEntry {
    uint8_t kind;
    uint8_t direction;
};

// Indexed by up * 8 + down * 4 + left * 2 + right (each 1 when that neighbour is active).
// Directions count eighths of a turn: 0 up, 2 right, 4 down, 6 left.
constexpr std::array<EdgeEntry, 16> kEdgeTable = {{
    {1, 3},
    {1, 5},
    {1, 3},
    {2, 0},
    {1, 1},
    {1, 7},
    {1, 1},
    {2, 0},
    {1, 3},
    {1, 5},
    {1, 3},
    {2, 4},
    {2, 6},
    {2, 6},
    {2, 2},
    {0, 0},
}};

bool active_in(const SpriteChunk* chunk, int32_t cell_index) {
    return chunk != nullptr && cell_active(chunk->flags[static_cast<size_t>(cell_index)]);
}

} // namespace

void SpriteChunk::rebuild_edges(const SpriteGrid& grid, const ChunkNeighbours& neighbours) {
    SpriteChunk& chunk = *this;
    const int32_t n = static_cast<int32_t>(grid.chunk_size);
    const int32_t last = n - 1;

    int32_t ext_x = 0;
    int32_t ext_y = 0;
    bool any = false;
    for (int32_t i = 0; i < n * n; ++i) {
        if (cell_active(chunk.flags[static_cast<size_t>(i)])) {
            any = true;
            ext_x = std::max(ext_x, i % n + 1);
            ext_y = std::max(ext_y, i / n + 1);
        }
    }
    if (!any) {
        ext_x = 1;
        ext_y = 1;
    }
    chunk.half_extent = glm::vec2(static_cast<float>(ext_x) * 0.5f, static_cast<float>(ext_y) * 0.5f);
    chunk.max_extent = static_cast<float>(std::max(ext_x, ext_y));

    chunk.side_cells.clear();
    chunk.corner_cells.clear();

    const SpriteChunk* left = neighbours[ChunkNeighbourLeft];
    const SpriteChunk* right = neighbours[ChunkNeighbourRight];
    const SpriteChunk* up = neighbours[ChunkNeighbourUp];
    const SpriteChunk* down = neighbours[ChunkNeighbourDown];

    for (int32_t x = 0; x < n; ++x) {
        for (int32_t y = 0; y < n; ++y) {
            const int32_t i = y * n + x;
            const uint16_t flags = chunk.flags[static_cast<size_t>(i)];
            if (!cell_active(flags)) {
                continue;
            }
            const bool a_up = y < last ? active_in(&chunk, i + n) : active_in(up, x);
            const bool a_down = y > 0 ? active_in(&chunk, i - n) : active_in(down, last * n + x);
            const bool a_left = x > 0 ? active_in(&chunk, i - 1) : active_in(left, y * n + last);
            const bool a_right = x < last ? active_in(&chunk, i + 1) : active_in(right, y * n);
            const uint32_t mask = (a_up ? 8u : 0u) | (a_down ? 4u : 0u) | (a_left ? 2u : 0u) | (a_right ? 1u : 0u);
            const EdgeEntry e = kEdgeTable[mask];
            chunk.flags[static_cast<size_t>(i)] = with_edge(flags, e.kind, e.direction);
            if (e.kind == EdgeInterior) {
                continue;
            }
            const EdgeCell cell{grid.cell_center_to_local(chunk.origin.x + x, chunk.origin.y + y),
                                static_cast<uint32_t>(i)};
            if (e.kind == EdgeCorner) {
                chunk.corner_cells.push_back(cell);
            } else {
                chunk.side_cells.push_back(cell);
            }
        }
    }
}
