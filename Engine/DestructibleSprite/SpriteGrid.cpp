#include "Engine/DestructibleSprite/SpriteGrid.h"

SpriteGrid SpriteGrid::from_chunks(uint32_t chunk_size, glm::uvec2 chunk_counts) {
    SpriteGrid g;
    g.chunk_size = chunk_size;
    g.chunks_x = chunk_counts.x;
    g.chunks_y = chunk_counts.y;
    g.cells_x = chunk_counts.x * chunk_size;
    g.cells_y = chunk_counts.y * chunk_size;
    return g;
}

SpriteGrid SpriteGrid::from_cells(uint32_t chunk_size, glm::uvec2 cell_counts) {
    const uint32_t n = chunk_size;
    return from_chunks(chunk_size, {(cell_counts.x + n - 1) / n, (cell_counts.y + n - 1) / n});
}

std::array<GridNeighbour, 4> SpriteGrid::neighbours(glm::ivec2 c, glm::ivec2 l) const {
    const int32_t last = static_cast<int32_t>(chunk_size) - 1;
    const int32_t last_cx = static_cast<int32_t>(chunks_x) - 1;
    const int32_t last_cy = static_cast<int32_t>(chunks_y) - 1;
    return {{
        {l.x == 0 && c.x != 0, {c.x - 1, c.y}, {last, l.y}},
        {l.x == last && c.x != last_cx, {c.x + 1, c.y}, {0, l.y}},
        {l.y == 0 && c.y != 0, {c.x, c.y - 1}, {l.x, last}},
        {l.y == last && c.y != last_cy, {c.x, c.y + 1}, {l.x, 0}},
    }};
}
