#include "Game/EventHandlers/PlayerEventHandler.h"

#include <cmath>
#include <utility>

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/ParticleAsset.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/Engine/System.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Game/Components/ItemSink.h"
#include "Game/Components/Player.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Scenes/SpawnItemEvent.h"
#include "Game/Systems/Player/PlayerCloudEffectSystem.h"

namespace {

// The entity's list when it is alive and a player; null otherwise.
EntityListBase* live_player_list(EntityPool& pool, const EntityId& id) {
    if (!pool.has_list(id.entity_type_id)) {
        return nullptr;
    }
    EntityListBase& list = pool.list_of(id);
    if (!list.has_components(component_mask<Player>()) || !list.is_alive(id)) {
        return nullptr;
    }
    return &list;
}

template <typename C>
C& component(EntityListBase& list, const EntityId& id) {
    return *static_cast<C*>(list.get_component(component_type_id<C>(), id));
}

} // namespace

PlayerEventHandler::PlayerEventHandler(EventBus& bus, EntityPool* pool, AssetPackage& assets)
    : EventHandlerBase(bus), m_pool(pool), m_cloud(assets.get_by_name<ParticleAsset>(kCloudParticles).spawn) {}

void PlayerEventHandler::on_bullet_hit_cell(const BulletHitCellEvent& event) {
    if (cell_type_of(event.cell_flags) != static_cast<uint32_t>(CellType::Core) ||
        live_player_list(*m_pool, event.entity) == nullptr) {
        return;
    }
    const glm::vec2 d = random_in_disc(10.0f);
    const glm::vec2 u = normalize_or_zero(event.velocity);
    publish(SpawnItemEvent{ItemKindCore, event.world_position, u * d});
}

void PlayerEventHandler::on_sprite_core_exploded(const SpriteCoreExplodedEvent& event) {
    EntityListBase* list = live_player_list(*m_pool, event.entity);
    if (list == nullptr) {
        return;
    }
    Player& player = component<Player>(*list, event.entity);
    component<Sprite>(*list, event.entity).remove_all_cells();
    component<SpriteDirtyFlag>(*list, event.entity).dirty = 1;
    player.is_cloud = 1;
    player.cloud_timer = kCloudTime;
    player.cloud_elapsed = 0.0f;
    for (int32_t i = 0; i < 3; ++i) {
        publish(SpawnItemEvent{ItemKindCore, event.position, random_in_disc(10.0f)});
    }
    publish(TransitionSystemEvent{std::string(PlayerCloudEffectSystem::kName), SystemGroup::Tick});
}

void PlayerEventHandler::on_item_pickup(const ItemPickupEvent& event) {
    EntityListBase* list = live_player_list(*m_pool, event.entity);
    if (list == nullptr) {
        return;
    }
    Player& player = component<Player>(*list, event.entity);
    Sprite& sprite = component<Sprite>(*list, event.entity);
    if (player.is_cloud == 0) {
        // One cell of the item's kind grows back where it fits best.
        if (event.kind == ItemKindCore) {
            sprite.restore_one_removed_cell(static_cast<uint32_t>(CellType::Core));
        } else if (event.kind == ItemKindHealth) {
            sprite.restore_one_removed_cell(static_cast<uint32_t>(CellType::Filled));
        }
    } else if (event.kind == ItemKindCore) {
        // A core caught by the cloud re-forms the whole ship, its exploded cores included.
        sprite.restore_removed_cells();
        SpriteCoreSet& set = component<SpriteCoreSet>(*list, event.entity);
        for (SpriteCore& core : set.held_back_cores) {
            set.cores.push_back(std::move(core));
        }
        set.held_back_cores.clear();
        // Left set, the emptied sprite's last commit would explode the restored cores at once.
        set.explode_all = 0;
        player.is_cloud = 0;
        const PhysicsBody& body = component<PhysicsBody>(*list, event.entity);
        cloud_burst(body.position, body.linear_velocity);
        publish(TransitionSystemEvent{std::string(PlayerCloudEffectSystem::kName), SystemGroup::Unused});
    }
    component<SpriteDirtyFlag>(*list, event.entity).dirty = 1;
}

void PlayerEventHandler::on_player_kill(const PlayerKillEvent&) {
    EntityList<PlayerEntity>& players = m_pool->list<PlayerEntity>();
    EntityListView all;
    players.view_all(all);
    const size_t count = all.count();
    for (size_t i = 0; i < count; ++i) {
        const PlayerEntity& player = *reinterpret_cast<const PlayerEntity*>(all.entity(i));
        cloud_burst(player.transform.position, player.body.linear_velocity);
        players.destroy_deferred(all.id(i));
    }
}

void PlayerEventHandler::cloud_burst(glm::vec2 position, glm::vec2 velocity) {
    const float a = angle_of(velocity);
    const float r1 = random_float();
    const float r2 = random_float();
    const float speed = std::sqrt(length_squared(velocity));
    const glm::vec2 lo = velocity + speed * glm::vec2(std::cos(a - r1), std::sin(a - r1));
    const glm::vec2 hi = velocity + speed * glm::vec2(std::cos(a + r2), std::sin(a + r2));

    SpawnParticleEvent along{position, 0.0f, m_cloud};
    along.settings.velocity = {false, lo, hi};
    along.settings.damping = {false, 2.0f, 8.0f};
    along.settings.life = {true, 5.0f, 0.0f};
    along.settings.number_to_spawn = {true, 100, 0};
    SpawnParticleEvent around = along;
    around.settings.velocity = {false, glm::vec2(-10.0f), glm::vec2(10.0f)};
    publish(std::move(along));
    publish(std::move(around));
}
