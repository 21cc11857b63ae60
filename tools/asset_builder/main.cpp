// pellmar_asset_builder [--game] <source folder> <output file>
// Builds the asset package from its sources; with --game it also checks that the package holds
// everything the game looks up. Errors name the source file and fail with exit code 1.

#include "tools/asset_builder/BuildError.h"
#include "tools/asset_builder/Builder.h"
#include "tools/asset_builder/GameContent.h"
#include "tools/asset_builder/Writer.h"

#include <cstdio>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <string_view>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    bool game = false;
    std::vector<std::string_view> paths;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "--game")
            game = true;
        else
            paths.push_back(a);
    }
    if (paths.size() != 2) {
        fmt::print(stderr, "usage: pellmar_asset_builder [--game] <source folder> <output file>\n");
        return 2;
    }
    const fs::path source_dir(paths[0]);
    const fs::path output(paths[1]);
    try {
        asset_builder::Package package = asset_builder::build_package(source_dir);
        if (game)
            asset_builder::check_game_content(package, source_dir);
        std::vector<uint8_t> bytes = asset_builder::write_package(package);

        // Written aside and renamed, so a failed run never leaves a half-written package.
        fs::path temp = output;
        temp += ".tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            if (!out)
                throw asset_builder::BuildError(temp, "cannot be written");
        }
        fs::rename(temp, output);
        fmt::print("{}: {} images, {} sprites, {} multi-sprites, {} particles, {} bytes\n", output.filename().string(),
                   package.images.size(), package.sprites.size(), package.multi_sprites.size(),
                   package.particles.size(), bytes.size());
        return 0;
    } catch (const std::exception& e) {
        fmt::print(stderr, "asset error: {}\n", e.what());
        return 1;
    }
}
