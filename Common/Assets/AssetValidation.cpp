#include "Common/Assets/AssetValidation.h"

#include <algorithm>
#include <array>
#include <vector>

#include <fmt/format.h>

#include "Common/Assets/CellFlags.h"

namespace {

constexpr uint32_t kMaxCellType = kCellTypeCount - 1;

} // namespace

Result validate_image(const ImageAsset& image) {
    if (image.width < 0 || image.height < 0) {
        return Result::fail(fmt::format("size {} x {} is negative", image.width, image.height));
    }
    if (image.channels < 1 || image.channels > 4) {
        return Result::fail(fmt::format("{} channels (1 to 4 expected)", image.channels));
    }
    uint64_t expected = uint64_t(image.width) * uint64_t(image.height) * uint64_t(image.channels);
    if (image.pixels.size() != expected) {
        return Result::fail(fmt::format("{} pixel bytes for {} x {} x {} (= {})", image.pixels.size(), image.width,
                                        image.height, image.channels, expected));
    }
    return Result::ok();
}

Result validate_particle(const ParticleAsset& particle) {
    const Range<int32_t>& count = particle.spawn.number_to_spawn;
    int32_t most = count.single ? count.min_or_value : std::max(count.min_or_value, count.max);
    if (most > kMaxParticlesPerEmission) {
        return Result::fail(fmt::format("number_to_spawn {} is above {}", most, kMaxParticlesPerEmission));
    }
    return Result::ok();
}

Result validate_sprite(const SpriteAsset& sprite) {
    const glm::ivec2 chunks = sprite.chunkCount;
    if (chunks.x < 0 || chunks.y < 0 || chunks.x > kMaxSpriteChunksPerSide || chunks.y > kMaxSpriteChunksPerSide ||
        int64_t(chunks.x) * chunks.y > kMaxSpriteChunks) {
        return Result::fail(fmt::format("chunk grid {} x {} is out of range", chunks.x, chunks.y));
    }
    if (sprite.cellCount != chunks * kSpriteChunkSize) {
        return Result::fail(fmt::format("cell count {} x {} is not 32 x the chunk grid {} x {}", sprite.cellCount.x,
                                        sprite.cellCount.y, chunks.x, chunks.y));
    }

    const int32_t grid_chunks = chunks.x * chunks.y;
    std::vector<uint8_t> seen(static_cast<size_t>(grid_chunks), 0);
    std::array<int64_t, kSpriteGroupCount> type_counts{};
    int64_t total = 0;
    for (size_t c = 0; c < sprite.chunks.size(); ++c) {
        const SpriteChunkData& chunk = sprite.chunks[c];
        if (chunk.index < 0 || chunk.index >= grid_chunks) {
            return Result::fail(fmt::format("chunk {} has index {} outside 0 to {}", c, chunk.index, grid_chunks - 1));
        }
        if (seen[static_cast<size_t>(chunk.index)]) {
            return Result::fail(fmt::format("chunk {} repeats index {}", c, chunk.index));
        }
        seen[static_cast<size_t>(chunk.index)] = 1;
        glm::ivec2 origin = glm::ivec2(chunk.index % chunks.x, chunk.index / chunks.x) * kSpriteChunkSize;
        if (chunk.gridPixelOffset != origin) {
            return Result::fail(fmt::format("chunk {} (index {}) has offset ({}, {}), expected ({}, {})", c,
                                            chunk.index, chunk.gridPixelOffset.x, chunk.gridPixelOffset.y, origin.x,
                                            origin.y));
        }
        int32_t active = 0;
        for (size_t i = 0; i < chunk.mask.size(); ++i) {
            uint16_t flags = chunk.mask[i];
            const uint32_t type = cell_type_of(flags);
            if (type > kMaxCellType) {
                return Result::fail(fmt::format("chunk {} cell {} has cell type {} (0 to 10 expected)", c, i, type));
            }
            if (cell_active(flags)) {
                ++active;
                ++type_counts[type];
            }
        }
        if (chunk.activePixelCount != active) {
            return Result::fail(
                fmt::format("chunk {} counts {} active cells, holds {}", c, chunk.activePixelCount, active));
        }
        total += active;
    }
    if (sprite.activePixelCount != total) {
        return Result::fail(fmt::format("counts {} active cells, its chunks hold {}", sprite.activePixelCount, total));
    }
    // The per-type counts are decremented per removed cell, so they must match the cells exactly.
    for (size_t t = 0; t < sprite.groups.size(); ++t) {
        if (sprite.groups[t].activeCount != type_counts[t]) {
            return Result::fail(fmt::format("group {} counts {} active cells, the chunks hold {}", t,
                                            sprite.groups[t].activeCount, type_counts[t]));
        }
    }

    for (size_t k = 0; k < sprite.cores.size(); ++k) {
        const SpriteCoreData& core = sprite.cores[k];
        if (!is_core_type(core.type)) {
            return Result::fail(fmt::format("core {} has type {} (2 to 10 expected)", k, core.type));
        }
        if (core.width < 0 || core.height < 0) {
            return Result::fail(fmt::format("core {} has a negative size {} x {}", k, core.width, core.height));
        }
        uint64_t pixels = uint64_t(core.width) * uint64_t(core.height);
        if (core.color.size() != pixels) {
            return Result::fail(
                fmt::format("core {} has {} colours for {} x {}", k, core.color.size(), core.width, core.height));
        }
        if (core.initialCellCount < 1) {
            return Result::fail(fmt::format("core {} starts with {} cells", k, core.initialCellCount));
        }
    }
    return Result::ok();
}

Result validate_multi_sprite(const MultiSpriteAsset& multi, const AssetPackage& package) {
    const MultiSprite& data = multi.data;
    for (size_t p = 0; p < data.sprites.size(); ++p) {
        if (package.sprites.find_by_name(data.sprites[p].sprite) == nullptr) {
            return Result::fail(
                fmt::format("part {} names the sprite \"{}\", which is not in the file", p, data.sprites[p].sprite));
        }
    }
    const auto parts = static_cast<int64_t>(data.sprites.size());
    const auto instances = static_cast<int64_t>(data.instances.size());
    for (size_t i = 0; i < data.instances.size(); ++i) {
        if (data.instances[i].sprite < 0 || data.instances[i].sprite >= parts) {
            return Result::fail(fmt::format("instance {} uses part {} of {}", i, data.instances[i].sprite, parts));
        }
    }
    for (size_t j = 0; j < data.joints.size(); ++j) {
        const MultiSpriteJoint& joint = data.joints[j];
        const int32_t ends[2][2] = {{joint.instance_0, joint.attachment_0}, {joint.instance_1, joint.attachment_1}};
        for (const auto& end : ends) {
            if (end[0] < 0 || end[0] >= instances) {
                return Result::fail(fmt::format("joint {} uses instance {} of {}", j, end[0], instances));
            }
            const MultiSpritePart& part = data.sprites[static_cast<size_t>(data.instances[end[0]].sprite)];
            const auto points = static_cast<int64_t>(part.attachment_points.size());
            if (end[1] < 0 || end[1] >= points) {
                return Result::fail(
                    fmt::format("joint {} uses attachment point {} of {} on instance {}", j, end[1], points, end[0]));
            }
        }
    }
    return Result::ok();
}

namespace {

template <typename T, typename Check>
Result check_list(std::string_view kind, const AssetList<T>& list, Check check) {
    for (size_t i = 0; i < list.m_assets.size(); ++i) {
        Result r = check(list.m_assets[i]);
        if (r.failed) {
            return Result::fail(fmt::format("{} \"{}\" ({} {} of {}): {}", kind, list.m_assets[i].metadata.name, kind,
                                            i, list.m_assets.size(), r.message));
        }
    }
    return Result::ok();
}

} // namespace

Result validate_assets(const AssetPackage& package) {
    if (Result r = check_list("image", package.images, validate_image); r.failed) {
        return r;
    }
    if (Result r = check_list("sprite", package.sprites, validate_sprite); r.failed) {
        return r;
    }
    if (Result r = check_list("multi-sprite", package.multi_sprites,
                              [&](const MultiSpriteAsset& m) { return validate_multi_sprite(m, package); });
        r.failed) {
        return r;
    }
    return check_list("particle", package.particles, validate_particle);
}
