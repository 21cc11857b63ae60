#pragma once
// Writes a package in the byte layout that the game's loader reads: little-endian, no header,
// every count u64, every 32-bit field as 8 bytes, floats as 4 bytes, uuids raw.

#include "tools/asset_builder/AssetModel.h"

#include <cstdint>
#include <vector>

namespace asset_builder {

std::vector<uint8_t> write_package(const Package& package);

} // namespace asset_builder
