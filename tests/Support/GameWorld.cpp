#include "Support/GameWorld.h"

#include <algorithm>
#include <stdexcept>

#include "Common/Assets/AssetLoader.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Game/Entities/GameEntityLists.h"

namespace test_support {

namespace {

TextureLayout sprite_atlas_layout() {
    TextureLayout layout;
    layout.width = 1024;
    layout.height = 1024;
    layout.depth = 1;
    layout.texel_size = 4;
    return layout;
}

} // namespace

AssetPackage load_game_assets() {
    AssetLoadResult result = load_assets(PELLMAR_ASSETS_BIN);
    if (result.failed) {
        throw std::runtime_error("cannot load " + std::string(PELLMAR_ASSETS_BIN) + ": " + result.message);
    }
    return std::move(result.package);
}

SpriteCoreData core_from_cells(const SpriteAsset& asset, uint32_t type) {
    SpriteCoreData core;
    core.type = type;
    glm::ivec2 lo{INT32_MAX}, hi{INT32_MIN};
    glm::vec2 sum{0.0f};
    for (const SpriteChunkData& chunk : asset.chunks) {
        for (int32_t i = 0; i < kSpriteChunkCells; ++i) {
            if (cell_type_of(chunk.mask[static_cast<size_t>(i)]) != type) {
                continue;
            }
            const glm::ivec2 cell = chunk.gridPixelOffset + glm::ivec2(i % kSpriteChunkSize, i / kSpriteChunkSize);
            lo = glm::min(lo, cell);
            hi = glm::max(hi, cell);
            sum += glm::vec2(cell) + 0.5f;
            ++core.initialCellCount;
        }
    }
    if (core.initialCellCount == 0) {
        return core;
    }
    core.min = lo;
    core.max = hi;
    core.width = hi.x - lo.x + 1;
    core.height = hi.y - lo.y + 1;
    core.gridPointOffset = sum / static_cast<float>(core.initialCellCount);
    core.color.assign(static_cast<size_t>(core.width) * static_cast<size_t>(core.height), 0xFF00FFFFu);
    return core;
}

GameWorld::GameWorld(AssetPackage package)
    : atlas(sprite_atlas_layout()), assets(std::move(package)), factory(&pool, &chunks, &atlas, &assets) {
    register_rock_entity_list(pool);
    register_game_entity_lists(pool);
}

} // namespace test_support
