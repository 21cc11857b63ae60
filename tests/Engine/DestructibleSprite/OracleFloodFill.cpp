#include "OracleFloodFill.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Random.h"

OracleFloodFill::OracleFloodFill(const SpriteGrid& grid, const ChunkTable& table,
                                 const std::unordered_set<SpriteChunk*>& dirty)
    : m_grid(grid), m_table(table) {
    if (grid.chunk_size == 0 || grid.chunk_size > kFloodFillMaxChunkSize) {
        throw std::invalid_argument("OracleFloodFill: unsupported chunk size");
    }
    // Drawn at every construction, debug or not: replays rely on the generator's sequence.
    const uint32_t r = static_cast<uint32_t>(random_float() * 255.0f);
    const uint32_t g = static_cast<uint32_t>(random_float() * 255.0f);
    const uint32_t b = static_cast<uint32_t>(random_float() * 255.0f);
    m_debug_colour = r | (g << 8) | (b << 16) | 0xFF000000u;

    m_labels.resize(std::max<size_t>(grid.chunk_count(), table.slot_of_index.size()));

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

int32_t* OracleFloodFill::labels_of(int32_t chunk) {
    std::vector<int32_t>& labels = m_labels[static_cast<size_t>(chunk)];
    if (labels.empty()) {
        labels.assign(m_grid.cells_per_chunk(), -1);
    }
    return labels.data();
}

const int32_t* OracleFloodFill::labels_if_any(int32_t chunk) const {
    const std::vector<int32_t>& labels = m_labels[static_cast<size_t>(chunk)];
    return labels.empty() ? nullptr : labels.data();
}

int32_t OracleFloodFill::new_group() {
    const int32_t id = m_next_group++;
    m_parent.push_back(id);
    m_rank.push_back(0);
    m_pieces.emplace_back();
    return id;
}

void OracleFloodFill::add_cell(ChunkPiece& piece, const SpriteChunk& chunk, int32_t cell) {
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

void OracleFloodFill::add_border_cell(ChunkPiece& piece, int32_t x, int32_t y) const {
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

void OracleFloodFill::fill_fixed(const SpriteChunk& chunk, int32_t* label, ChunkPiece& piece, int32_t group) {
    // Neighbour order (-1, -1), (0, -1), (+1, -1), (-1, 0), (+1, 0), (-1, +1), (0, +1), (+1, +1),
    // as index deltas -33, -32, -31, -1, +1, +31, +32, +33. Every cell is pushed at most once, so
    // a stack and a cell list of one chunk's size are enough.
    const uint16_t* flags = chunk.flags.data();
    int32_t stack[1024];
    int32_t cells[1024];
    int32_t top = 0;
    int32_t count = 0;
    stack[top++] = m_stack.back();
    m_stack.pop_back();
    uint32_t counts[kCellTypeCount] = {};
    int32_t min_x = piece.min_x, min_y = piece.min_y, max_x = piece.max_x, max_y = piece.max_y;
    auto visit = [&](int32_t j) {
        if (label[j] == -1 && cell_active(flags[j])) {
            label[j] = group;
            stack[top++] = j;
        }
    };
    while (top > 0) {
        const int32_t i = stack[--top];
        const int32_t x = i & 31;
        const int32_t y = i >> 5;
        counts[cell_type_of(flags[i])] += 1;
        cells[count++] = i;
        min_x = std::min(min_x, x);
        min_y = std::min(min_y, y);
        max_x = std::max(max_x, x);
        max_y = std::max(max_y, y);
        const bool left = x > 0;
        const bool right = x < 31;
        const bool down = y > 0;
        const bool up = y < 31;
        if (down) {
            if (left) {
                visit(i - 33);
            }
            visit(i - 32);
            if (right) {
                visit(i - 31);
            }
        }
        if (left) {
            visit(i - 1);
        }
        if (right) {
            visit(i + 1);
        }
        if (up) {
            if (left) {
                visit(i + 31);
            }
            visit(i + 32);
            if (right) {
                visit(i + 33);
            }
        }
        if (!(left && right && down && up)) {
            add_border_cell(piece, x, y);
        }
    }
    piece.cells.assign(cells, cells + count);
    for (uint32_t t = 0; t < kCellTypeCount; ++t) {
        piece.counts[t] += counts[t];
    }
    piece.min_x = min_x;
    piece.min_y = min_y;
    piece.max_x = max_x;
    piece.max_y = max_y;
}

void OracleFloodFill::fill_general(const SpriteChunk& chunk, int32_t* labels, ChunkPiece& piece, int32_t group) {
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

int32_t OracleFloodFill::fill(uint32_t seed, int32_t chunk_index, int32_t group, int32_t key) {
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
    if (m_grid.chunk_size == 32) {
        fill_fixed(chunk, labels, piece, group);
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

void OracleFloodFill::push_node(const SearchNode& node) {
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

SearchNode OracleFloodFill::pop_node() {
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

int32_t OracleFloodFill::find(int32_t id) {
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

int32_t OracleFloodFill::merge(int32_t a, int32_t b) {
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

bool OracleFloodFill::step() {
    if (m_open.size() == 1) {
        return false;
    }
    const SearchNode node = pop_node();
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
    return true;
}

std::vector<FloodFillGroup> OracleFloodFill::run() {
    while (!m_heap.empty() && step()) {
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
