#pragma once
// One 32 x 32 block of a sprite's cells: its place in the sprite and in the pool's atlases, the
// count of active cells and the outline cells that the cell-level collision walks.
//
// The colour and flag arrays live in the chunk pool's pages; a record owns only its edge lists.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include <glm/glm.hpp>

#include "Engine/DestructibleSprite/SpriteGrid.h"

struct EdgeCell {
    glm::vec2 center; // in the sprite's local [-1, 1] coordinates
    uint32_t index;   // cell index inside the chunk
};

struct SpriteChunk;

// Neighbouring chunks handed to the edge rebuild, null when absent.
enum ChunkNeighbourSlot : uint32_t {
    ChunkNeighbourLeft = 0,  // index - 1
    ChunkNeighbourRight = 1, // index + 1
    ChunkNeighbourUp = 2,    // index + chunks_x
    ChunkNeighbourDown = 3,  // index - chunks_x
};
using ChunkNeighbours = std::array<const SpriteChunk*, 4>;

struct SpriteChunk {
    uint32_t slot = 0;
    int32_t index = 0;
    glm::ivec2 origin{0};
    glm::ivec2 texel{0};
    uint32_t layer = 0;
    glm::vec2 uv{0.0f};
    float layer_f = 0.0f;
    int32_t active = 0;
    std::span<uint32_t> colors;
    std::span<uint16_t> flags;
    glm::vec2 half_extent{0.0f};
    float max_extent = 0.0f;
    std::vector<EdgeCell> side_cells;
    std::vector<EdgeCell> corner_cells;

    // The caller makes sure that the cell is active.
    void remove_cell(uint32_t cell_index);
    void restore_cell(uint32_t cell_index);
    void clear_edges();
    // Recomputes the occupied extent, the edge kind and direction of every active cell and both
    // edge lists. Reads the neighbouring chunks, never writes them.
    void rebuild_edges(const SpriteGrid& grid, const ChunkNeighbours& neighbours);
};
