#pragma once
// The one place where the game's entities are assembled. Every create operation builds a complete record and
// queues it on its kind's list (add_deferred): nothing exists before the lists' next flush, and no create
// operation returns an id. Random draws follow a fixed order per operation, which replays rely on.

#include <cstdint>
#include <map>
#include <utility>

#include <glm/vec2.hpp>

#include "Common/Assets/AssetMetadata.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Handle.h"
#include "Game/Weapons/BulletProps.h"

class EntityPool;
class SpriteChunkPool;
class TextureAtlasPacked;
struct AssetPackage;
struct MultiSpriteAsset;
struct SpriteAsset;

enum EnemyKind : uint32_t {
    EnemyKindBomb = 0,
    EnemyKindFighter = 1,
    EnemyKindStation = 2,
    EnemyKindBase = 3,
    EnemyKindBoss1 = 4,
    EnemyKindCount = 5,
};

struct EnemyRequest {
    uint32_t kind = EnemyKindBomb;
    glm::vec2 position{0.0f, 0.0f}; // where the centre of mass lands
    glm::vec2 velocity{0.0f, 0.0f};
};

struct ItemRequest {
    glm::vec2 position{0.0f, 0.0f};
    glm::vec2 velocity{0.0f, 0.0f};
    uint32_t kind = 0; // 0 Core, 1 Health
};

struct RockRequest {
    glm::vec2 position{0.0f, 0.0f};
    float angle = 0.0f;
    glm::vec2 velocity{0.0f, 0.0f};
    float angular_velocity = 0.0f;
    Uuid sprite{}; // id of a sprite asset
};

class EntityFactory {
public:
    EntityFactory(EntityPool* pool, SpriteChunkPool* chunk_pool, TextureAtlasPacked* atlas, AssetPackage* assets);

    // Placed by its grid centre.
    void create_player(glm::vec2 position);
    // Placed so that the sprite's centre of mass lands on the requested position.
    void create_enemy(const EnemyRequest& request);
    void create_item(const ItemRequest& request);
    void create_bullet(const WeaponShot& shot);
    // An id that matches no sprite asset throws ("GetById: No asset found").
    void create_rock(const RockRequest& request);
    // Jointed pieces: type 0 instances become rocks, type 1 snake heads. A part name that matches no sprite asset
    // throws ("GetByName: No asset found").
    void create_multi_sprite(glm::vec2 origin, const MultiSpriteAsset& asset);

    // The cores of a sprite asset with their pictures in the packed atlas. Each (asset, core) picture is packed
    // once per atlas texture and its place reused afterwards, so repeated creates never fill the atlas; a picture
    // that does not fit is reported once and left without a place.
    SpriteCoreSet build_sprite_layers(TextureAtlasPacked& atlas, const SpriteGrid& grid, const SpriteAsset& asset);

    // Forgets every packed place; for when the atlas is rebuilt behind the factory's back.
    void reset_sprite_layers();
    // Number of core pictures packed into the current atlas texture.
    size_t packed_layer_count() const;

private:
    struct PackedLayer {
        bool placed = false;
        glm::vec2 uv_offset{0.0f, 0.0f};
        glm::vec2 uv_size{0.0f, 0.0f};
        uint32_t width = 0;
        uint32_t height = 0;
    };
    using LayerKey = std::pair<Uuid, uint32_t>; // sprite asset, core index

    const SpriteAsset& enemy_sprite(uint32_t kind) const;
    SpriteCoreSet sprite_layers(const SpriteGrid& grid, const SpriteAsset& asset);

    EntityPool* m_pool;
    SpriteChunkPool* m_chunk_pool;
    TextureAtlasPacked* m_atlas;
    AssetPackage* m_assets;

    std::map<LayerKey, PackedLayer> m_layers;
    const TextureAtlasPacked* m_layers_atlas = nullptr;
    Handle m_layers_texture = kInvalidHandle;
};
