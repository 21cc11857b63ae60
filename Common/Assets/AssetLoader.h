#pragma once
// Reads the asset file into an AssetPackage.

#include <istream>
#include <string>
#include <string_view>

#include "Common/Assets/AssetPackage.h"

struct AssetLoadResult {
    AssetPackage package;
    std::string message;
    bool failed = false;
};

// Reads the package from `path` ("./assets.bin" for the scenes). On a missing or damaged file the package
// is empty, failed is set and message says why: "No file" when it does not exist, the system's reason when
// it cannot be opened ("Permission denied", "Is a directory", "Not a regular file ..."), else what is malformed.
AssetLoadResult load_assets(std::string_view path);

// The part of load_assets after the file is open: reads, checks and logs the package from `stream`;
// `source` names the file in messages.
AssetLoadResult read_assets(std::istream& stream, std::string_view source);
