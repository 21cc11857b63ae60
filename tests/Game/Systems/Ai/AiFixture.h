#pragma once
// A windowless scene with the game's entity lists, the sprite tree filled every tick, the AI systems a test
// asks for, and an entity factory over the real assets.

#include <functional>
#include <utility>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Systems/Sprite/SpriteCreateTreeSystem.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/TextureAtlasPacked.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Factory/EntityFactory.h"
#include "Support/GameWorld.h"
#include "Support/SceneHarness.h"

struct AiFixture {
    using AddSystems = std::function<void(test_support::HarnessScene&, AiFixture&)>;

    explicit AiFixture(AddSystems add_systems)
        : atlas(TextureLayout{TextureType2D, TextureFormatRgba8, 1024, 1024, 1, 4, 1}),
          assets(test_support::load_game_assets()), harness([this, add_systems](test_support::HarnessScene& scene) {
              register_rock_entity_list(scene.entity_pool());
              register_game_entity_lists(scene.entity_pool());
              scene.register_system<SpriteCreateTreeSystem>(SystemGroup::Tick, &tree);
              add_systems(scene, *this);
          }),
          factory(&harness.scene->entity_pool(), &chunks, &atlas, &assets) {}

    EntityPool& pool() { return harness.scene->entity_pool(); }
    template <typename T>
    EntityList<T>& list() {
        return pool().template list<T>();
    }
    template <typename T>
    T& only() {
        EntityList<T>& l = list<T>();
        EntityListView all;
        l.view_all(all);
        return *reinterpret_cast<T*>(all.entity(all.count() - 1));
    }
    // The newest entity of T once the lists are flushed.
    template <typename T>
    EntityId newest() {
        EntityListView all;
        list<T>().view_all(all);
        return all.id(all.count() - 1);
    }
    EntityId enemy(uint32_t kind, glm::vec2 position, glm::vec2 velocity = glm::vec2(0.0f)) {
        factory.create_enemy(EnemyRequest{kind, position, velocity});
        pool().flush();
        switch (kind) {
        case EnemyKindBomb:
            return newest<BombEntity>();
        case EnemyKindFighter:
            return newest<FighterEntity>();
        case EnemyKindStation:
            return newest<StationEntity>();
        default:
            return newest<BaseEntity>();
        }
    }
    EntityId player(glm::vec2 position) {
        factory.create_player(position);
        pool().flush();
        return newest<PlayerEntity>();
    }
    void tick(float dt = 1.0f / 60.0f, bool fixed = false) { harness.tick(dt, fixed); }

    // The chunk pool outlives the scene's lists, whose sprites hand their chunks back to it.
    SpriteChunkPool chunks{32, 1024, 32};
    TextureAtlasPacked atlas;
    AssetPackage assets;
    AxisAlignedAreaTree<EntityId> tree;
    test_support::SceneHarness harness;
    EntityFactory factory;
};
