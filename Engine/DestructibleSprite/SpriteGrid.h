#pragma once
// Layout of one destructible sprite: square chunks of chunk_size cells, and the mappings between
// global cells, chunks, cells inside a chunk and the sprite's local [-1, 1] square.

#include <array>
#include <cstdint>

#include <glm/glm.hpp>

#include "Common/Assets/SpriteAsset.h"

// A cell named by its chunk index and its cell index inside that chunk.
struct ChunkCell {
    int32_t chunk;
    int32_t cell;
};

// The cell across a chunk border; chunk and cell are filled even when not valid.
struct GridNeighbour {
    bool valid;
    glm::ivec2 chunk;
    glm::ivec2 cell;
};

// Order of the records returned by SpriteGrid::neighbours.
enum GridSide : uint32_t {
    GridSideLeft = 0,
    GridSideRight = 1,
    GridSideDown = 2,
    GridSideUp = 3,
};

struct SpriteGrid {
    uint32_t chunk_size = 0;
    uint32_t chunks_x = 0;
    uint32_t chunks_y = 0;
    uint32_t cells_x = 0;
    uint32_t cells_y = 0;

    SpriteGrid() = default;
    // Cell counts follow from the chunk counts.
    static SpriteGrid from_chunks(uint32_t chunk_size, glm::uvec2 chunk_counts);
    // Chunk counts rounded up to hold the cells; cell counts then become whole chunks.
    static SpriteGrid from_cells(uint32_t chunk_size, glm::uvec2 cell_counts);

    uint32_t cells_per_chunk() const { return chunk_size * chunk_size; }
    uint32_t chunk_count() const { return chunks_x * chunks_y; }

    bool contains_local_cell(int32_t x, int32_t y) const {
        const int32_t n = static_cast<int32_t>(chunk_size);
        return x >= 0 && x < n && y >= 0 && y < n;
    }
    bool contains_local_index(int32_t i) const { return i >= 0 && i < static_cast<int32_t>(cells_per_chunk()); }
    bool contains_chunk(int32_t cx, int32_t cy) const {
        return cx >= 0 && cx < static_cast<int32_t>(chunks_x) && cy >= 0 && cy < static_cast<int32_t>(chunks_y);
    }
    bool contains_chunk_index(int32_t i) const { return i >= 0 && i < static_cast<int32_t>(chunk_count()); }
    bool contains_cell(int32_t x, int32_t y) const {
        return x >= 0 && x < static_cast<int32_t>(cells_x) && y >= 0 && y < static_cast<int32_t>(cells_y);
    }

    // Chunks of kSpriteChunkSize cells a side, as every sprite of the game has: a row of their cells fits one
    // uint32_t (ChunkRows.h) and their cell indices split by shifts. The flood fill, the bullet walk and the
    // collision take their fast paths on this one test.
    bool has_row_chunks() const { return chunk_size == static_cast<uint32_t>(kSpriteChunkSize); }

    int32_t local_cell_index(int32_t x, int32_t y) const { return y * static_cast<int32_t>(chunk_size) + x; }
    glm::ivec2 local_cell(int32_t i) const {
        if (has_row_chunks()) {
            return {i & 31, i >> 5};
        }
        const int32_t n = static_cast<int32_t>(chunk_size);
        return {i % n, i / n};
    }
    int32_t chunk_index(int32_t cx, int32_t cy) const { return cy * static_cast<int32_t>(chunks_x) + cx; }
    glm::ivec2 chunk_position(int32_t i) const {
        const int32_t w = static_cast<int32_t>(chunks_x);
        return {i % w, i / w};
    }

    ChunkCell to_chunk_cell(int32_t x, int32_t y) const {
        const int32_t n = static_cast<int32_t>(chunk_size);
        return {(y / n) * static_cast<int32_t>(chunks_x) + x / n, (y % n) * n + x % n};
    }
    ChunkCell to_chunk_cell(glm::ivec2 p) const { return to_chunk_cell(p.x, p.y); }
    ChunkCell point_to_chunk_cell(glm::vec2 p) const {
        return to_chunk_cell(static_cast<int32_t>(p.x), static_cast<int32_t>(p.y));
    }
    glm::ivec2 to_global_cell(int32_t chunk, int32_t cell) const {
        const int32_t n = static_cast<int32_t>(chunk_size);
        const int32_t w = static_cast<int32_t>(chunks_x);
        return {(chunk % w) * n + cell % n, (chunk / w) * n + cell / n};
    }
    glm::ivec2 to_global_cell(ChunkCell c) const { return to_global_cell(c.chunk, c.cell); }
    glm::ivec2 to_global_cell(glm::ivec2 chunk_pos, glm::ivec2 local_cell) const {
        return chunk_pos * static_cast<int32_t>(chunk_size) + local_cell;
    }

    glm::vec2 local_to_cell(glm::vec2 l) const {
        return {(l.x + 1.0f) * 0.5f * static_cast<float>(cells_x), (l.y + 1.0f) * 0.5f * static_cast<float>(cells_y)};
    }
    // The lower corner of a cell point in local coordinates.
    glm::vec2 cell_to_local(glm::vec2 p) const {
        return {p.x / static_cast<float>(cells_x) * 2.0f - 1.0f, p.y / static_cast<float>(cells_y) * 2.0f - 1.0f};
    }
    glm::vec2 cell_corner_to_local(int32_t x, int32_t y) const {
        return cell_to_local(glm::vec2(static_cast<float>(x), static_cast<float>(y)));
    }
    glm::vec2 cell_corner_to_local(ChunkCell c) const {
        const glm::ivec2 g = to_global_cell(c);
        return cell_corner_to_local(g.x, g.y);
    }
    glm::vec2 cell_center_to_local(glm::vec2 p) const {
        return {(p.x + 0.5f) / static_cast<float>(cells_x) * 2.0f - 1.0f,
                (p.y + 0.5f) / static_cast<float>(cells_y) * 2.0f - 1.0f};
    }
    glm::vec2 cell_center_to_local(int32_t x, int32_t y) const {
        return cell_center_to_local(glm::vec2(static_cast<float>(x), static_cast<float>(y)));
    }
    glm::vec2 cell_center_to_local(ChunkCell c) const {
        const glm::ivec2 g = to_global_cell(c);
        return cell_center_to_local(g.x, g.y);
    }
    // The same with the reciprocals of the cell counts given, when both counts are powers of two (then the product
    // gives the bits of the division, without dividing); a zero reciprocal divides as above.
    glm::vec2 cell_center_to_local(glm::ivec2 cell, glm::vec2 reciprocal_cells) const {
        if (reciprocal_cells.x != 0.0f) {
            const glm::vec2 p(static_cast<float>(cell.x), static_cast<float>(cell.y));
            return {(p.x + 0.5f) * reciprocal_cells.x * 2.0f - 1.0f, (p.y + 0.5f) * reciprocal_cells.y * 2.0f - 1.0f};
        }
        return cell_center_to_local(cell.x, cell.y);
    }
    // A length in cells as a length in local coordinates.
    glm::vec2 cell_size_to_local(glm::vec2 s) const {
        return {s.x / static_cast<float>(cells_x) * 2.0f, s.y / static_cast<float>(cells_y) * 2.0f};
    }

    // The cells across the chunk border, in the order left, right, down, up. Neighbours inside the
    // same chunk are not reported (those records are invalid).
    std::array<GridNeighbour, 4> neighbours(glm::ivec2 chunk_pos, glm::ivec2 local_cell) const;
};
