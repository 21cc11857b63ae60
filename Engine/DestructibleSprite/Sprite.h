#pragma once
// The component that holds one destructible sprite: its grid, its chunks (records of the chunk
// pool), per-type cell counts, running cell moments and the chunks changed since the last commit.
//
// Removing cells only changes cells and counts; the commit later drops emptied chunks, splits off
// the parts that no longer hang together and queues the uploads.

#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include <glm/glm.hpp>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/CellMoments.h"
#include "Engine/DestructibleSprite/ChunkTable.h"
#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"

class SpriteChunkPool;
struct SpriteAsset;
struct SplitResult;
struct CommitSettings;
struct FloodFillGroup;
struct Transform;

struct CellTypeInfo {
    uint32_t active = 0;
    // Reference point of the type: where removed cells come back (from the asset's group), or
    // for sprites built from chunks the sums of the type's cell coordinates.
    int32_t x = 0;
    int32_t y = 0;
    std::vector<glm::ivec2> removed; // only when removed cells are kept
};

struct CellValue {
    uint16_t flags = 0;
    uint32_t color = 0;
};

struct SpriteRayHit {
    int32_t x = 0;
    int32_t y = 0;
    bool hit = false;
};

class Sprite {
public:
    Sprite();
    Sprite(SpriteChunkPool& pool, const SpriteAsset& asset, bool keep_removed);
    // Takes chunks already filled (split pieces); every chunk starts dirty.
    Sprite(SpriteChunkPool& pool, const SpriteGrid& grid, const std::vector<SpriteChunk*>& chunks, bool keep_removed);
    Sprite(Sprite&& other) noexcept;
    Sprite& operator=(Sprite&& other) noexcept;
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;
    // Hands every chunk back to the pool.
    ~Sprite();

    CellValue get_cell(int32_t chunk_index, int32_t cell_index) const;
    // Inline: sweeps and bullet walks ask it for every cell they pass.
    bool is_cell_active(int32_t chunk_index, int32_t cell_index) const {
        if (!m_grid.contains_chunk_index(chunk_index) || !m_grid.contains_local_index(cell_index)) {
            return false;
        }
        const SpriteChunk* c = m_table.find(chunk_index);
        return c != nullptr && cell_active(c->flags[static_cast<size_t>(cell_index)]);
    }
    bool has_chunk(int32_t chunk_index) const { return m_table.find(chunk_index) != nullptr; }
    SpriteChunk* chunk(int32_t chunk_index) const { return m_table.find(chunk_index); }
    int32_t active_cell_count() const { return m_active; }
    // Recounts every chunk's cells: each chunk's count, the per-type counts and the total agree with the
    // cell flags. For checks; it walks every cell.
    bool cell_counts_agree() const;
    // Throws std::out_of_range for a type of 11 or more.
    const CellTypeInfo& cell_type_info(uint32_t type) const;
    glm::ivec2 cell_extents() const { return m_extents; }
    const ChunkTable& chunk_table() const { return m_table; }
    bool keeps_removed_cells() const { return m_keep_removed != 0; }
    const SpriteGrid& grid() const { return m_grid; }
    SpriteChunkPool* pool() const { return m_pool; }
    const std::unordered_set<SpriteChunk*>& dirty_chunks() const {
        flush_dirty();
        return m_dirty;
    }
    const CellMoments& moments() const { return m_moments; }
    // Mass properties of the active cells.
    MassProperties cell_moments() const;
    // Every active cell, chunks in table order, cells in index order.
    void active_cells(std::vector<DebrisCell>& out) const;
    // The first active cell along the segment between two local [-1, 1] points.
    SpriteRayHit ray_cast(glm::vec2 from, glm::vec2 to) const;

    // Removes an active cell and marks its chunk (and chunks whose touching cell is active) dirty.
    // Missing chunks and cells that are not active are ignored. Inline: bullets remove cells one by one.
    void remove_cell(int32_t chunk_index, int32_t cell_index) {
        SpriteChunk* c = m_table.find(chunk_index);
        // Empty cells are skipped as well as removed ones: counting them would corrupt the counts.
        if (c == nullptr || !m_grid.contains_local_index(cell_index) ||
            !cell_active(c->flags[static_cast<size_t>(cell_index)])) {
            return;
        }
        remove_active_cell(*c, cell_index);
        mark_dirty(c);
        // Only a cell on the chunk's rim touches another chunk.
        const glm::ivec2 local = m_grid.local_cell(cell_index);
        const int32_t last = static_cast<int32_t>(m_grid.chunk_size) - 1;
        if (local.x == 0 || local.y == 0 || local.x == last || local.y == last) {
            mark_touching_chunks(chunk_index, local);
        }
    }
    // Drops a chunk (or, when removed cells are kept, only its count).
    void remove_chunk(SpriteChunk* chunk);
    void remove_all_cells();
    void restore_removed_cells();
    // Restores the removed cell of a type that touches most active cells near the type's
    // reference point; nothing when no removed cell touches an active one.
    void restore_one_removed_cell(uint32_t type);

    // Turns the removals since the last commit into structure (see SplitResult).
    static void commit(Sprite& sprite, SplitResult& out, const Transform& transform, const CommitSettings& settings);

private:
    struct Piece;
    static Piece make_piece(Sprite& sprite, const FloodFillGroup& group);

    void add_chunk(SpriteChunk* chunk);
    void remove_active_cell(SpriteChunk& chunk, int32_t cell_index) {
        const uint32_t type = cell_type_of(chunk.flags[static_cast<size_t>(cell_index)]);
        const glm::ivec2 p = chunk.origin + m_grid.local_cell(cell_index);
        chunk.active -= 1;
        chunk.flags[static_cast<size_t>(cell_index)] =
            static_cast<uint16_t>(chunk.flags[static_cast<size_t>(cell_index)] | kCellRemovedBit);
        m_types[type].active -= 1;
        m_active -= 1;
        if (m_keep_removed) {
            m_types[type].removed.push_back(p);
        }
        m_moments.remove_cell(p);
    }
    // Marks the chunks across the rim whose cell touching this one is active.
    void mark_touching_chunks(int32_t chunk_index, glm::ivec2 local);

    // The dirty set is filled lazily: a chunk marked for the first time since it was last in the set is queued,
    // and the queue goes into the set, in marking order, before anything reads or changes the set. The set
    // then holds, and iterates in, exactly what inserting each chunk at its marking would have given.
    void mark_dirty(SpriteChunk* chunk) {
        uint8_t& mark = m_dirty_mark[static_cast<size_t>(chunk->index)];
        if (mark == 0) {
            mark = 1;
            m_dirty_queue.push_back(chunk);
        }
    }
    void flush_dirty() const {
        if (!m_dirty_queue.empty()) {
            flush_dirty_queue();
        }
    }
    void flush_dirty_queue() const;
    void unmark_dirty(SpriteChunk* chunk);
    void clear_dirty();
    // The same for a list of active cells of one chunk, with the counts updated once.
    void remove_active_cells(SpriteChunk& chunk, const std::vector<int32_t>& cells);
    ChunkNeighbours neighbours_of(const SpriteChunk& chunk) const;
    void rebuild_chunk_edges(SpriteChunk& chunk);
    void release_chunks();

    SpriteChunkPool* m_pool = nullptr;
    SpriteGrid m_grid;
    CellMoments m_moments;
    ChunkTable m_table;
    mutable std::unordered_set<SpriteChunk*> m_dirty;
    mutable std::vector<SpriteChunk*> m_dirty_queue; // marked, not yet in the set, in marking order
    std::vector<uint8_t> m_dirty_mark;               // by chunk index: in the set or queued
    std::array<CellTypeInfo, kCellTypeCount> m_types;
    int32_t m_active = 0;
    glm::ivec2 m_extents{0};
    uint8_t m_keep_removed = 0;
};

// Fresh moments over every active cell of every chunk of the sprite.
CellMoments sprite_moments_of(const SpriteGrid& grid, const Sprite& sprite);
