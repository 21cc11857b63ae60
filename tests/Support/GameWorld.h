#pragma once
// The parts the entity factory works on, as the game scene owns them: entity lists, chunk pool, packed atlas
// and an asset package.

#include <cstdint>
#include <memory>
#include <string>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/TextureAtlasPacked.h"
#include "Game/Factory/EntityFactory.h"

namespace test_support {

// The built game assets (build/<preset>/assets.bin); throws when they cannot be read.
AssetPackage load_game_assets();

// The record of the core of `type` made from the asset's cells: box, centre, count and a picture.
SpriteCoreData core_from_cells(const SpriteAsset& asset, uint32_t type);

struct GameWorld {
    explicit GameWorld(AssetPackage package);
    GameWorld(const GameWorld&) = delete;
    GameWorld& operator=(const GameWorld&) = delete;

    // Sprites hand their chunks back to the pool when they go, so the chunk pool outlives the entity lists.
    SpriteChunkPool chunks{32, 1024, 32};
    TextureAtlasPacked atlas;
    AssetPackage assets;
    EntityPool pool;
    EntityFactory factory;

    template <typename T>
    EntityList<T>& list() {
        return pool.list<T>();
    }
    void flush() { pool.flush(); }
};

} // namespace test_support
