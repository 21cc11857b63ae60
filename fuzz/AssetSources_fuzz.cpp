// The asset builder's text parsers over arbitrary sources, each built into a package and read back by the
// game's loader: what the builder accepts, the game must load. The input's first line names the kind of
// source ("sprite", "image", "particle" or "multisprite"), the rest is the source text. A refused source
// throws the builder's own error naming the file; any other exception is a finding.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Common/Assets/AssetLoader.h"
#include "FuzzCheck.h"
#include "tools/asset_builder/BuildError.h"
#include "tools/asset_builder/MultiSpriteSource.h"
#include "tools/asset_builder/ParticleSource.h"
#include "tools/asset_builder/SpriteBuild.h"
#include "tools/asset_builder/TextGrid.h"
#include "tools/asset_builder/Uuid.h"
#include "tools/asset_builder/Writer.h"

namespace ab = asset_builder;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kName = "fuzz/source";

AssetMetadata metadata(std::string_view kind, std::string_view name) {
    return {std::string(name), ab::uuid_from_name(kind, name)};
}

// The real snake parts, which a multi-sprite source may name as "snake/head" and so on.
const std::vector<ab::Built<SpriteAsset>>& snake_parts() {
    static const std::vector<ab::Built<SpriteAsset>> parts = [] {
        std::vector<ab::Built<SpriteAsset>> built;
        for (const char* part : {"head", "segment", "tail"}) {
            const fs::path path =
                fs::path(PELLMAR_SOURCE_ROOT) / "SourceAssets" / "snake" / (std::string(part) + ".sprite");
            std::ifstream in(path, std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            fuzz_check(in.good() || in.eof(), "the snake's sources can be read", path.string());
            ab::Built<SpriteAsset> sprite{
                {ab::build_sprite(ab::parse_text_grid(text.str(), path, ab::GridKind::Sprite), path)}, path};
            const std::string name = std::string("snake/") + part;
            sprite.metadata = metadata("sprite", name);
            built.push_back(std::move(sprite));
        }
        return built;
    }();
    return parts;
}

// The package holding the one built asset (and, for a multi-sprite, the parts it names).
ab::Package build(std::string_view kind, std::string_view text) {
    ab::Package package;
    if (kind == "sprite") {
        const fs::path file = "fuzz/source.sprite";
        ab::Built<SpriteAsset> sprite{{ab::build_sprite(ab::parse_text_grid(text, file, ab::GridKind::Sprite), file)},
                                      file};
        sprite.metadata = metadata("sprite", kName);
        package.sprites.push_back(std::move(sprite));
    } else if (kind == "image") {
        const fs::path file = "fuzz/source.image";
        ab::Built<ImageAsset> image{{ab::build_image(ab::parse_text_grid(text, file, ab::GridKind::Image))}, file};
        image.metadata = metadata("image", kName);
        package.images.push_back(std::move(image));
    } else if (kind == "particle") {
        const fs::path file = "fuzz/source.particle.json";
        package.particles.push_back({{metadata("particle", kName), ab::parse_particle(text, file)}, file});
    } else if (kind == "multisprite") {
        const fs::path file = "fuzz/source.multisprite.json";
        std::vector<bool> used(snake_parts().size(), false);
        const ab::SpriteLookup lookup = [&used](std::string_view name) -> const SpriteAsset* {
            for (size_t i = 0; i < snake_parts().size(); ++i) {
                if (snake_parts()[i].metadata.name == name) {
                    used[i] = true;
                    return &snake_parts()[i];
                }
            }
            return nullptr;
        };
        ab::Built<MultiSpriteAsset> multi{{metadata("multi_sprite", kName), ab::parse_multi_sprite(text, file, lookup)},
                                          file};
        package.multi_sprites.push_back(std::move(multi));
        // Sorted by name, as the builder lists them.
        for (size_t i = 0; i < used.size(); ++i) {
            if (used[i]) {
                package.sprites.push_back(snake_parts()[i]);
            }
        }
    }
    return package;
}

template <typename Built, typename Loaded>
bool same_names(const std::vector<Built>& built, const AssetList<Loaded>& loaded) {
    if (built.size() != loaded.m_assets.size()) {
        return false;
    }
    for (size_t i = 0; i < built.size(); ++i) {
        const AssetMetadata& metadata = loaded.m_assets[i].metadata;
        if (metadata.name != built[i].metadata.name || metadata.uuid != built[i].metadata.uuid) {
            return false;
        }
    }
    return true;
}

// The loaded package holds the written assets under their names, each of the shape the builder gave it.
void check_same_assets(const ab::Package& built, const AssetPackage& loaded) {
    fuzz_check(same_names(built.images, loaded.images) && same_names(built.sprites, loaded.sprites) &&
                   same_names(built.multi_sprites, loaded.multi_sprites) &&
                   same_names(built.particles, loaded.particles) && loaded.fonts.m_assets.empty(),
               "the game loads every asset the builder wrote, under its name and uuid");
    for (size_t i = 0; i < built.images.size(); ++i) {
        const ImageAsset& image = loaded.images.m_assets[i];
        fuzz_check(image.width == built.images[i].width && image.height == built.images[i].height &&
                       image.pixels == built.images[i].pixels,
                   "a loaded image has the built size and pixels");
    }
    for (size_t i = 0; i < built.sprites.size(); ++i) {
        const SpriteAsset& sprite = loaded.sprites.m_assets[i];
        const SpriteAsset& source = built.sprites[i];
        fuzz_check(sprite.chunks.size() == source.chunks.size() && sprite.cores.size() == source.cores.size() &&
                       sprite.activePixelCount == source.activePixelCount && sprite.cellCount == source.cellCount,
                   "a loaded sprite has the built chunks, cores and cells");
    }
    for (size_t i = 0; i < built.multi_sprites.size(); ++i) {
        const MultiSprite& multi = loaded.multi_sprites.m_assets[i].data;
        const MultiSprite& source = built.multi_sprites[i].data;
        fuzz_check(multi.sprites.size() == source.sprites.size() && multi.instances.size() == source.instances.size() &&
                       multi.joints.size() == source.joints.size(),
                   "a loaded multi-sprite has the built parts, instances and joints");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    snake_parts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    if (newline == std::string_view::npos) {
        return 0;
    }
    const std::string_view kind = input.substr(0, newline);
    const std::string_view text = input.substr(newline + 1);
    if (kind != "sprite" && kind != "image" && kind != "particle" && kind != "multisprite") {
        return 0;
    }

    ab::Package package;
    try {
        package = build(kind, text);
    } catch (const ab::BuildError& error) {
        const std::string message = error.what();
        fuzz_check(message.rfind("fuzz/source.", 0) == 0, "a refused source is reported as file[:line]: reason",
                   message);
        fuzz_check(error.line() >= 0, "a refused source's line is a line number", message);
        return 0;
    }

    const std::vector<uint8_t> bytes = ab::write_package(package);
    std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
    const AssetLoadResult loaded = read_assets(in, "fuzz.bin");
    fuzz_check(!loaded.failed, "the game loads what the builder accepts", loaded.message);
    check_same_assets(package, loaded.package);
    return 0;
}
