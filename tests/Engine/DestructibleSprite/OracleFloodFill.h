#pragma once
// The flood fill written plainly from its rule, to check the engine's fill against: the same groups, pieces,
// cell orders, borders and generator draws for any cut. Nothing here is fast: a part is a label rewritten on
// every join, and which parts are still open is read off the nodes left in the heap.

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "Engine/DestructibleSprite/FloodFill.h"

class OracleFloodFill {
public:
    // Seeds the search from the dirty chunks in chunk index order; draws three numbers from the global generator.
    OracleFloodFill(const SpriteGrid& grid, const ChunkTable& table, const std::unordered_set<SpriteChunk*>& dirty);

    // The detached groups.
    std::vector<FloodFillGroup> run();

private:
    std::vector<int32_t>& labels_of(int32_t chunk);
    // Fills one chunk from an active, unlabelled cell as a new group and pushes a node for every border the piece
    // can cross. Returns the group's id.
    int32_t fill(uint32_t seed, int32_t chunk, int32_t key);
    void fill_cells(const SpriteChunk& chunk, std::vector<int32_t>& labels, ChunkPiece& piece, int32_t group) const;
    void join(int32_t a, int32_t b);
    bool has_nodes(int32_t part) const;
    std::vector<int32_t> open_parts() const;
    void push_node(const SearchNode& node);
    SearchNode pop_node();

    SpriteGrid m_grid;
    const ChunkTable& m_table;
    std::vector<std::vector<int32_t>> m_labels; // by chunk index; empty until first touched
    std::vector<ChunkPiece> m_pieces;           // by group id
    std::vector<int32_t> m_part;                // by group id: the lowest group id of the part it belongs to
    std::vector<SearchNode> m_heap;
};
