#include "SpriteFixtures.h"

#include <algorithm>
#include <array>

#include "Engine/DestructibleSprite/Cell.h"

namespace test_support {

OwnedChunk::OwnedChunk(int32_t index, glm::ivec2 origin) : colors(1024, 0), flags(1024, 0) {
    chunk.index = index;
    chunk.origin = origin;
    chunk.colors = colors;
    chunk.flags = flags;
}

void OwnedChunk::set(int32_t x, int32_t y, uint16_t value) {
    const size_t i = static_cast<size_t>(y * 32 + x);
    if (cell_active(flags[i])) {
        chunk.active -= 1;
    }
    flags[i] = value;
    colors[i] = fixture_color(chunk.origin.x + x, chunk.origin.y + y);
    if (cell_active(value)) {
        chunk.active += 1;
    }
}

void OwnedChunk::fill(uint16_t value) {
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            set(x, y, value);
        }
    }
}

uint16_t flags_of_art(char c) {
    switch (c) {
    case '#':
        return static_cast<uint16_t>(CellType::Filled);
    case 'C':
        return static_cast<uint16_t>(CellType::Core);
    case 'W':
        return static_cast<uint16_t>(CellType::Weakpoint1);
    case 'J':
        return static_cast<uint16_t>(CellType::Joint1);
    case 'x':
        return static_cast<uint16_t>(CellType::Filled) | kCellRemovedBit;
    default:
        return 0;
    }
}

uint32_t fixture_color(int32_t x, int32_t y) {
    return 0xFF000000u | 0x5A0000u | (static_cast<uint32_t>(y & 0xFF) << 8) | static_cast<uint32_t>(x & 0xFF);
}

SpriteAsset make_asset_from_cells(int32_t grid_w, int32_t grid_h, const std::vector<uint16_t>& cells) {
    SpriteAsset a;
    a.metadata.name = "test";
    const int32_t n = kSpriteChunkSize;
    a.chunkCount = {(grid_w + n - 1) / n, (grid_h + n - 1) / n};
    a.cellCount = a.chunkCount * n;
    std::array<int64_t, 11> sum_x{}, sum_y{};
    for (int32_t cy = 0; cy < a.chunkCount.y; ++cy) {
        for (int32_t cx = 0; cx < a.chunkCount.x; ++cx) {
            SpriteChunkData d;
            d.index = cy * a.chunkCount.x + cx;
            d.gridPixelOffset = {cx * n, cy * n};
            for (int32_t ly = 0; ly < n; ++ly) {
                for (int32_t lx = 0; lx < n; ++lx) {
                    const int32_t x = cx * n + lx;
                    const int32_t y = cy * n + ly;
                    if (x >= grid_w || y >= grid_h) {
                        continue;
                    }
                    const uint16_t f =
                        cells[static_cast<size_t>(y) * static_cast<size_t>(grid_w) + static_cast<size_t>(x)];
                    const size_t i = static_cast<size_t>(ly * n + lx);
                    d.mask[i] = f;
                    if (f != 0) {
                        d.color[i] = fixture_color(x, y);
                    }
                    if (cell_active(f)) {
                        d.activePixelCount += 1;
                        const uint32_t t = cell_type_of(f);
                        a.groups[t].activeCount += 1;
                        sum_x[t] += x;
                        sum_y[t] += y;
                    }
                }
            }
            if (d.activePixelCount > 0) {
                a.activePixelCount += d.activePixelCount;
                a.chunks.push_back(d);
            }
        }
    }
    for (size_t t = 0; t < 11; ++t) {
        if (a.groups[t].activeCount > 0) {
            a.groups[t].root_grid_index_position = {static_cast<int32_t>(sum_x[t] / a.groups[t].activeCount),
                                                    static_cast<int32_t>(sum_y[t] / a.groups[t].activeCount)};
        }
    }
    return a;
}

SpriteAsset make_sprite_asset(const std::vector<std::string>& rows, const std::string& name) {
    const int32_t h = static_cast<int32_t>(rows.size());
    int32_t w = 0;
    for (const std::string& r : rows) {
        w = std::max(w, static_cast<int32_t>(r.size()));
    }
    SpriteAsset a = make_asset_from(w, h, [&](int32_t x, int32_t y) -> uint16_t {
        const std::string& row = rows[static_cast<size_t>(h - 1 - y)];
        return x < static_cast<int32_t>(row.size()) ? flags_of_art(row[static_cast<size_t>(x)]) : 0;
    });
    a.metadata.name = name;
    return a;
}

SpriteAsset make_rect_asset(int32_t grid_w, int32_t grid_h, int32_t x0, int32_t y0, int32_t w, int32_t h,
                            uint16_t flags_value) {
    return make_asset_from(grid_w, grid_h, [&](int32_t x, int32_t y) -> uint16_t {
        return (x >= x0 && x < x0 + w && y >= y0 && y < y0 + h) ? flags_value : 0;
    });
}

} // namespace test_support
