#pragma once
// What the builder makes of its sources: the engine's own asset records (Common/Assets), each with the file it was
// built from. The records are written through the field tables the loader reads them by (Writer.cpp), so a field
// added to a record is read and written alike.

#include <filesystem>
#include <vector>

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/CellFlags.h"

namespace asset_builder {

// The cell types the builder compares stored cells with, as the numbers a chunk's mask holds.
inline constexpr uint16_t kEmpty = cell_type_value(CellType::Empty);
inline constexpr uint16_t kFilled = cell_type_value(CellType::Filled);
inline constexpr uint16_t kCore = cell_type_value(CellType::Core);
inline constexpr uint16_t kWeakpoint1 = cell_type_value(CellType::Weakpoint1);
inline constexpr uint16_t kWeakpoint4 = cell_type_value(CellType::Weakpoint4);
inline constexpr uint16_t kJoint1 = cell_type_value(CellType::Joint1);
inline constexpr uint16_t kJoint4 = cell_type_value(CellType::Joint4);

// A record with its source file, which error messages name; the package file does not store it.
template <typename Record>
struct Built : Record {
    std::filesystem::path source;
};

// Lists sorted by name; the game ships no fonts, so none are built.
struct Package {
    std::vector<Built<ImageAsset>> images;
    std::vector<Built<SpriteAsset>> sprites;
    std::vector<Built<MultiSpriteAsset>> multi_sprites;
    std::vector<Built<ParticleAsset>> particles;
};

// The records alone, in the loader's package.
AssetPackage to_asset_package(const Package& package);

} // namespace asset_builder
