#pragma once
// Turns a cell grid into the stored sprite: the chunk split, per-type groups and cores.
//
// The drawing is centred in a grid of whole chunks (padding split evenly, the odd cell left and
// below), and text rows are flipped so that cell y grows upwards.

#include "tools/asset_builder/AssetModel.h"
#include "tools/asset_builder/TextGrid.h"

#include <filesystem>

namespace asset_builder {

constexpr int kMaxChunksPerSide = 64;

SpriteAsset build_sprite(const CellGrid& grid, const std::filesystem::path& file);

ImageAsset build_image(const CellGrid& grid);

const SpriteCoreData* find_core(const SpriteAsset& sprite, uint32_t type);

// Cell type of global cell (x, y); Empty outside the grid or in an omitted chunk.
uint16_t sprite_cell_type(const SpriteAsset& sprite, int x, int y);

} // namespace asset_builder
