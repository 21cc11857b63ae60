#pragma once
// Loads bytes written by a test through the real loader, from a file in a temp directory.

#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "Common/Assets/AssetLoader.h"
#include "Support/Launcher.h"

namespace asset_bytes {

struct Loaded {
    AssetLoadResult result;
    std::string log;
};

inline Loaded load_file_bytes(const std::string& bytes) {
    test_support::TempDir dir;
    std::filesystem::path file = dir.path() / "assets.bin";
    {
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    Loaded loaded;
    testing::internal::CaptureStdout();
    loaded.result = load_assets(file.string());
    std::fflush(stdout);
    loaded.log = testing::internal::GetCapturedStdout();
    return loaded;
}

inline bool is_empty(const AssetPackage& p) {
    return p.images.m_assets.empty() && p.fonts.m_assets.empty() && p.sprites.m_assets.empty() &&
           p.multi_sprites.m_assets.empty() && p.particles.m_assets.empty();
}

} // namespace asset_bytes
