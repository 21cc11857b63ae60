#pragma once
// What the game itself needs of its package: the assets it looks up by name, and the roles
// those assets play (cores where the game expects them, size limits the AI relies on).

#include "tools/asset_builder/AssetModel.h"

#include <filesystem>

namespace asset_builder {

// Throws BuildError naming the offending (or the missing) source file below `source_dir`.
void check_game_content(const Package& package, const std::filesystem::path& source_dir);

} // namespace asset_builder
