#include "Engine/DestructibleSprite/FloodFill.h"

#include <algorithm>
#include <array>
#include <bit>
#include <iterator>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "Engine/Assert.h"
#include "Engine/DestructibleSprite/ChunkRows.h"
#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Random.h"

FloodFill::FloodFill(const SpriteGrid& grid, const ChunkTable& table, const std::unordered_set<SpriteChunk*>& dirty)
    : m_grid(grid), m_table(table) {
    if (grid.chunk_size == 0 || grid.chunk_size > kFloodFillMaxChunkSize) {
        throw std::invalid_argument("FloodFill: unsupported chunk size");
    }
    // Three draws at every construction: the colour they once made is gone, but replays rely on the
    // generator's sequence.
    for (int i = 0; i < 3; ++i) {
        random_float();
    }

    m_labels.resize(std::max<size_t>(grid.chunk_count(), table.slot_of_index.size()));
    if (grid.has_row_chunks()) {
        m_rows.resize(m_labels.size());
    }

    // The set's own order depends on chunk addresses; chunk index order repeats between runs.
    std::vector<SpriteChunk*> seeds(dirty.begin(), dirty.end());
    std::sort(seeds.begin(), seeds.end(),
              [](const SpriteChunk* a, const SpriteChunk* b) { return a->index < b->index; });

    const uint32_t cells = grid.cells_per_chunk();
    for (SpriteChunk* chunk : seeds) {
        if (m_table.find(chunk->index) != chunk) {
            continue;
        }
        for (uint32_t i = 0; i < cells; ++i) {
            if (labels_of(chunk->index)[i] != -1 || !cell_active(chunk->flags[i])) {
                continue;
            }
            const int32_t id = new_group();
            const int32_t pushed = fill(i, chunk->index, id, 0);
            if (pushed > 0) {
                m_open[id] = pushed;
            }
        }
    }
}

int32_t* FloodFill::labels_of(int32_t chunk) {
    std::vector<int32_t>& labels = m_labels[static_cast<size_t>(chunk)];
    if (labels.empty()) {
        labels.assign(m_grid.cells_per_chunk(), -1);
        const SpriteChunk* c = m_table.find(chunk);
        if (m_grid.has_row_chunks() && c != nullptr) {
            std::array<uint32_t, 32>& rows = m_rows[static_cast<size_t>(chunk)];
            build_chunk_rows(c->flags.data(), rows.data());
            PELLMAR_ASSERT(std::accumulate(rows.begin(), rows.end(), 0,
                                           [](int32_t n, uint32_t row) { return n + std::popcount(row); }) == c->active,
                           "a chunk's active count matches the cells its rows hold");
        }
    }
    return labels.data();
}

const int32_t* FloodFill::labels_if_any(int32_t chunk) const {
    const std::vector<int32_t>& labels = m_labels[static_cast<size_t>(chunk)];
    return labels.empty() ? nullptr : labels.data();
}

int32_t FloodFill::new_group() {
    const int32_t id = m_next_group++;
    m_parent.push_back(id);
    m_rank.push_back(0);
    m_pieces.emplace_back();
    return id;
}

void FloodFill::add_cell(ChunkPiece& piece, const SpriteChunk& chunk, int32_t cell) {
    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    piece.counts[cell_type_of(chunk.flags[static_cast<size_t>(cell)])] += 1;
    piece.cells.push_back(cell);
    const int32_t x = cell % n;
    const int32_t y = cell / n;
    piece.min_x = std::min(piece.min_x, x);
    piece.min_y = std::min(piece.min_y, y);
    piece.max_x = std::max(piece.max_x, x);
    piece.max_y = std::max(piece.max_y, y);
    add_border_cell(piece, x, y);
}

void FloodFill::add_border_cell(ChunkPiece& piece, int32_t x, int32_t y) const {
    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    const int32_t last = n - 1;
    auto add_border = [&](FillSide side, int32_t touching) {
        FillBorder& b = piece.borders[side];
        b.cells[b.count++] = static_cast<uint32_t>(touching);
    };
    if (y == last) {
        add_border(FillSideUp, x);
    }
    if (y == 0) {
        add_border(FillSideDown, last * n + x);
    }
    if (x == 0) {
        add_border(FillSideLeft, y * n + last);
    }
    if (x == last) {
        add_border(FillSideRight, y * n);
    }
}

namespace {

// Depth-first fill of a 32 x 32 chunk over bit rows (bit x of row y: active and not yet reached) with an explicit
// stack, testing the neighbours in the order (-1, -1), (0, -1), (+1, -1), (-1, 0), (+1, 0), (-1, +1), (0, +1),
// (+1, +1); a neighbour is taken (its bit cleared) when it is pushed. popped(i, x, y) sees the cells in fill order.
// The seed's bit is already clear.
template <typename Popped>
void fill_rows(uint32_t* rows, int32_t seed, Popped&& popped) {
    int32_t stack[1024];
    int32_t top = 0;
    stack[top++] = seed;
    const auto take = [&](int32_t x, int32_t y) {
        const uint32_t bit = 1u << x;
        if ((rows[y] & bit) != 0) {
            rows[y] &= ~bit;
            stack[top++] = (y << 5) | x;
        }
    };
    while (top > 0) {
        const int32_t i = stack[--top];
        const int32_t x = i & 31;
        const int32_t y = i >> 5;
        popped(i, x, y);
        if (y > 0) {
            if (x > 0) {
                take(x - 1, y - 1);
            }
            take(x, y - 1);
            if (x < 31) {
                take(x + 1, y - 1);
            }
        }
        if (x > 0) {
            take(x - 1, y);
        }
        if (x < 31) {
            take(x + 1, y);
        }
        if (y < 31) {
            if (x > 0) {
                take(x - 1, y + 1);
            }
            take(x, y + 1);
            if (x < 31) {
                take(x + 1, y + 1);
            }
        }
    }
}

// The border lists of a popped cell: for each side it lies on (up, down, left, right), the touching cell of the
// neighbouring chunk.
void add_border_32(std::array<FillBorder, 4>& borders, int32_t x, int32_t y) {
    const auto add = [&](FillSide side, int32_t touching) {
        FillBorder& b = borders[side];
        b.cells[b.count++] = static_cast<uint32_t>(touching);
    };
    if (y == 31) {
        add(FillSideUp, x);
    }
    if (y == 0) {
        add(FillSideDown, 31 * 32 + x);
    }
    if (x == 0) {
        add(FillSideLeft, y * 32 + 31);
    }
    if (x == 31) {
        add(FillSideRight, y * 32);
    }
}

// A chunk with all 1024 cells active and none reached fills the same way from a given seed every time: the
// cells in fill order and the border lists are kept per seed (per thread, made on first use).
struct FullChunkFill {
    std::array<int32_t, 1024> cells;
    std::array<FillBorder, 4> borders;
};

const FullChunkFill& full_chunk_fill(int32_t seed) {
    thread_local std::array<std::unique_ptr<FullChunkFill>, 1024> cache;
    std::unique_ptr<FullChunkFill>& entry = cache[static_cast<size_t>(seed)];
    if (!entry) {
        entry = std::make_unique<FullChunkFill>();
        entry->borders = {};
        uint32_t rows[32];
        std::fill(std::begin(rows), std::end(rows), ~0u);
        rows[seed >> 5] &= ~(1u << (seed & 31));
        size_t count = 0;
        fill_rows(rows, seed, [&](int32_t i, int32_t x, int32_t y) {
            entry->cells[count++] = i;
            if (x == 0 || x == 31 || y == 0 || y == 31) {
                add_border_32(entry->borders, x, y);
            }
        });
    }
    return *entry;
}

} // namespace

void FloodFill::fill_fixed(const SpriteChunk& chunk, int32_t* label, uint32_t* rows, bool fresh, ChunkPiece& piece,
                           int32_t group) {
    const uint16_t* flags = chunk.flags.data();
    const int32_t seed = m_stack.back();
    m_stack.pop_back();
    uint32_t counts[kCellTypeCount] = {};
    if (fresh) {
        // Every cell is filled: the counts are those of the whole chunk, the box is the chunk.
        const FullChunkFill& full = full_chunk_fill(seed);
        piece.cells.assign(full.cells.begin(), full.cells.end());
        piece.borders = full.borders;
        for (size_t i = 0; i < 1024; ++i) {
            counts[cell_type_of(flags[i])] += 1;
        }
        std::fill(label, label + 1024, group);
        std::fill(rows, rows + 32, 0u);
        piece.min_x = 0;
        piece.min_y = 0;
        piece.max_x = 31;
        piece.max_y = 31;
    } else {
        int32_t cells[1024];
        int32_t count = 0;
        int32_t min_x = piece.min_x, min_y = piece.min_y, max_x = piece.max_x, max_y = piece.max_y;
        fill_rows(rows, seed, [&](int32_t i, int32_t x, int32_t y) {
            counts[cell_type_of(flags[i])] += 1;
            cells[count++] = i;
            min_x = std::min(min_x, x);
            min_y = std::min(min_y, y);
            max_x = std::max(max_x, x);
            max_y = std::max(max_y, y);
            if (x == 0 || x == 31 || y == 0 || y == 31) {
                add_border_32(piece.borders, x, y);
            }
        });
        for (int32_t k = 0; k < count; ++k) {
            label[cells[k]] = group;
        }
        piece.cells.assign(cells, cells + count);
        piece.min_x = min_x;
        piece.min_y = min_y;
        piece.max_x = max_x;
        piece.max_y = max_y;
    }
    for (uint32_t t = 0; t < kCellTypeCount; ++t) {
        piece.counts[t] += counts[t];
    }
}

void FloodFill::fill_general(const SpriteChunk& chunk, int32_t* labels, ChunkPiece& piece, int32_t group) {
    // Positions are tested when popped; the seed is already labelled and on the stack.
    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    static constexpr int32_t kDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
    static constexpr int32_t kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
    const int32_t seed = m_stack.back();
    m_stack.pop_back();
    std::vector<glm::ivec2> positions{{seed % n, seed / n}};
    bool first = true;
    while (!positions.empty()) {
        const glm::ivec2 p = positions.back();
        positions.pop_back();
        const int32_t i = p.y * n + p.x;
        if (!first) {
            if (p.x < 0 || p.x >= n || p.y < 0 || p.y >= n) {
                continue;
            }
            if (labels[static_cast<size_t>(i)] != -1 || !cell_active(chunk.flags[static_cast<size_t>(i)])) {
                continue;
            }
            labels[static_cast<size_t>(i)] = group;
        }
        first = false;
        add_cell(piece, chunk, i);
        for (int k = 0; k < 8; ++k) {
            positions.push_back({p.x + kDx[k], p.y + kDy[k]});
        }
    }
}

int32_t FloodFill::fill(uint32_t seed, int32_t chunk_index, int32_t group, int32_t key) {
    const SpriteChunk& chunk = *m_table.find(chunk_index);
    int32_t* labels = labels_of(chunk_index);
    ChunkPiece& piece = m_pieces[static_cast<size_t>(group)];
    piece.seed = seed;
    piece.chunk = chunk_index;
    if (labels[seed] != -1 || !cell_active(chunk.flags[seed])) {
        return 0;
    }
    ++m_fill_count;
    labels[seed] = group;
    m_stack.clear();
    m_stack.push_back(static_cast<int32_t>(seed));
    if (m_grid.has_row_chunks()) {
        uint32_t* rows = m_rows[static_cast<size_t>(chunk_index)].data();
        const bool fresh =
            chunk.active == 1024 && std::all_of(rows, rows + 32, [](uint32_t row) { return row == ~0u; });
        rows[seed >> 5] &= ~(1u << (seed & 31));
        fill_fixed(chunk, labels, rows, fresh, piece, group);
    } else {
        fill_general(chunk, labels, piece, group);
    }

    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    const glm::ivec2 pos = m_grid.chunk_position(chunk_index);
    struct Side {
        FillSide side;
        bool reaches;
        glm::ivec2 neighbour;
    };
    const Side sides[4] = {
        {FillSideUp, piece.max_y == n - 1, {pos.x, pos.y + 1}},
        {FillSideDown, piece.min_y == 0, {pos.x, pos.y - 1}},
        {FillSideLeft, piece.min_x == 0, {pos.x - 1, pos.y}},
        {FillSideRight, piece.max_x == n - 1, {pos.x + 1, pos.y}},
    };
    int32_t pushed = 0;
    for (const Side& s : sides) {
        const FillBorder& border = piece.borders[s.side];
        if (border.count > 0) {
            piece.border_count += 1;
        }
        if (!s.reaches || !m_grid.contains_chunk(s.neighbour.x, s.neighbour.y)) {
            continue;
        }
        const int32_t target_index = m_grid.chunk_index(s.neighbour.x, s.neighbour.y);
        const SpriteChunk* target = m_table.find(target_index);
        if (target == nullptr) {
            continue;
        }
        bool any_active = false;
        for (uint64_t k = 0; k < border.count && !any_active; ++k) {
            any_active = cell_active(target->flags[border.cells[k]]);
        }
        if (!any_active) {
            continue;
        }
        SearchNode node;
        node.key = static_cast<int32_t>(piece.cells.size()) + key;
        node.from_chunk = chunk_index;
        node.group = group;
        node.target_chunk = target_index;
        std::copy(border.cells, border.cells + border.count, node.cells);
        node.count = border.count;
        push_node(node);
        ++pushed;
    }
    return pushed;
}

void FloodFill::push_node(const SearchNode& node) {
    // Textbook binary min-heap: a node rises only above parents with a strictly larger key.
    m_heap.push_back(node);
    size_t i = m_heap.size() - 1;
    while (i > 0) {
        const size_t parent = (i - 1) / 2;
        if (m_heap[parent].key <= m_heap[i].key) {
            break;
        }
        std::swap(m_heap[parent], m_heap[i]);
        i = parent;
    }
}

SearchNode FloodFill::pop_node() {
    SearchNode top = m_heap.front();
    m_heap.front() = m_heap.back();
    m_heap.pop_back();
    const size_t size = m_heap.size();
    size_t i = 0;
    while (true) {
        const size_t l = 2 * i + 1;
        const size_t r = l + 1;
        size_t smallest = i;
        if (l < size && m_heap[l].key < m_heap[smallest].key) {
            smallest = l;
        }
        if (r < size && m_heap[r].key < m_heap[smallest].key) {
            smallest = r;
        }
        if (smallest == i) {
            break;
        }
        std::swap(m_heap[i], m_heap[smallest]);
        i = smallest;
    }
    return top;
}

int32_t FloodFill::find(int32_t id) {
    int32_t root = id;
    while (m_parent[static_cast<size_t>(root)] != root) {
        root = m_parent[static_cast<size_t>(root)];
    }
    while (m_parent[static_cast<size_t>(id)] != root) {
        const int32_t next = m_parent[static_cast<size_t>(id)];
        m_parent[static_cast<size_t>(id)] = root;
        id = next;
    }
    return root;
}

int32_t FloodFill::merge(int32_t a, int32_t b) {
    int32_t ra = find(a);
    int32_t rb = find(b);
    if (ra == rb) {
        return ra;
    }
    if (m_rank[static_cast<size_t>(rb)] > m_rank[static_cast<size_t>(ra)]) {
        std::swap(ra, rb);
    } else if (m_rank[static_cast<size_t>(ra)] == m_rank[static_cast<size_t>(rb)]) {
        m_rank[static_cast<size_t>(ra)] += 1;
    }
    m_parent[static_cast<size_t>(rb)] = ra;
    m_open.at(ra) += m_open.at(rb);
    m_open.erase(rb);
    return ra;
}

bool FloodFill::step() {
    if (m_open.size() == 1) {
        return false;
    }
    const SearchNode node = pop_node();
    if (m_debug_print) {
        fmt::print("\n---\n\n");
        fmt::print("Searching:\n    chunk: {} -> chunk: {}\n    group: {}\n", node.from_chunk, node.target_chunk,
                   group_letter(node.group));
    }
    int32_t g = find(node.group);
    m_open.at(g) -= 1;
    const SpriteChunk* target = m_table.find(node.target_chunk);
    if (target != nullptr) {
        const int32_t* labels = labels_of(node.target_chunk);
        for (uint64_t k = 0; k < node.count; ++k) {
            const uint32_t c = node.cells[k];
            if (!cell_active(target->flags[c])) {
                continue;
            }
            const int32_t label = labels[c];
            if (label == -1) {
                const int32_t id = new_group();
                const int32_t pushed = fill(c, node.target_chunk, id, node.key);
                if (pushed > 0) {
                    m_open[id] = pushed;
                    g = merge(g, id);
                }
            } else {
                const int32_t root = find(label);
                if (root != g) {
                    g = merge(g, root);
                }
            }
        }
    }
    if (m_open.at(g) == 0) {
        m_open.erase(g);
    }
    if (m_debug_print) {
        dump_state();
    }
    return true;
}

std::vector<FloodFillGroup> FloodFill::run() {
    if (m_debug_print) {
        fmt::print("\n\n\nInitial flood fill state:\n");
        dump_state();
    }
    while (!m_heap.empty() && step()) {
    }
    if (m_debug_print) {
        fmt::print("\n---\n\n\n\nFinal flood fill state:\n");
        dump_state();
    }

    // Groups in the order of their lowest id, which does not depend on which id became the root.
    std::vector<int32_t> roots;
    std::vector<int32_t> group_of_root(static_cast<size_t>(m_next_group), -1);
    for (int32_t id = 0; id < m_next_group; ++id) {
        const int32_t root = find(id);
        if (group_of_root[static_cast<size_t>(root)] == -1) {
            group_of_root[static_cast<size_t>(root)] = static_cast<int32_t>(roots.size());
            roots.push_back(root);
        }
    }
    std::vector<FloodFillGroup> groups;
    if (roots.size() <= 1) {
        return groups;
    }
    const bool ran_dry = m_open.empty();
    std::vector<int32_t> result_of_root(static_cast<size_t>(m_next_group), -1);
    for (int32_t root : roots) {
        if (m_open.contains(root)) {
            continue;
        }
        result_of_root[static_cast<size_t>(root)] = static_cast<int32_t>(groups.size());
        groups.emplace_back();
    }
    for (int32_t id = 0; id < m_next_group; ++id) {
        const int32_t slot = result_of_root[static_cast<size_t>(find(id))];
        ChunkPiece& piece = m_pieces[static_cast<size_t>(id)];
        if (slot < 0 || piece.cells.empty()) {
            continue;
        }
        FloodFillGroup& group = groups[static_cast<size_t>(slot)];
        group.total += static_cast<int32_t>(piece.cells.size());
        for (uint32_t t = 0; t < kCellTypeCount; ++t) {
            group.counts[t] += static_cast<int32_t>(piece.counts[t]);
        }
        group.pieces.push_back(std::move(piece));
    }

    if (ran_dry && groups.size() > 1) {
        size_t body = 0;
        int32_t best_core = 0;
        for (size_t i = 0; i < groups.size(); ++i) {
            const int32_t core = groups[i].counts[static_cast<size_t>(CellType::Core)];
            if (core > best_core) {
                best_core = core;
                body = i;
            }
        }
        if (best_core == 0) {
            int32_t best_total = -1;
            for (size_t i = 0; i < groups.size(); ++i) {
                if (groups[i].total > best_total) {
                    best_total = groups[i].total;
                    body = i;
                }
            }
        }
        if (body != groups.size() - 1) {
            groups[body] = std::move(groups.back());
        }
        groups.pop_back();
    }
    return groups;
}

char FloodFill::group_letter(int32_t id) const {
    static constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    return kLetters[id % 36];
}

void FloodFill::dump_state() const {
    // Chunks framed with ASCII lines; each reached cell shows its root's letter in its colour.
    auto root_of = [&](int32_t id) {
        while (m_parent[static_cast<size_t>(id)] != id) {
            id = m_parent[static_cast<size_t>(id)];
        }
        return id;
    };
    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    std::string out;
    std::string rule = "+";
    for (uint32_t cx = 0; cx < m_grid.chunks_x; ++cx) {
        rule += std::string(static_cast<size_t>(n), '-') + "+";
    }
    rule += "\n";
    for (int32_t y = static_cast<int32_t>(m_grid.cells_y) - 1; y >= 0; --y) {
        if ((y + 1) % n == 0) {
            out += rule;
        }
        out += "|";
        for (int32_t x = 0; x < static_cast<int32_t>(m_grid.cells_x); ++x) {
            const ChunkCell cc = m_grid.to_chunk_cell(x, y);
            const SpriteChunk* chunk = m_table.find(cc.chunk);
            char c = ' ';
            int32_t color = 15;
            if (chunk != nullptr) {
                const int32_t* labels = labels_if_any(cc.chunk);
                const int32_t label = labels == nullptr ? -1 : labels[cc.cell];
                if (label >= 0) {
                    const int32_t root = root_of(label);
                    c = group_letter(root);
                    color = root % 255 + 1;
                } else if (cell_active(chunk->flags[static_cast<size_t>(cc.cell)])) {
                    c = '.';
                }
            }
            out += fmt::format("\033[38;5;{}m{}", color, c);
            if ((x + 1) % n == 0) {
                out += "\033[38;5;15m|";
            }
        }
        out += "\n";
    }
    out += rule;
    out += fmt::format("groups: {}, fills: {}, open: {}, queued: {}\n", m_next_group, m_fill_count, m_open.size(),
                       m_heap.size());
    fmt::print("{}", out);
}
