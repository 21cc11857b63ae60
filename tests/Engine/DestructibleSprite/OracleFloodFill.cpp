#include "OracleFloodFill.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Random.h"

namespace {

// The neighbours of a cell in the order the fill tests them.
constexpr int32_t kDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
constexpr int32_t kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};

} // namespace

OracleFloodFill::OracleFloodFill(const SpriteGrid& grid, const ChunkTable& table,
                                 const std::unordered_set<SpriteChunk*>& dirty)
    : m_grid(grid), m_table(table) {
    if (grid.chunk_size == 0 || grid.chunk_size > kFloodFillMaxChunkSize) {
        throw std::invalid_argument("OracleFloodFill: unsupported chunk size");
    }
    for (int i = 0; i < 3; ++i) {
        random_float();
    }
    m_labels.resize(std::max<size_t>(grid.chunk_count(), table.slot_of_index.size()));

    std::vector<SpriteChunk*> seeds(dirty.begin(), dirty.end());
    std::sort(seeds.begin(), seeds.end(),
              [](const SpriteChunk* a, const SpriteChunk* b) { return a->index < b->index; });
    for (SpriteChunk* chunk : seeds) {
        if (m_table.find(chunk->index) != chunk) {
            continue;
        }
        for (uint32_t i = 0; i < m_grid.cells_per_chunk(); ++i) {
            if (labels_of(chunk->index)[i] == -1 && cell_active(chunk->flags[i])) {
                fill(i, chunk->index, 0);
            }
        }
    }
}

std::vector<int32_t>& OracleFloodFill::labels_of(int32_t chunk) {
    std::vector<int32_t>& labels = m_labels[static_cast<size_t>(chunk)];
    if (labels.empty()) {
        labels.assign(m_grid.cells_per_chunk(), -1);
    }
    return labels;
}

void OracleFloodFill::fill_cells(const SpriteChunk& chunk, std::vector<int32_t>& labels, ChunkPiece& piece,
                                 int32_t group) const {
    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    const auto open = [&](int32_t x, int32_t y) {
        return x >= 0 && y >= 0 && x < n && y < n && labels[static_cast<size_t>(y * n + x)] == -1 &&
               cell_active(chunk.flags[static_cast<size_t>(y * n + x)]);
    };
    const int32_t seed = static_cast<int32_t>(piece.seed);
    labels[piece.seed] = group;
    if (n == 32) {
        // Last in, first out; a neighbour is labelled when it is pushed.
        std::vector<int32_t> stack{seed};
        while (!stack.empty()) {
            const int32_t i = stack.back();
            stack.pop_back();
            piece.cells.push_back(i);
            for (int k = 0; k < 8; ++k) {
                const int32_t x = i % n + kDx[k];
                const int32_t y = i / n + kDy[k];
                if (open(x, y)) {
                    labels[static_cast<size_t>(y * n + x)] = group;
                    stack.push_back(y * n + x);
                }
            }
        }
    } else {
        // Last in, first out; every neighbour position is pushed and tested when it is popped.
        std::vector<std::pair<int32_t, int32_t>> stack{{seed % n, seed / n}};
        bool first = true;
        while (!stack.empty()) {
            const auto [x, y] = stack.back();
            stack.pop_back();
            if (!first) {
                if (!open(x, y)) {
                    continue;
                }
                labels[static_cast<size_t>(y * n + x)] = group;
            }
            first = false;
            piece.cells.push_back(y * n + x);
            for (int k = 0; k < 8; ++k) {
                stack.emplace_back(x + kDx[k], y + kDy[k]);
            }
        }
    }
}

int32_t OracleFloodFill::fill(uint32_t seed, int32_t chunk_index, int32_t key) {
    const int32_t group = static_cast<int32_t>(m_pieces.size());
    m_part.push_back(group);
    m_pieces.emplace_back();
    ChunkPiece& piece = m_pieces.back();
    piece.seed = seed;
    piece.chunk = chunk_index;
    const SpriteChunk& chunk = *m_table.find(chunk_index);
    fill_cells(chunk, labels_of(chunk_index), piece, group);

    // Everything else follows from the cells in fill order.
    const int32_t n = static_cast<int32_t>(m_grid.chunk_size);
    for (const int32_t i : piece.cells) {
        const int32_t x = i % n;
        const int32_t y = i / n;
        piece.counts[cell_type_of(chunk.flags[static_cast<size_t>(i)])] += 1;
        piece.min_x = std::min(piece.min_x, x);
        piece.min_y = std::min(piece.min_y, y);
        piece.max_x = std::max(piece.max_x, x);
        piece.max_y = std::max(piece.max_y, y);
        // The touching cell across each side: (x, 0) above, (x, n - 1) below, (n - 1, y) left, (0, y) right.
        const std::pair<bool, int32_t> touching[4] = {
            {y == n - 1, x}, {y == 0, (n - 1) * n + x}, {x == 0, y * n + n - 1}, {x == n - 1, y * n}};
        for (size_t side = 0; side < 4; ++side) {
            if (touching[side].first) {
                FillBorder& border = piece.borders[side];
                border.cells[border.count++] = static_cast<uint32_t>(touching[side].second);
            }
        }
    }

    // Up, down, left, right: a side with filled cells is crossed into a neighbouring chunk that exists and has
    // one of the touching cells active.
    const glm::ivec2 pos = m_grid.chunk_position(chunk_index);
    const glm::ivec2 neighbours[4] = {{pos.x, pos.y + 1}, {pos.x, pos.y - 1}, {pos.x - 1, pos.y}, {pos.x + 1, pos.y}};
    for (size_t side = 0; side < 4; ++side) {
        const FillBorder& border = piece.borders[side];
        if (border.count == 0) {
            continue;
        }
        piece.border_count += 1;
        if (!m_grid.contains_chunk(neighbours[side].x, neighbours[side].y)) {
            continue;
        }
        const int32_t target_index = m_grid.chunk_index(neighbours[side].x, neighbours[side].y);
        const SpriteChunk* target = m_table.find(target_index);
        if (target == nullptr || std::none_of(border.cells, border.cells + border.count,
                                              [&](uint32_t c) { return cell_active(target->flags[c]); })) {
            continue;
        }
        SearchNode node;
        node.key = key + static_cast<int32_t>(piece.cells.size());
        node.from_chunk = chunk_index;
        node.group = group;
        node.target_chunk = target_index;
        std::copy(border.cells, border.cells + border.count, node.cells);
        node.count = border.count;
        push_node(node);
    }
    return group;
}

void OracleFloodFill::join(int32_t a, int32_t b) {
    const int32_t kept = std::min(m_part[static_cast<size_t>(a)], m_part[static_cast<size_t>(b)]);
    const int32_t gone = std::max(m_part[static_cast<size_t>(a)], m_part[static_cast<size_t>(b)]);
    std::replace(m_part.begin(), m_part.end(), gone, kept);
}

bool OracleFloodFill::has_nodes(int32_t part) const {
    return std::any_of(m_heap.begin(), m_heap.end(),
                       [&](const SearchNode& node) { return m_part[static_cast<size_t>(node.group)] == part; });
}

std::vector<int32_t> OracleFloodFill::open_parts() const {
    std::vector<int32_t> parts;
    for (const SearchNode& node : m_heap) {
        parts.push_back(m_part[static_cast<size_t>(node.group)]);
    }
    std::sort(parts.begin(), parts.end());
    parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
    return parts;
}

void OracleFloodFill::push_node(const SearchNode& node) {
    // Binary min-heap: a node rises only above parents with a strictly larger key.
    m_heap.push_back(node);
    for (size_t i = m_heap.size() - 1; i > 0 && m_heap[(i - 1) / 2].key > m_heap[i].key; i = (i - 1) / 2) {
        std::swap(m_heap[(i - 1) / 2], m_heap[i]);
    }
}

SearchNode OracleFloodFill::pop_node() {
    // The last node takes the top and sinks below any child with a strictly smaller key, the left one first.
    const SearchNode top = m_heap.front();
    m_heap.front() = m_heap.back();
    m_heap.pop_back();
    for (size_t i = 0;;) {
        size_t smallest = i;
        for (const size_t child : {2 * i + 1, 2 * i + 2}) {
            if (child < m_heap.size() && m_heap[child].key < m_heap[smallest].key) {
                smallest = child;
            }
        }
        if (smallest == i) {
            break;
        }
        std::swap(m_heap[i], m_heap[smallest]);
        i = smallest;
    }
    return top;
}

std::vector<FloodFillGroup> OracleFloodFill::run() {
    // Smallest gathered count first, until a single part can still grow: that part is the body.
    while (!m_heap.empty() && open_parts().size() != 1) {
        const SearchNode node = pop_node();
        const std::vector<int32_t>& labels = labels_of(node.target_chunk);
        const SpriteChunk* target = m_table.find(node.target_chunk);
        for (uint64_t k = 0; target != nullptr && k < node.count; ++k) {
            const uint32_t c = node.cells[k];
            if (!cell_active(target->flags[c])) {
                continue;
            }
            if (labels[c] == -1) {
                // A fresh piece joins the part only when it can grow further; one that crosses no border stays a
                // part of its own.
                const int32_t fresh = fill(c, node.target_chunk, node.key);
                if (has_nodes(m_part[static_cast<size_t>(fresh)])) {
                    join(node.group, fresh);
                }
            } else {
                join(node.group, labels[c]);
            }
        }
    }

    // Parts in the order of their lowest group id; a part with nodes left is the body and stays out.
    const std::vector<int32_t> open = open_parts();
    std::vector<int32_t> parts;
    for (const int32_t part : m_part) {
        if (std::find(parts.begin(), parts.end(), part) == parts.end()) {
            parts.push_back(part);
        }
    }
    std::vector<FloodFillGroup> groups;
    if (parts.size() <= 1) {
        return groups;
    }
    for (const int32_t part : parts) {
        if (std::find(open.begin(), open.end(), part) != open.end()) {
            continue;
        }
        FloodFillGroup group;
        for (size_t id = 0; id < m_pieces.size(); ++id) {
            if (m_part[id] != part || m_pieces[id].cells.empty()) {
                continue;
            }
            group.total += static_cast<int32_t>(m_pieces[id].cells.size());
            for (uint32_t t = 0; t < kCellTypeCount; ++t) {
                group.counts[t] += static_cast<int32_t>(m_pieces[id].counts[t]);
            }
            group.pieces.push_back(std::move(m_pieces[id]));
        }
        groups.push_back(std::move(group));
    }

    // When every part closed, the body is the part with the most Core cells, else the largest, the first of
    // equal ones; the last group moves into its place.
    if (open.empty() && groups.size() > 1) {
        const auto cores = [](const FloodFillGroup& g) { return g.counts[static_cast<size_t>(CellType::Core)]; };
        const bool any_core = std::any_of(groups.begin(), groups.end(), [&](const auto& g) { return cores(g) > 0; });
        size_t body = 0;
        for (size_t i = 1; i < groups.size(); ++i) {
            if (any_core ? cores(groups[i]) > cores(groups[body]) : groups[i].total > groups[body].total) {
                body = i;
            }
        }
        if (body != groups.size() - 1) {
            groups[body] = std::move(groups.back());
        }
        groups.pop_back();
    }
    return groups;
}
