#include "Engine/DestructibleSprite/Sprite.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/GridRayWalk.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Log.h"
#include "Engine/Math/AxisAlignedArea.h"

namespace {

void reset_dirty_set(std::unordered_set<SpriteChunk*>& set) {
    set = {};
    set.max_load_factor(1.0f);
    set.rehash(8);
}

} // namespace

namespace {

// When every cell of a chunk is live and of one type, that type; otherwise -1.
int32_t whole_chunk_type(const SpriteChunk& chunk, int32_t cells) {
    if (chunk.active != cells || cells == 0) {
        return -1;
    }
    const uint16_t first = chunk.flags[0] & (kCellTypeMask | kCellRemovedBit);
    if (first == 0 || (first & kCellRemovedBit) != 0) {
        return -1;
    }
    uint32_t differ = 0;
    for (int32_t i = 0; i < cells; ++i) {
        differ |=
            static_cast<uint32_t>((chunk.flags[static_cast<size_t>(i)] & (kCellTypeMask | kCellRemovedBit)) ^ first);
    }
    return differ == 0 ? static_cast<int32_t>(first) : -1;
}

// The moments of a whole n x n chunk at origin o, as the sums over its cells give them.
CellMoments whole_chunk_moments(glm::ivec2 o, int64_t n) {
    const int64_t s1 = n * (n - 1) / 2;
    const int64_t s2 = (n - 1) * n * (2 * n - 1) / 6;
    CellMoments m;
    m.count = n * n;
    m.sum_x = n * (n * o.x + s1);
    m.sum_y = n * (n * o.y + s1);
    m.sum_xx = n * (n * o.x * o.x + 2 * o.x * s1 + s2);
    m.sum_yy = n * (n * o.y * o.y + 2 * o.y * s1 + s2);
    return m;
}

// a += b as the 32-bit sum of b's cells would have wrapped.
void add_wrapped(int32_t& a, int64_t b) {
    a = static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(static_cast<uint64_t>(b)));
}

} // namespace

Sprite::Sprite() { reset_dirty_set(m_dirty); }

Sprite::Sprite(SpriteChunkPool& pool, const SpriteAsset& asset, bool keep_removed)
    : m_pool(&pool), m_keep_removed(keep_removed ? 1 : 0) {
    reset_dirty_set(m_dirty);
    m_grid = SpriteGrid::from_chunks(static_cast<uint32_t>(kSpriteChunkSize),
                                     glm::uvec2(static_cast<uint32_t>(std::max(asset.chunkCount.x, 0)),
                                                static_cast<uint32_t>(std::max(asset.chunkCount.y, 0))));
    m_table.slot_of_index.assign(m_grid.chunk_count(), -1);
    for (uint32_t t = 0; t < kCellTypeCount; ++t) {
        m_types[t].active = static_cast<uint32_t>(asset.groups[t].activeCount);
        m_types[t].x = asset.groups[t].root_grid_index_position.x;
        m_types[t].y = asset.groups[t].root_grid_index_position.y;
    }
    m_active = asset.activePixelCount;
    m_extents = asset.cellCount;

    for (const SpriteChunkData& data : asset.chunks) {
        // Guard the dense table: an index outside the grid or taken twice would break it.
        if (!m_grid.contains_chunk_index(data.index) || m_table.find(data.index) != nullptr) {
            LogGuard scope(LogLevelWarning, LogSprite, 1);
            LOGF("Sprite \"{}\": chunk index {} skipped", asset.metadata.name, data.index);
            continue;
        }
        add_chunk(pool.allocate_chunk(data));
    }
    for (SpriteChunk* chunk : m_table.chunk_of_slot) {
        for (int32_t i = 0; i < static_cast<int32_t>(m_grid.cells_per_chunk()); ++i) {
            if (cell_active(chunk->flags[static_cast<size_t>(i)])) {
                m_moments.add_cell(chunk->origin + m_grid.local_cell(i));
            }
        }
    }
    // Undamaged sprites collide too: every chunk gets its outline now, not only at a commit.
    for (SpriteChunk* chunk : m_table.chunk_of_slot) {
        rebuild_chunk_edges(*chunk);
    }
}

Sprite::Sprite(SpriteChunkPool& pool, const SpriteGrid& grid, const std::vector<SpriteChunk*>& chunks,
               bool keep_removed)
    : m_pool(&pool), m_grid(grid), m_keep_removed(keep_removed ? 1 : 0) {
    reset_dirty_set(m_dirty);
    m_table.slot_of_index.assign(m_grid.chunk_count(), -1);
    for (SpriteChunk* chunk : chunks) {
        add_chunk(chunk);
        mark_dirty(chunk);
        m_active += chunk->active;
    }
    const auto per_chunk = static_cast<int32_t>(m_grid.cells_per_chunk());
    for (SpriteChunk* chunk : m_table.chunk_of_slot) {
        // A whole chunk of one type (most of a large piece) adds the same sums in one step.
        const int32_t whole = whole_chunk_type(*chunk, per_chunk);
        if (whole > 0 && whole < static_cast<int32_t>(kCellTypeCount)) {
            const CellMoments m = whole_chunk_moments(chunk->origin, m_grid.chunk_size);
            CellTypeInfo& info = m_types[static_cast<size_t>(whole)];
            info.active += static_cast<uint32_t>(per_chunk);
            add_wrapped(info.x, m.sum_x);
            add_wrapped(info.y, m.sum_y);
            m_extents = glm::max(m_extents, chunk->origin + glm::ivec2(static_cast<int32_t>(m_grid.chunk_size) - 1));
            m_moments.add_all(m);
            continue;
        }
        for (int32_t i = 0; i < per_chunk; ++i) {
            const uint16_t flags = chunk->flags[static_cast<size_t>(i)];
            const uint32_t type = cell_type_of(flags);
            if (type >= kCellTypeCount) {
                throw std::out_of_range("Sprite: cell type out of range");
            }
            if (!cell_active(flags)) {
                continue;
            }
            const glm::ivec2 p = chunk->origin + m_grid.local_cell(i);
            m_types[type].active += 1;
            m_types[type].x += p.x;
            m_types[type].y += p.y;
            m_extents = glm::max(m_extents, p);
            m_moments.add_cell(p);
        }
    }
}

Sprite::Sprite(Sprite&& other) noexcept
    : m_pool(std::exchange(other.m_pool, nullptr)), m_grid(std::exchange(other.m_grid, SpriteGrid{})),
      m_moments(std::exchange(other.m_moments, CellMoments{})), m_table(std::exchange(other.m_table, ChunkTable{})),
      m_dirty(std::move(other.m_dirty)), m_dirty_queue(std::exchange(other.m_dirty_queue, {})),
      m_dirty_mark(std::exchange(other.m_dirty_mark, {})), m_types(std::exchange(other.m_types, {})),
      m_active(std::exchange(other.m_active, 0)), m_extents(std::exchange(other.m_extents, glm::ivec2(0))),
      m_keep_removed(std::exchange(other.m_keep_removed, 0)) {
    reset_dirty_set(other.m_dirty);
}

Sprite& Sprite::operator=(Sprite&& other) noexcept {
    if (this != &other) {
        release_chunks();
        m_pool = std::exchange(other.m_pool, nullptr);
        m_grid = std::exchange(other.m_grid, SpriteGrid{});
        m_moments = std::exchange(other.m_moments, CellMoments{});
        m_table = std::exchange(other.m_table, ChunkTable{});
        m_dirty = std::move(other.m_dirty);
        reset_dirty_set(other.m_dirty);
        m_dirty_queue = std::exchange(other.m_dirty_queue, {});
        m_dirty_mark = std::exchange(other.m_dirty_mark, {});
        m_types = std::exchange(other.m_types, {});
        m_active = std::exchange(other.m_active, 0);
        m_extents = std::exchange(other.m_extents, glm::ivec2(0));
        m_keep_removed = std::exchange(other.m_keep_removed, 0);
    }
    return *this;
}

Sprite::~Sprite() { release_chunks(); }

void Sprite::release_chunks() {
    if (m_pool != nullptr) {
        for (SpriteChunk* chunk : m_table.chunk_of_slot) {
            m_pool->mark_freed(chunk);
        }
    }
    m_table = ChunkTable{};
    clear_dirty();
}

void Sprite::add_chunk(SpriteChunk* chunk) {
    m_table.add(chunk->index, chunk);
    if (m_dirty_mark.size() < m_table.slot_of_index.size()) {
        m_dirty_mark.resize(m_table.slot_of_index.size(), 0);
    }
}

void Sprite::flush_dirty_queue() const {
    for (SpriteChunk* chunk : m_dirty_queue) {
        m_dirty.insert(chunk);
    }
    m_dirty_queue.clear();
}

void Sprite::unmark_dirty(SpriteChunk* chunk) {
    flush_dirty();
    m_dirty.erase(chunk);
    m_dirty_mark[static_cast<size_t>(chunk->index)] = 0;
}

void Sprite::clear_dirty() {
    m_dirty.clear();
    m_dirty_queue.clear();
    std::fill(m_dirty_mark.begin(), m_dirty_mark.end(), uint8_t{0});
}

CellValue Sprite::get_cell(int32_t chunk_index, int32_t cell_index) const {
    const SpriteChunk* c = m_table.find(chunk_index);
    if (c == nullptr || !m_grid.contains_local_index(cell_index)) {
        return {};
    }
    return {c->flags[static_cast<size_t>(cell_index)], c->colors[static_cast<size_t>(cell_index)]};
}

const CellTypeInfo& Sprite::cell_type_info(uint32_t type) const {
    if (type >= kCellTypeCount) {
        throw std::out_of_range("Sprite: cell type out of range");
    }
    return m_types[type];
}

MassProperties Sprite::cell_moments() const { return mass_properties_from_moments(m_moments, m_grid); }

void Sprite::active_cells(std::vector<DebrisCell>& out) const {
    const int32_t cells = static_cast<int32_t>(m_grid.cells_per_chunk());
    for (const SpriteChunk* chunk : m_table.chunk_of_slot) {
        for (int32_t i = 0; i < cells; ++i) {
            if (cell_active(chunk->flags[static_cast<size_t>(i)])) {
                const glm::ivec2 p = chunk->origin + m_grid.local_cell(i);
                out.push_back({p.x, p.y, chunk->colors[static_cast<size_t>(i)]});
            }
        }
    }
}

void Sprite::remove_active_cells(SpriteChunk& chunk, const std::vector<int32_t>& cells) {
    CellMoments gone;
    std::array<uint32_t, kCellTypeCount> counts{};
    const int32_t per_chunk = static_cast<int32_t>(m_grid.cells_per_chunk());
    if (!m_keep_removed && static_cast<int32_t>(cells.size()) == per_chunk && chunk.active == per_chunk) {
        // Every cell of the chunk: the same counts and sums, taken over the whole chunk at once (no removed list
        // keeps the order).
        const int32_t whole = whole_chunk_type(chunk, per_chunk);
        if (whole > 0 && whole < static_cast<int32_t>(kCellTypeCount)) {
            counts[static_cast<size_t>(whole)] = static_cast<uint32_t>(per_chunk);
        } else {
            for (int32_t cell = 0; cell < per_chunk; ++cell) {
                counts[cell_type_of(chunk.flags[static_cast<size_t>(cell)])] += 1;
            }
        }
        for (int32_t cell = 0; cell < per_chunk; ++cell) {
            chunk.flags[static_cast<size_t>(cell)] |= kCellRemovedBit;
        }
        gone = whole_chunk_moments(chunk.origin, m_grid.chunk_size);
        chunk.active = 0;
        m_active -= per_chunk;
        for (uint32_t t = 0; t < kCellTypeCount; ++t) {
            m_types[t].active -= counts[t];
        }
        m_moments.remove_all(gone);
        return;
    }
    for (const int32_t cell : cells) {
        uint16_t& flags = chunk.flags[static_cast<size_t>(cell)];
        const uint32_t type = cell_type_of(flags);
        flags = static_cast<uint16_t>(flags | kCellRemovedBit);
        counts[type] += 1;
        const glm::ivec2 p = chunk.origin + m_grid.local_cell(cell);
        if (m_keep_removed) {
            m_types[type].removed.push_back(p);
        }
        gone.add_cell(p);
    }
    const int32_t n = static_cast<int32_t>(cells.size());
    chunk.active -= n;
    m_active -= n;
    for (uint32_t t = 0; t < kCellTypeCount; ++t) {
        m_types[t].active -= counts[t];
    }
    m_moments.remove_all(gone);
}

bool Sprite::cell_counts_agree() const {
    std::array<uint32_t, kCellTypeCount> types{};
    int32_t total = 0;
    const uint32_t cells = m_grid.cells_per_chunk();
    for (const SpriteChunk* chunk : m_table.chunk_of_slot) {
        int32_t active = 0;
        for (uint32_t i = 0; i < cells && i < chunk->flags.size(); ++i) {
            const uint16_t flags = chunk->flags[i];
            if (cell_active(flags)) {
                active += 1;
                types[cell_type_of(flags)] += 1;
            }
        }
        if (active != chunk->active) {
            return false;
        }
        total += active;
    }
    for (uint32_t t = 0; t < kCellTypeCount; ++t) {
        if (types[t] != m_types[t].active) {
            return false;
        }
    }
    // A sprite that keeps removed cells keeps its chunks when they are dropped, and only the total shrinks.
    return m_keep_removed != 0 ? m_active <= total : m_active == total;
}

void Sprite::mark_touching_chunks(int32_t chunk_index, glm::ivec2 local) {
    // SpriteGrid::neighbours, in its order (left, right, down, up), without building the records; a chunk
    // already marked needs no look at its cell.
    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    const int32_t w = static_cast<int32_t>(m_grid.chunks_x);
    const glm::ivec2 c = m_grid.chunk_position(chunk_index);
    const auto touch = [&](int32_t other_index, int32_t x, int32_t y) {
        SpriteChunk* other = m_table.find(other_index);
        if (other != nullptr && m_dirty_mark[static_cast<size_t>(other_index)] == 0 &&
            cell_active(other->flags[static_cast<size_t>(y * n + x)])) {
            mark_dirty(other);
        }
    };
    if (local.x == 0 && c.x != 0) {
        touch(chunk_index - 1, n - 1, local.y);
    }
    if (local.x == n - 1 && c.x != w - 1) {
        touch(chunk_index + 1, 0, local.y);
    }
    if (local.y == 0 && c.y != 0) {
        touch(chunk_index - w, local.x, n - 1);
    }
    if (local.y == n - 1 && c.y != static_cast<int32_t>(m_grid.chunks_y) - 1) {
        touch(chunk_index + w, local.x, 0);
    }
}

void Sprite::remove_chunk(SpriteChunk* chunk) {
    m_active -= chunk->active;
    if (m_keep_removed) {
        return;
    }
    m_pool->mark_freed(chunk);
    unmark_dirty(chunk);
    m_table.remove(chunk->index);
}

void Sprite::remove_all_cells() {
    const int32_t cells = static_cast<int32_t>(m_grid.cells_per_chunk());
    for (SpriteChunk* chunk : m_table.chunk_of_slot) {
        for (int32_t i = 0; i < cells; ++i) {
            if (cell_active(chunk->flags[static_cast<size_t>(i)])) {
                remove_active_cell(*chunk, i);
            }
        }
        chunk->clear_edges();
        // The emptied chunks must reach the textures, or the sprite would still be drawn.
        mark_dirty(chunk);
        if (m_pool != nullptr) {
            m_pool->mark_modified(chunk);
        }
    }
}

void Sprite::restore_removed_cells() {
    for (uint32_t t = 0; t < kCellTypeCount; ++t) {
        CellTypeInfo& info = m_types[t];
        for (const glm::ivec2 p : info.removed) {
            const ChunkCell cc = m_grid.to_chunk_cell(p);
            SpriteChunk* c = m_table.find(cc.chunk);
            if (c == nullptr || !cell_removed(c->flags[static_cast<size_t>(cc.cell)])) {
                continue;
            }
            c->restore_cell(static_cast<uint32_t>(cc.cell));
            info.active += 1;
            m_active += 1;
            m_moments.add_cell(p);
            // The next commit rebuilds the outlines of these chunks and uploads them.
            mark_dirty(c);
        }
        info.removed.clear();
    }
}

void Sprite::restore_one_removed_cell(uint32_t type) {
    if (type >= kCellTypeCount) {
        throw std::out_of_range("Sprite: cell type out of range");
    }
    CellTypeInfo& info = m_types[type];
    if (info.active == 0 || info.removed.empty()) {
        return;
    }
    static constexpr glm::ivec2 kOffsets[8] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    size_t best = info.removed.size();
    float best_score = 0.0f;
    for (size_t k = 0; k < info.removed.size(); ++k) {
        const glm::ivec2 p = info.removed[k];
        int32_t n = 0;
        for (const glm::ivec2 o : kOffsets) {
            const glm::ivec2 q = p + o;
            if (!m_grid.contains_cell(q.x, q.y)) {
                continue;
            }
            const ChunkCell cc = m_grid.to_chunk_cell(q);
            n += is_cell_active(cc.chunk, cc.cell) ? 1 : 0;
        }
        if (n == 0) {
            continue;
        }
        const float distance = static_cast<float>(std::abs(p.x - info.x) + std::abs(p.y - info.y));
        const float score = static_cast<float>(n) / distance;
        if (best == info.removed.size() || score > best_score) {
            best = k;
            best_score = score;
        }
    }
    if (best == info.removed.size()) {
        return;
    }
    const glm::ivec2 p = info.removed[best];
    const ChunkCell cc = m_grid.to_chunk_cell(p);
    SpriteChunk* c = m_table.find(cc.chunk);
    if (c != nullptr && cell_removed(c->flags[static_cast<size_t>(cc.cell)])) {
        c->restore_cell(static_cast<uint32_t>(cc.cell));
        info.active += 1;
        m_active += 1;
        m_moments.add_cell(p);
        mark_dirty(c);
    }
    info.removed[best] = info.removed.back();
    info.removed.pop_back();
}

ChunkNeighbours Sprite::neighbours_of(const SpriteChunk& chunk) const {
    const glm::ivec2 p = m_grid.chunk_position(chunk.index);
    const int32_t w = static_cast<int32_t>(m_grid.chunks_x);
    const int32_t h = static_cast<int32_t>(m_grid.chunks_y);
    ChunkNeighbours n{};
    n[ChunkNeighbourLeft] = p.x > 0 ? m_table.find(chunk.index - 1) : nullptr;
    n[ChunkNeighbourRight] = p.x < w - 1 ? m_table.find(chunk.index + 1) : nullptr;
    n[ChunkNeighbourUp] = p.y < h - 1 ? m_table.find(chunk.index + w) : nullptr;
    n[ChunkNeighbourDown] = p.y > 0 ? m_table.find(chunk.index - w) : nullptr;
    return n;
}

void Sprite::rebuild_chunk_edges(SpriteChunk& chunk) { chunk.rebuild_edges(m_grid, neighbours_of(chunk)); }

CellMoments sprite_moments_of(const SpriteGrid& grid, const Sprite& sprite) {
    CellMoments m;
    const ChunkTable& table = sprite.chunk_table();
    for (size_t s = 0; s < table.size(); ++s) {
        const SpriteChunk* chunk = table.chunk_of_slot[s];
        const int32_t index = static_cast<int32_t>(table.index_of_slot[s]);
        for (int32_t i = 0; i < static_cast<int32_t>(grid.cells_per_chunk()); ++i) {
            if (cell_active(chunk->flags[static_cast<size_t>(i)])) {
                m.add_cell(grid.to_global_cell(index, i));
            }
        }
    }
    return m;
}

SpriteRayHit Sprite::ray_cast(glm::vec2 from, glm::vec2 to) const {
    const glm::vec2 a = m_grid.local_to_cell(from);
    const glm::vec2 b = m_grid.local_to_cell(to);
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y) ||
        m_grid.chunk_size == 0) {
        return {};
    }
    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    const auto active_at = [&](glm::ivec2 cell) {
        if (!m_grid.contains_cell(cell.x, cell.y)) {
            return false;
        }
        const ChunkCell cc = m_grid.to_chunk_cell(cell);
        return is_cell_active(cc.chunk, cc.cell);
    };
    const glm::vec2 d = b - a;
    const float length = glm::length(d);
    if (length == 0.0f) {
        const glm::ivec2 cell(static_cast<int32_t>(std::floor(a.x)), static_cast<int32_t>(std::floor(a.y)));
        return active_at(cell) ? SpriteRayHit{cell.x, cell.y, true} : SpriteRayHit{};
    }
    const glm::vec2 dir = d / length;

    // Only the part of the ray over the grid can hit; clipping it first bounds the walk.
    const AxisAlignedArea grid_box{glm::vec2(0.0f),
                                   glm::vec2(static_cast<float>(m_grid.cells_x), static_cast<float>(m_grid.cells_y))};
    const RayInterval over = AxisAlignedArea::clip_ray(grid_box, AreaRay{a, dir, length});
    if (!(over.enter <= over.exit)) {
        return {};
    }
    const float chunk_size = static_cast<float>(n);
    GridRayWalk outer((a + dir * over.enter) / chunk_size, dir, (over.exit - over.enter) / chunk_size);
    while (outer.in_range()) {
        const glm::ivec2 c = outer.cell();
        const SpriteChunk* chunk =
            m_grid.contains_chunk(c.x, c.y) ? m_table.find(m_grid.chunk_index(c.x, c.y)) : nullptr;
        if (chunk != nullptr) {
            const glm::vec2 lo(chunk->origin);
            const AxisAlignedArea box{lo, lo + glm::vec2(chunk_size)};
            const RayInterval t = AxisAlignedArea::clip_ray(box, AreaRay{a, dir, length});
            if (t.enter <= t.exit) {
                GridRayWalk inner(a + dir * t.enter, dir, t.exit - t.enter);
                while (inner.in_range()) {
                    const glm::ivec2 square = inner.cell();
                    const glm::ivec2 local = square - chunk->origin;
                    if (m_grid.contains_local_cell(local.x, local.y) &&
                        cell_active(chunk->flags[static_cast<size_t>(m_grid.local_cell_index(local.x, local.y))])) {
                        return {square.x, square.y, true};
                    }
                    inner.step();
                }
            }
        }
        outer.step();
    }
    return {};
}
