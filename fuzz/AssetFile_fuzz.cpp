// The game's asset loader over arbitrary bytes, read from memory as from the opened file. A refused file
// leaves an empty package and says why; an accepted one passes the validation again, so the loader never
// hands the game a package it would itself refuse.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "Common/Assets/AssetLoader.h"
#include "Common/Assets/AssetValidation.h"
#include "Engine/Log.h"
#include "FuzzCheck.h"

namespace {

bool is_empty(const AssetPackage& package) {
    return package.images.m_assets.empty() && package.fonts.m_assets.empty() && package.sprites.m_assets.empty() &&
           package.multi_sprites.m_assets.empty() && package.particles.m_assets.empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    const AssetLoadResult result = read_assets(in, "fuzz.bin");
    fuzz_check(log_depth() == 0, "every log scope the loader opens is closed");
    if (result.failed) {
        fuzz_check(!result.message.empty(), "a refused file says why");
        fuzz_check(is_empty(result.package), "a refused file leaves an empty package");
        return 0;
    }
    const Result again = validate_assets(result.package);
    fuzz_check(!again.failed, "a loaded package validates again", again.message);
    return 0;
}
