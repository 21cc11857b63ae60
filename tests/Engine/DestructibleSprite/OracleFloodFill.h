#pragma once
// The flood fill as it was before its fast paths, kept to check the engine's fill against: the same groups,
// pieces, cell orders, borders and generator draws for any cut.

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Engine/DestructibleSprite/FloodFill.h"

class OracleFloodFill {
public:
    // Seeds the search from the dirty chunks (in chunk index order, so that runs repeat exactly).
    // Draws three numbers from the global generator for the debug colour.
    OracleFloodFill(const SpriteGrid& grid, const ChunkTable& table, const std::unordered_set<SpriteChunk*>& dirty);

    // The detached groups.
    std::vector<FloodFillGroup> run();

private:
    // Labels of a chunk's cells, -1 where not reached; made on first touch.
    int32_t* labels_of(int32_t chunk);
    const int32_t* labels_if_any(int32_t chunk) const;
    int32_t new_group();
    int32_t fill(uint32_t seed, int32_t chunk, int32_t group, int32_t key);
    void fill_fixed(const SpriteChunk& chunk, int32_t* labels, ChunkPiece& piece, int32_t group);
    void fill_general(const SpriteChunk& chunk, int32_t* labels, ChunkPiece& piece, int32_t group);
    void add_cell(ChunkPiece& piece, const SpriteChunk& chunk, int32_t cell);
    void add_border_cell(ChunkPiece& piece, int32_t x, int32_t y) const;
    bool step();
    int32_t find(int32_t id);
    int32_t merge(int32_t a, int32_t b);
    void push_node(const SearchNode& node);
    SearchNode pop_node();

    SpriteGrid m_grid;
    const ChunkTable& m_table;
    std::vector<std::vector<int32_t>> m_labels; // by chunk index; empty until first touched
    std::vector<ChunkPiece> m_pieces;           // by group id
    int32_t m_next_group = 0;
    std::vector<SearchNode> m_heap;
    std::unordered_map<int32_t, int32_t> m_open;
    std::vector<int32_t> m_parent;
    std::vector<int32_t> m_rank;
    std::vector<int32_t> m_stack;
    uint32_t m_fill_count = 0;
    uint32_t m_debug_colour = 0;
};
