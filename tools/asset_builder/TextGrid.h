#pragma once
// Pixel-art text sources: a legend that maps each character to a cell type and colour, then a
// grid of those characters, top row first. Sprites (".sprite") and images (".image") share it.
//
//   ; comment
//   scale 2               optional: every character becomes scale x scale cells (1 to 8)
//   legend
//   .  empty              sprites: <char> <type> [colour]; images: <char> <colour>
//   h  filled 8a93a6      colour RRGGBB or RRGGBBAA, red first
//   grid
//   ..hh..
//
// Cell types: empty, filled, core, weak1-weak4, joint1-joint4, or their numbers 0-10.

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace asset_builder {

enum class GridKind { Sprite, Image };

// A parsed grid after scaling: width x height cells, row 0 on top.
struct CellGrid {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> type;  // cell type per cell (always 0 for images)
    std::vector<uint32_t> color; // RGBA8 per cell, red in the low byte
    int scale = 1;
    int first_row_line = 0; // source line of the top text row

    size_t at(int column, int row) const { return static_cast<size_t>(row) * width + column; }
    // Source line and 1-based text column of a cell given by its grid column and row.
    int line_of(int row) const { return first_row_line + row / scale; }
    int text_column_of(int column) const { return column / scale + 1; }
};

CellGrid parse_text_grid(std::string_view text, const std::filesystem::path& file, GridKind kind);

// "core" -> 2, "joint3" -> 9, "5" -> 5; -1 when the word names no cell type.
int parse_cell_type(std::string_view word);
const char* cell_type_word(int type);

} // namespace asset_builder
