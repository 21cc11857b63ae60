#include "tools/asset_builder/SpriteBuild.h"

#include "tools/asset_builder/BuildError.h"

#include <fmt/format.h>
#include <limits>

namespace asset_builder {

namespace {

// The 4-connected pieces formed by the cells that `member` accepts, each given by its first cell
// in scan order (bottom row first).
template <typename Member>
std::vector<int> find_components(const std::vector<uint16_t>& types, int width, int height, Member member) {
    std::vector<uint8_t> seen(types.size(), 0);
    std::vector<int> stack;
    std::vector<int> components;
    for (int start = 0; start < static_cast<int>(types.size()); ++start) {
        if (!member(types[start]) || seen[start])
            continue;
        components.push_back(start);
        seen[start] = 1;
        stack.push_back(start);
        while (!stack.empty()) {
            int i = stack.back();
            stack.pop_back();
            int x = i % width, y = i / width;
            const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& n : next) {
                if (n[0] < 0 || n[1] < 0 || n[0] >= width || n[1] >= height)
                    continue;
                int j = n[1] * width + n[0];
                if (member(types[j]) && !seen[j]) {
                    seen[j] = 1;
                    stack.push_back(j);
                }
            }
        }
    }
    return components;
}

} // namespace

SpriteAsset build_sprite(const CellGrid& grid, const std::filesystem::path& file) {
    SpriteAsset sprite;
    const int chunks_x = (grid.width + kSpriteChunkSize - 1) / kSpriteChunkSize;
    const int chunks_y = (grid.height + kSpriteChunkSize - 1) / kSpriteChunkSize;
    if (chunks_x > kMaxChunksPerSide || chunks_y > kMaxChunksPerSide)
        throw BuildError(file,
                         fmt::format("{} x {} chunks is more than {} a side", chunks_x, chunks_y, kMaxChunksPerSide));
    const int cells_x = chunks_x * kSpriteChunkSize;
    const int cells_y = chunks_y * kSpriteChunkSize;
    const int off_x = (cells_x - grid.width) / 2;
    const int off_y = (cells_y - grid.height) / 2;

    // The whole sprite in global cells, y upwards.
    std::vector<uint16_t> types(static_cast<size_t>(cells_x) * cells_y, kEmpty);
    std::vector<uint32_t> colors(types.size(), 0);
    for (int row = 0; row < grid.height; ++row) {
        const int y = off_y + (grid.height - 1 - row);
        for (int column = 0; column < grid.width; ++column) {
            const size_t g = static_cast<size_t>(y) * cells_x + off_x + column;
            types[g] = grid.type[grid.at(column, row)];
            colors[g] = types[g] == kEmpty ? 0 : grid.color[grid.at(column, row)];
        }
    }

    sprite.chunkCount = {chunks_x, chunks_y};
    sprite.cellCount = {cells_x, cells_y};

    // Chunks in index order; chunks without an active cell are left out.
    for (int cy = 0; cy < chunks_y; ++cy) {
        for (int cx = 0; cx < chunks_x; ++cx) {
            SpriteChunkData chunk;
            chunk.index = cy * chunks_x + cx;
            chunk.gridPixelOffset = {cx * kSpriteChunkSize, cy * kSpriteChunkSize};
            for (int ly = 0; ly < kSpriteChunkSize; ++ly) {
                for (int lx = 0; lx < kSpriteChunkSize; ++lx) {
                    const size_t g =
                        static_cast<size_t>(cy * kSpriteChunkSize + ly) * cells_x + cx * kSpriteChunkSize + lx;
                    const int cell = ly * kSpriteChunkSize + lx;
                    chunk.mask[cell] = types[g];
                    chunk.color[cell] = colors[g];
                    if (types[g] != kEmpty)
                        ++chunk.activePixelCount;
                }
            }
            if (chunk.activePixelCount == 0)
                continue;
            sprite.activePixelCount += chunk.activePixelCount;
            sprite.chunks.push_back(chunk);
        }
    }
    if (sprite.activePixelCount == 0)
        throw BuildError(file, "the sprite has no filled cell");
    // A sprite that starts in several pieces would fall apart at its first commit.
    const std::vector<int> pieces = find_components(types, cells_x, cells_y, [](uint16_t c) { return c != kEmpty; });
    // Where a global cell came from in the text, for messages.
    auto source_line = [&](int cell) { return grid.line_of(grid.height - 1 - (cell / cells_x - off_y)); };
    auto source_column = [&](int cell) { return grid.text_column_of(cell % cells_x - off_x); };
    if (pieces.size() > 1)
        throw BuildError(file, source_line(pieces[1]),
                         fmt::format("the filled cells form {} separate pieces; a sprite must be one piece (cells "
                                     "touching by a side); the piece at column {} is cut off",
                                     pieces.size(), source_column(pieces[1])));

    // Per-type counts, centres and the cell nearest each centre.
    double sum_x[kCellTypeCount] = {}, sum_y[kCellTypeCount] = {};
    glm::ivec2 lo[kCellTypeCount], hi[kCellTypeCount];
    for (size_t t = 0; t < kCellTypeCount; ++t) {
        lo[t] = {std::numeric_limits<int>::max(), std::numeric_limits<int>::max()};
        hi[t] = {-1, -1};
    }
    for (int y = 0; y < cells_y; ++y) {
        for (int x = 0; x < cells_x; ++x) {
            const uint16_t t = types[static_cast<size_t>(y) * cells_x + x];
            if (t == kEmpty)
                continue;
            ++sprite.groups[t].activeCount;
            sum_x[t] += x + 0.5;
            sum_y[t] += y + 0.5;
            lo[t] = {std::min(lo[t].x, x), std::min(lo[t].y, y)};
            hi[t] = {std::max(hi[t].x, x), std::max(hi[t].y, y)};
        }
    }
    double center_x[kCellTypeCount] = {}, center_y[kCellTypeCount] = {};
    for (uint32_t t = 1; t < kCellTypeCount; ++t) {
        const int n = sprite.groups[t].activeCount;
        if (n == 0)
            continue;
        center_x[t] = sum_x[t] / n;
        center_y[t] = sum_y[t] / n;
        double best = std::numeric_limits<double>::max();
        for (int y = lo[t].y; y <= hi[t].y; ++y) {
            for (int x = lo[t].x; x <= hi[t].x; ++x) {
                if (types[static_cast<size_t>(y) * cells_x + x] != t)
                    continue;
                const double dx = x + 0.5 - center_x[t], dy = y + 0.5 - center_y[t];
                const double d = dx * dx + dy * dy;
                if (d < best) {
                    best = d;
                    sprite.groups[t].root_grid_index_position = {x, y};
                }
            }
        }
    }

    // One core per core type present.
    for (uint32_t t = kCore; t < kCellTypeCount; ++t) {
        const int n = sprite.groups[t].activeCount;
        if (n == 0)
            continue;
        const std::vector<int> parts = find_components(types, cells_x, cells_y, [t](uint16_t c) { return c == t; });
        if (parts.size() > 1)
            throw BuildError(file, source_line(parts[1]),
                             fmt::format("the {} cells form {} separate cores; a sprite has at most one core of each "
                                         "type (the cells at column {} are apart from the others)",
                                         cell_type_word(t), parts.size(), source_column(parts[1])));
        if (static_cast<int64_t>(n) * 5 > sprite.activePixelCount)
            throw BuildError(file, fmt::format("the {} core has {} of {} live cells, more than 20% (it would explode "
                                               "at once)",
                                               cell_type_word(static_cast<int>(t)), n, sprite.activePixelCount));
        SpriteCoreData core;
        core.type = static_cast<uint32_t>(t);
        core.min = lo[t];
        core.max = hi[t];
        core.width = hi[t].x - lo[t].x + 1;
        core.height = hi[t].y - lo[t].y + 1;
        core.gridPointOffset = {static_cast<float>(center_x[t]), static_cast<float>(center_y[t])};
        core.initialCellCount = n;
        core.color.assign(static_cast<size_t>(core.width) * core.height, 0);
        for (int y = lo[t].y; y <= hi[t].y; ++y) {
            for (int x = lo[t].x; x <= hi[t].x; ++x) {
                const size_t g = static_cast<size_t>(y) * cells_x + x;
                if (types[g] == t)
                    core.color[static_cast<size_t>(y - lo[t].y) * core.width + (x - lo[t].x)] = colors[g];
            }
        }
        sprite.cores.push_back(std::move(core));
    }
    return sprite;
}

ImageAsset build_image(const CellGrid& grid) {
    ImageAsset image;
    image.width = grid.width;
    image.height = grid.height;
    image.channels = 4;
    image.pixels.reserve(grid.color.size() * 4);
    for (uint32_t c : grid.color)
        for (int i = 0; i < 4; ++i)
            image.pixels.push_back(static_cast<uint8_t>(c >> (8 * i)));
    return image;
}

const SpriteCoreData* find_core(const SpriteAsset& sprite, uint32_t type) {
    for (const SpriteCoreData& core : sprite.cores)
        if (core.type == type)
            return &core;
    return nullptr;
}

uint16_t sprite_cell_type(const SpriteAsset& sprite, int x, int y) {
    if (x < 0 || y < 0 || x >= sprite.cellCount.x || y >= sprite.cellCount.y)
        return kEmpty;
    const int index = (y / kSpriteChunkSize) * sprite.chunkCount.x + x / kSpriteChunkSize;
    for (const SpriteChunkData& chunk : sprite.chunks)
        if (chunk.index == index)
            return chunk.mask[(y % kSpriteChunkSize) * kSpriteChunkSize + x % kSpriteChunkSize];
    return kEmpty;
}

} // namespace asset_builder
