#pragma once
// Finds the parts of a sprite that no longer hang together with its main body after cells were
// removed. Starts from the changed chunks, fills one chunk at a time and spreads across chunk
// borders best-first, always continuing the group with the fewest cells so far. It stops as soon
// as a single group can still grow: that one is the body, every group closed before it is a
// detached part. One FloodFill serves one commit.

#include <array>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/ChunkTable.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"

struct SpriteChunk;

// The largest chunk side the border lists hold.
inline constexpr uint32_t kFloodFillMaxChunkSize = 32;

struct FillBorder {
    uint32_t cells[kFloodFillMaxChunkSize];
    uint64_t count;
};

enum FillSide : uint32_t {
    FillSideUp = 0,
    FillSideDown = 1,
    FillSideLeft = 2,
    FillSideRight = 3,
};

// The cells of one fill inside one chunk.
struct ChunkPiece {
    uint32_t seed = 0;
    std::vector<int32_t> cells; // in fill order
    int32_t min_x = 2147483647;
    int32_t min_y = 2147483647;
    int32_t max_x = -2147483647;
    int32_t max_y = -2147483647;
    // For each filled cell on a side, the touching cell of the neighbouring chunk.
    std::array<FillBorder, 4> borders{};
    uint32_t border_count = 0;
    int32_t chunk = -1;
    std::array<uint32_t, kCellTypeCount> counts{};
};

struct SearchNode {
    int32_t key; // cells gathered along the way to this border
    int32_t from_chunk;
    int32_t group;
    int32_t target_chunk;
    uint32_t cells[kFloodFillMaxChunkSize]; // cells of the target chunk to enter
    uint64_t count;
};

struct FloodFillGroup {
    int32_t total = 0;
    std::array<int32_t, kCellTypeCount> counts{};
    std::vector<ChunkPiece> pieces;
};

class FloodFill {
public:
    // Seeds the search from the dirty chunks (in chunk index order, so that runs repeat exactly).
    // Draws three numbers from the global generator (once a debug colour; replays rely on the draws).
    FloodFill(const SpriteGrid& grid, const ChunkTable& table, const std::unordered_set<SpriteChunk*>& dirty);

    void set_debug_print() { m_debug_print = 1; }
    // The detached groups.
    std::vector<FloodFillGroup> run();

private:
    // Labels of a chunk's cells, -1 where not reached; made on first touch.
    int32_t* labels_of(int32_t chunk);
    const int32_t* labels_if_any(int32_t chunk) const;
    int32_t new_group();
    int32_t fill(uint32_t seed, int32_t chunk, int32_t group, int32_t key);
    void fill_fixed(const SpriteChunk& chunk, int32_t* labels, uint32_t* rows, bool fresh, ChunkPiece& piece,
                    int32_t group);
    void fill_general(const SpriteChunk& chunk, int32_t* labels, ChunkPiece& piece, int32_t group);
    void add_cell(ChunkPiece& piece, const SpriteChunk& chunk, int32_t cell);
    void add_border_cell(ChunkPiece& piece, int32_t x, int32_t y) const;
    bool step();
    int32_t find(int32_t id);
    int32_t merge(int32_t a, int32_t b);
    void push_node(const SearchNode& node);
    SearchNode pop_node();
    void dump_state() const;
    char group_letter(int32_t id) const;

    SpriteGrid m_grid;
    const ChunkTable& m_table;
    std::vector<std::vector<int32_t>> m_labels; // by chunk index; empty until first touched
    // For chunks of 32 x 32: bit x of row y is set while cell (x, y) is active and not reached, made with the
    // chunk's labels and kept in step with them.
    std::vector<std::array<uint32_t, 32>> m_rows;
    std::vector<ChunkPiece> m_pieces; // by group id
    int32_t m_next_group = 0;
    std::vector<SearchNode> m_heap;
    std::unordered_map<int32_t, int32_t> m_open;
    std::vector<int32_t> m_parent;
    std::vector<int32_t> m_rank;
    std::vector<int32_t> m_stack;
    uint8_t m_debug_print = 0;
    uint32_t m_fill_count = 0;
};
