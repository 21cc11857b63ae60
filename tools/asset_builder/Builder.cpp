#include "tools/asset_builder/Builder.h"

#include "tools/asset_builder/BuildError.h"
#include "tools/asset_builder/MultiSpriteSource.h"
#include "tools/asset_builder/ParticleSource.h"
#include "tools/asset_builder/SpriteBuild.h"
#include "tools/asset_builder/TextGrid.h"
#include "tools/asset_builder/Uuid.h"

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include <stb_image.h>

namespace asset_builder {

namespace fs = std::filesystem;

namespace {

enum class SourceKind { None, Sprite, Image, Png, MultiSprite, Particle };

struct Source {
    fs::path path;
    std::string name;
    SourceKind kind = SourceKind::None;
};

bool ends_with(const std::string& s, const std::string& suffix) {
    return s.size() > suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

Source classify(const fs::path& root, const fs::path& path) {
    std::string rel = path.lexically_relative(root).generic_string();
    static const std::pair<const char*, SourceKind> kExtensions[] = {
        {".multisprite.json", SourceKind::MultiSprite},
        {".particle.json", SourceKind::Particle},
        {".sprite", SourceKind::Sprite},
        {".image", SourceKind::Image},
        {".png", SourceKind::Png},
    };
    for (const auto& [ext, kind] : kExtensions)
        if (ends_with(rel, ext))
            return {path, rel.substr(0, rel.size() - std::string(ext).size()), kind};
    return {};
}

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw BuildError(path, "cannot be read");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Built<ImageAsset> load_png(const fs::path& path) {
    int w = 0, h = 0, n = 0;
    stbi_uc* data = stbi_load(path.string().c_str(), &w, &h, &n, 4);
    if (!data)
        throw BuildError(path, fmt::format("not a readable PNG ({})", stbi_failure_reason()));
    Built<ImageAsset> image;
    image.width = w;
    image.height = h;
    image.channels = 4;
    image.pixels.assign(data, data + static_cast<size_t>(w) * h * 4);
    stbi_image_free(data);
    return image;
}

template <typename T>
void sort_and_check(std::vector<T>& list, const char* kind) {
    std::sort(list.begin(), list.end(), [](const T& a, const T& b) { return a.metadata.name < b.metadata.name; });
    for (size_t i = 1; i < list.size(); ++i) {
        if (list[i].metadata.name == list[i - 1].metadata.name)
            throw BuildError(list[i].source,
                             fmt::format("two {} sources are named \"{}\"", kind, list[i].metadata.name));
        for (size_t j = 0; j < i; ++j)
            if (list[j].metadata.uuid == list[i].metadata.uuid)
                throw BuildError(list[i].source, fmt::format("the uuid of \"{}\" equals that of \"{}\"; rename one",
                                                             list[i].metadata.name, list[j].metadata.name));
    }
}

} // namespace

Package build_package(const fs::path& source_dir) {
    if (!fs::is_directory(source_dir))
        throw BuildError(source_dir, "is not a folder");
    std::vector<Source> sources;
    for (const auto& entry : fs::recursive_directory_iterator(source_dir)) {
        if (!entry.is_regular_file())
            continue;
        Source s = classify(source_dir, entry.path());
        if (s.kind != SourceKind::None)
            sources.push_back(std::move(s));
    }
    std::sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) { return a.path < b.path; });

    Package package;

    for (const Source& s : sources) {
        switch (s.kind) {
        case SourceKind::Sprite: {
            Built<SpriteAsset> sprite{
                {build_sprite(parse_text_grid(read_text(s.path), s.path, GridKind::Sprite), s.path)}, s.path};
            sprite.metadata = {s.name, uuid_from_name("sprite", s.name)};
            package.sprites.push_back(std::move(sprite));
            break;
        }
        case SourceKind::Image:
        case SourceKind::Png: {
            Built<ImageAsset> image =
                s.kind == SourceKind::Png
                    ? load_png(s.path)
                    : Built<ImageAsset>{{build_image(parse_text_grid(read_text(s.path), s.path, GridKind::Image))}, {}};
            image.metadata = {s.name, uuid_from_name("image", s.name)};
            image.source = s.path;
            package.images.push_back(std::move(image));
            break;
        }
        case SourceKind::Particle: {
            Built<ParticleAsset> particle{
                {{s.name, uuid_from_name("particle", s.name)}, parse_particle(read_text(s.path), s.path)}, s.path};
            package.particles.push_back(std::move(particle));
            break;
        }
        default:
            break;
        }
    }
    sort_and_check(package.images, "image");
    sort_and_check(package.sprites, "sprite");
    sort_and_check(package.particles, "particle");

    // Multi-sprites refer to the sprites, so they come once those are built.
    auto lookup = [&package](std::string_view name) -> const SpriteAsset* {
        for (const SpriteAsset& sprite : package.sprites)
            if (sprite.metadata.name == name)
                return &sprite;
        return nullptr;
    };
    for (const Source& s : sources) {
        if (s.kind != SourceKind::MultiSprite)
            continue;
        Built<MultiSpriteAsset> multi{
            {{s.name, uuid_from_name("multi_sprite", s.name)}, parse_multi_sprite(read_text(s.path), s.path, lookup)},
            s.path};
        package.multi_sprites.push_back(std::move(multi));
    }
    sort_and_check(package.multi_sprites, "multi-sprite");
    return package;
}

} // namespace asset_builder
