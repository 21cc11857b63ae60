#pragma once
// Small hand-made sprite data for the destructible sprite tests.

#include <cstdint>
#include <string>
#include <vector>

#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/SpriteChunk.h"

namespace test_support {

// A chunk record with cell storage of its own (the pool normally provides it).
struct OwnedChunk {
    std::vector<uint32_t> colors;
    std::vector<uint16_t> flags;
    SpriteChunk chunk;

    OwnedChunk(int32_t index, glm::ivec2 origin);
    OwnedChunk(const OwnedChunk&) = delete;
    OwnedChunk& operator=(const OwnedChunk&) = delete;

    // Sets the cell's type (and a colour made from its position) and counts it when active.
    void set(int32_t x, int32_t y, uint16_t flags_value);
    void fill(uint16_t flags_value);
};

// Cell art: one string per row, top row first; '.' empty, '#' Filled, 'C' Core, 'W' Weakpoint1,
// 'J' Joint1, 'x' a removed Filled cell.
uint16_t flags_of_art(char c);

// The colour the fixtures give the cell (x, y): opaque, x in red, y in green, 0x5A in blue.
uint32_t fixture_color(int32_t x, int32_t y);

// An asset as the builder writes it: whole chunks, empty chunks left out, exact counts, one group
// per type with a reference cell near the middle of the type's cells.
SpriteAsset make_sprite_asset(const std::vector<std::string>& rows, const std::string& name = "test");
// A rectangle of w x h cells of one flag value, lower-left at cell (x0, y0), in a grid of
// grid_w x grid_h cells.
SpriteAsset make_rect_asset(int32_t grid_w, int32_t grid_h, int32_t x0, int32_t y0, int32_t w, int32_t h,
                            uint16_t flags_value);
// Cells given per position through a callback: flags_of(x, y).
template <typename F>
SpriteAsset make_asset_from(int32_t grid_w, int32_t grid_h, F&& flags_of);
SpriteAsset make_asset_from_cells(int32_t grid_w, int32_t grid_h, const std::vector<uint16_t>& cells);

template <typename F>
SpriteAsset make_asset_from(int32_t grid_w, int32_t grid_h, F&& flags_of) {
    std::vector<uint16_t> cells(static_cast<size_t>(grid_w) * static_cast<size_t>(grid_h));
    for (int32_t y = 0; y < grid_h; ++y) {
        for (int32_t x = 0; x < grid_w; ++x) {
            cells[static_cast<size_t>(y) * static_cast<size_t>(grid_w) + static_cast<size_t>(x)] = flags_of(x, y);
        }
    }
    return make_asset_from_cells(grid_w, grid_h, cells);
}

} // namespace test_support
