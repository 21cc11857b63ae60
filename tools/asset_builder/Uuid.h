#pragma once
// Asset uuids are a 128-bit FNV-1a hash of the asset kind and name, so a rebuild gives the same bytes.

#include "tools/asset_builder/AssetModel.h"

#include <string_view>

namespace asset_builder {

Uuid uuid_from_name(std::string_view kind, std::string_view name);

} // namespace asset_builder
