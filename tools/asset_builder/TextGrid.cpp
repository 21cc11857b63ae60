#include "tools/asset_builder/TextGrid.h"

#include "tools/asset_builder/AssetModel.h"
#include "tools/asset_builder/BuildError.h"

#include <array>
#include <fmt/format.h>
#include <optional>
#include <string>
#include <string_view>

namespace asset_builder {

namespace {

constexpr std::array<const char*, kCellTypeCount> kTypeWords = {"empty", "filled", "core",   "weak1",  "weak2", "weak3",
                                                                "weak4", "joint1", "joint2", "joint3", "joint4"};
constexpr int kMaxScale = 8;
constexpr int kMaxGridSide = 4096;

// Every blank character alike: each separates words, and a line of nothing else is blank.
constexpr std::string_view kBlanks = " \t\r\f\v";

std::vector<std::string> split_words(std::string_view line) {
    std::vector<std::string> words;
    size_t at = line.find_first_not_of(kBlanks);
    while (at != std::string_view::npos) {
        const size_t end = line.find_first_of(kBlanks, at);
        words.emplace_back(line.substr(at, end == std::string_view::npos ? end : end - at));
        at = end == std::string_view::npos ? end : line.find_first_not_of(kBlanks, end);
    }
    return words;
}

std::string_view trim_right(std::string_view s) {
    const size_t last = s.find_last_not_of(kBlanks);
    return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

std::optional<uint32_t> parse_color(std::string_view text) {
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    if (text.size() != 6 && text.size() != 8)
        return std::nullopt;
    uint32_t bytes[4] = {0, 0, 0, 255};
    for (size_t i = 0; i < text.size() / 2; ++i) {
        uint32_t v = 0;
        for (size_t k = 0; k < 2; ++k) {
            char c = text[2 * i + k];
            int d = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
            if (d < 0)
                return std::nullopt;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        bytes[i] = v;
    }
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (bytes[3] << 24);
}

struct LegendEntry {
    bool defined = false;
    uint16_t type = 0;
    uint32_t color = 0;
};

} // namespace

int parse_cell_type(std::string_view word) {
    for (int i = 0; i < static_cast<int>(kCellTypeCount); ++i)
        if (word == kTypeWords[i])
            return i;
    if (!word.empty() && word.size() <= 2 && word.find_first_not_of("0123456789") == std::string_view::npos) {
        int v = std::stoi(std::string(word));
        if (v < static_cast<int>(kCellTypeCount))
            return v;
    }
    return -1;
}

const char* cell_type_word(int type) {
    return (type >= 0 && type < static_cast<int>(kCellTypeCount)) ? kTypeWords[type] : "?";
}

CellGrid parse_text_grid(std::string_view text, const std::filesystem::path& file, GridKind kind) {
    std::array<LegendEntry, 256> legend{};
    int scale = 1;
    enum class Section { Header, Legend, Grid } section = Section::Header;
    std::vector<std::string_view> rows;
    std::vector<int> row_lines;
    bool saw_legend = false;
    int blank_after_row = 0;

    int line_no = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trim_right(text.substr(pos, end - pos));
        pos = end + 1;
        ++line_no;

        if (section == Section::Grid) {
            if (line.empty()) {
                if (!rows.empty() && blank_after_row == 0)
                    blank_after_row = line_no;
                continue;
            }
            if (blank_after_row != 0)
                throw BuildError(file, blank_after_row, "blank line inside the grid (rows must be contiguous)");
            rows.push_back(line);
            row_lines.push_back(line_no);
            continue;
        }

        const std::vector<std::string> words = split_words(line);
        if (words.empty() || words[0][0] == ';')
            continue;

        if (words[0] == "legend" && words.size() == 1) {
            section = Section::Legend;
            saw_legend = true;
            continue;
        }
        if (words[0] == "grid" && words.size() == 1) {
            if (!saw_legend)
                throw BuildError(file, line_no, "\"grid\" comes before any \"legend\"");
            section = Section::Grid;
            continue;
        }
        if (section == Section::Header) {
            if (words[0] == "scale" && words.size() == 2) {
                try {
                    scale = std::stoi(words[1]);
                } catch (...) {
                    scale = 0;
                }
                if (scale < 1 || scale > kMaxScale)
                    throw BuildError(file, line_no, fmt::format("scale must be 1 to {}", kMaxScale));
                continue;
            }
            throw BuildError(file, line_no, fmt::format("unknown directive \"{}\"", words[0]));
        }

        // A legend line.
        if (words[0].size() != 1)
            throw BuildError(file, line_no, fmt::format("legend key \"{}\" must be one character", words[0]));
        unsigned char key = static_cast<unsigned char>(words[0][0]);
        if (key == ';' || key < 33 || key > 126)
            throw BuildError(file, line_no, fmt::format("'{}' cannot be a legend key", words[0]));
        LegendEntry& entry = legend[key];
        if (entry.defined)
            throw BuildError(file, line_no, fmt::format("legend key '{}' is defined twice", words[0]));
        entry.defined = true;
        if (kind == GridKind::Image) {
            if (words.size() != 2)
                throw BuildError(file, line_no, "an image legend line is <char> <colour RRGGBB[AA]>");
            auto color = parse_color(words[1]);
            if (!color)
                throw BuildError(file, line_no, fmt::format("bad colour \"{}\"", words[1]));
            entry.color = *color;
            continue;
        }
        if (words.size() < 2 || words.size() > 3)
            throw BuildError(file, line_no, "a sprite legend line is <char> <cell type> [colour RRGGBB[AA]]");
        int type = parse_cell_type(words[1]);
        if (type < 0)
            throw BuildError(
                file, line_no,
                fmt::format("unknown cell type \"{}\" (empty, filled, core, weak1-4, joint1-4 or 0-10)", words[1]));
        entry.type = static_cast<uint16_t>(type);
        if (type == kEmpty) {
            if (words.size() == 3)
                throw BuildError(file, line_no, "an empty cell takes no colour");
            continue;
        }
        if (words.size() != 3)
            throw BuildError(file, line_no, fmt::format("cell type \"{}\" needs a colour", words[1]));
        auto color = parse_color(words[2]);
        if (!color)
            throw BuildError(file, line_no, fmt::format("bad colour \"{}\"", words[2]));
        if ((*color >> 24) == 0)
            throw BuildError(file, line_no, "a filled cell needs a colour with alpha above 0");
        entry.color = *color;
    }

    if (section != Section::Grid)
        throw BuildError(file, "no \"grid\" section");
    if (rows.empty())
        throw BuildError(file, "the grid has no rows");

    const int columns = static_cast<int>(rows[0].size());
    for (size_t r = 0; r < rows.size(); ++r) {
        if (static_cast<int>(rows[r].size()) != columns)
            throw BuildError(
                file, row_lines[r],
                fmt::format("ragged row: {} characters where the first row has {}", rows[r].size(), columns));
        for (size_t c = 0; c < rows[r].size(); ++c) {
            unsigned char key = static_cast<unsigned char>(rows[r][c]);
            if (!legend[key].defined)
                throw BuildError(file, row_lines[r],
                                 fmt::format("unknown legend character '{}' in column {}", rows[r][c], c + 1));
        }
    }
    if (columns * scale > kMaxGridSide || static_cast<int>(rows.size()) * scale > kMaxGridSide)
        throw BuildError(file, fmt::format("the grid is larger than {} cells a side", kMaxGridSide));

    CellGrid grid;
    grid.width = columns * scale;
    grid.height = static_cast<int>(rows.size()) * scale;
    grid.scale = scale;
    grid.first_row_line = row_lines[0];
    grid.type.resize(static_cast<size_t>(grid.width) * grid.height);
    grid.color.resize(grid.type.size());
    for (int row = 0; row < grid.height; ++row) {
        for (int column = 0; column < grid.width; ++column) {
            const LegendEntry& e = legend[static_cast<unsigned char>(rows[row / scale][column / scale])];
            grid.type[grid.at(column, row)] = e.type;
            grid.color[grid.at(column, row)] = e.color;
        }
    }
    return grid;
}

} // namespace asset_builder
