#pragma once
// Reads a source folder into a package. Each file's asset name is its path below the folder
// without the extension, so "Enemy/Bomb.sprite" is the sprite "Enemy/Bomb":
//   .sprite             destructible sprite (text grid, see TextGrid.h)
//   .image, .png        image (text grid, or PNG read as 4 channels)
//   .multisprite.json   multi-sprite (see MultiSpriteSource.h)
//   .particle.json      particle definition (see ParticleSource.h)
// Other files are not assets and are skipped. Every list is sorted by name.

#include "tools/asset_builder/AssetModel.h"

#include <filesystem>

namespace asset_builder {

Package build_package(const std::filesystem::path& source_dir);

} // namespace asset_builder
