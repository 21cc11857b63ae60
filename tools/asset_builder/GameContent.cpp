#include "tools/asset_builder/GameContent.h"

#include "tools/asset_builder/BuildError.h"
#include "tools/asset_builder/SpriteBuild.h"
#include "tools/asset_builder/TextGrid.h"

#include <cmath>
#include <fmt/format.h>
#include <string_view>

namespace asset_builder {

namespace fs = std::filesystem;

namespace {

// Ships and enemies carry a Core; everything else the game places is coreless.
constexpr const char* kShips[] = {"Player",        "Enemy/Bomb", "Enemy/Fighter",
                                  "Enemy/Station", "Enemy/Base", "Enemy/Boss1"};
constexpr const char* kCoreless[] = {"hello",
                                     "horrid",
                                     "game/shapes/hear",
                                     "game/shapes/star",
                                     "game/shapes/hexagon",
                                     "half_chunk",
                                     "full_chunk",
                                     "floor",
                                     "Chunk",
                                     "game/ui/in_game_side_panel",
                                     "game/ui/in_game_pause_menu",
                                     "game/sprite/smoke1",
                                     "game/sprite/star"};
constexpr const char* kLargeEnemies[] = {"Enemy/Station", "Enemy/Base", "Enemy/Boss1"};
constexpr const char* kShapes[] = {"game/shapes/hear", "game/shapes/star", "game/shapes/hexagon"};
constexpr const char* kImages[] = {"game/item/core", "game/item/health"};
constexpr const char* kParticles[] = {
    "game/particles/default_cannon_spark", "game/particles/default_cannon_spark_smoke",
    "game/particles/explosion_spark",      "game/particles/explosion_smoke",
    "game/particles/player_cloud",         "engine/particles/spark"};

// Bases only lift sprites of at most this many live cells.
constexpr int kMaxBombCells = 200;
// Shapes are laid out 6 units apart.
constexpr int kMaxShapeChunks = 5;
// Item pictures are drawn at 1/64 unit a pixel.
constexpr int kMaxItemSide = 64;
constexpr int kMaxCloudParticles = 3;
// The station launches ships from this point of its local square.
constexpr float kStationSpawnX = -0.296862f, kStationSpawnY = -0.296177f;
constexpr int kHangarRadiusCells = 6;
// Launched ships start with their centre of mass half a unit from the hangar along the station's four local
// axes.
constexpr int kLaunchOffsetCells = kSpriteChunkSize / 2;
constexpr const char* kLaunchedShips[] = {"Enemy/Fighter", "Enemy/Bomb"};

template <typename T>
const T* find(const std::vector<T>& list, std::string_view name) {
    for (const T& asset : list)
        if (asset.metadata.name == name)
            return &asset;
    return nullptr;
}

template <typename T>
const T& require(const std::vector<T>& list, std::string_view name, const fs::path& source_dir, const char* file_ext,
                 const char* kind) {
    const T* asset = find(list, name);
    if (!asset)
        throw BuildError(source_dir / (std::string(name) + file_ext),
                         fmt::format("missing: the game looks up the {} \"{}\"", kind, name));
    return *asset;
}

const Built<SpriteAsset>& sprite(const Package& p, std::string_view name, const fs::path& dir) {
    return require(p.sprites, name, dir, ".sprite", "sprite");
}

bool has_weak_point(const SpriteAsset& s) {
    for (const SpriteCoreData& core : s.cores)
        if (core.type >= kWeakpoint1 && core.type <= kWeakpoint4)
            return true;
    return false;
}

// A ship launched at any of the four places must start clear of the station's cells: every station cell
// that one of its cells overlaps is empty.
void check_launch_places(const Package& p, const Built<SpriteAsset>& station, float hx, float hy, const fs::path& dir) {
    for (const char* name : kLaunchedShips) {
        const SpriteAsset& ship = sprite(p, name, dir);
        // The factory places the ship by its centre of mass: the mean of its live cells' centres.
        double sum_x = 0.0, sum_y = 0.0;
        int count = 0;
        for (int y = 0; y < ship.cellCount.y; ++y)
            for (int x = 0; x < ship.cellCount.x; ++x)
                if (sprite_cell_type(ship, x, y) != kEmpty) {
                    sum_x += x + 0.5;
                    sum_y += y + 0.5;
                    ++count;
                }
        if (count == 0)
            continue;
        const double mx = sum_x / count, my = sum_y / count;
        const int directions[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
        for (const auto& d : directions) {
            const double px = hx + d[0] * kLaunchOffsetCells, py = hy + d[1] * kLaunchOffsetCells;
            for (int y = 0; y < ship.cellCount.y; ++y)
                for (int x = 0; x < ship.cellCount.x; ++x) {
                    if (sprite_cell_type(ship, x, y) == kEmpty)
                        continue;
                    // The ship cell's square in station cells, and the station cells it overlaps.
                    const double cx = px + (x + 0.5 - mx), cy = py + (y + 0.5 - my);
                    for (int sy = static_cast<int>(std::floor(cy - 0.5)); sy < std::ceil(cy + 0.5); ++sy)
                        for (int sx = static_cast<int>(std::floor(cx - 0.5)); sx < std::ceil(cx + 0.5); ++sx)
                            if (sprite_cell_type(station, sx, sy) != kEmpty)
                                throw BuildError(
                                    station.source,
                                    fmt::format("\"{}\" launched toward ({}, {}) from the hangar would start inside "
                                                "the station: station cell ({}, {}) is filled",
                                                name, d[0], d[1], sx, sy));
                }
        }
    }
}

void check_snake(const Package& p, const fs::path& dir) {
    const Built<MultiSpriteAsset>& snake = require(p.multi_sprites, "snake", dir, ".multisprite.json", "multi-sprite");
    int heads = 0;
    for (const MultiSpriteInstance& instance : snake.data.instances)
        heads += instance.type == 1;
    if (heads != 1)
        throw BuildError(snake.source, fmt::format("the snake needs exactly one \"head\" instance, has {}", heads));
    if (snake.data.joints.size() + 1 != snake.data.instances.size())
        throw BuildError(snake.source, "every snake piece needs a joint to the one before it");
}

} // namespace

void check_game_content(const Package& p, const fs::path& dir) {
    for (const char* name : kShips) {
        const Built<SpriteAsset>& s = sprite(p, name, dir);
        if (!find_core(s, kCore))
            throw BuildError(s.source, "a ship needs a core (cell type 2)");
    }
    for (const char* name : kCoreless) {
        const Built<SpriteAsset>& s = sprite(p, name, dir);
        if (!s.cores.empty())
            throw BuildError(s.source, "this sprite must have no core cells");
    }
    for (const char* name : kLargeEnemies) {
        const Built<SpriteAsset>& s = sprite(p, name, dir);
        if (!has_weak_point(s))
            throw BuildError(s.source, "a large enemy needs weak points (weak1-weak4)");
    }
    for (const char* name : kShapes) {
        const Built<SpriteAsset>& s = sprite(p, name, dir);
        if (s.chunkCount.x > kMaxShapeChunks || s.chunkCount.y > kMaxShapeChunks)
            throw BuildError(s.source, fmt::format("a shape may be at most {} chunks a side, this one is {} x {}",
                                                   kMaxShapeChunks, s.chunkCount.x, s.chunkCount.y));
    }

    const Built<SpriteAsset>& bomb = sprite(p, "Enemy/Bomb", dir);
    if (bomb.activePixelCount > kMaxBombCells)
        throw BuildError(
            bomb.source,
            fmt::format("a bomb may have at most {} live cells (bases lift nothing larger), this one has {}",
                        kMaxBombCells, bomb.activePixelCount));

    const Built<SpriteAsset>& station = sprite(p, "Enemy/Station", dir);
    const float hx = (kStationSpawnX + 1.0f) * 0.5f * station.cellCount.x;
    const float hy = (kStationSpawnY + 1.0f) * 0.5f * station.cellCount.y;
    for (int y = static_cast<int>(hy) - kHangarRadiusCells; y <= static_cast<int>(hy) + kHangarRadiusCells; ++y)
        for (int x = static_cast<int>(hx) - kHangarRadiusCells; x <= static_cast<int>(hx) + kHangarRadiusCells; ++x)
            if (sprite_cell_type(station, x, y) != kEmpty)
                throw BuildError(
                    station.source,
                    fmt::format("the hangar around cell ({:.0f}, {:.0f}), where ships launch, must be empty; "
                                "cell ({}, {}) is filled",
                                hx, hy, x, y));
    check_launch_places(p, station, hx, hy, dir);

    // The large structure is placed at the origin with the player at (7, 3).
    const Built<SpriteAsset>& horrid = sprite(p, "horrid", dir);
    if (horrid.chunkCount.x * 0.5f > 6.5f && horrid.chunkCount.y * 0.5f > 2.5f)
        throw BuildError(horrid.source, "the structure would cover the player's start at (7, 3)");

    for (const char* name : {"full_chunk", "Chunk"}) {
        const Built<SpriteAsset>& s = sprite(p, name, dir);
        if (s.chunkCount != glm::ivec2(1, 1) || s.activePixelCount != kSpriteChunkCells)
            throw BuildError(s.source, "must be one completely filled chunk");
    }
    const Built<SpriteAsset>& half = sprite(p, "half_chunk", dir);
    if (half.chunkCount != glm::ivec2(1, 1) || half.activePixelCount != kSpriteChunkCells / 2)
        throw BuildError(half.source, "must be one chunk with half of its cells filled");

    for (const char* name : kImages) {
        const Built<ImageAsset>& image = require(p.images, name, dir, ".image", "image");
        if (image.channels != 4 || image.width > kMaxItemSide || image.height > kMaxItemSide)
            throw BuildError(image.source,
                             fmt::format("an item picture has 4 channels and at most {} pixels a side", kMaxItemSide));
    }
    for (const char* name : kParticles)
        require(p.particles, name, dir, ".particle.json", "particle definition");
    const Built<ParticleAsset>& cloud = *find(p.particles, "game/particles/player_cloud");
    const auto& count = cloud.spawn.number_to_spawn;
    if ((count.single ? count.min_or_value : count.max) > kMaxCloudParticles)
        throw BuildError(cloud.source,
                         fmt::format("the cloud emits every tick: at most {} particles", kMaxCloudParticles));
    check_snake(p, dir);
}

} // namespace asset_builder
