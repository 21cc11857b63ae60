#pragma once
// Writes a package in the byte layout that the game's loader reads, by walking the same field tables
// (Common/Assets/AssetFields.h) with the binary writer.

#include <cstdint>
#include <vector>

#include "tools/asset_builder/AssetModel.h"

namespace asset_builder {

std::vector<uint8_t> write_package(const Package& package);

} // namespace asset_builder
