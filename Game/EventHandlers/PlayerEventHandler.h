#pragma once
// The player's side of the game rules that follow from events: a bullet in the ship's core knocks a core item
// out; the core exploding dissolves the ship into a cloud that drops its cores; items repair the ship or
// re-form the cloud; the kill event ends every player.

#include <string_view>

#include <glm/vec2.hpp>

#include "Common/Assets/ParticleSpawnSettings.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/Event/EventHandler.h"
#include "Game/Systems/Item/ItemPickupEvent.h"
#include "Game/Systems/Player/PlayerKillEvent.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"

class EntityPool;
struct AssetPackage;

class PlayerEventHandler final : public EventHandlerBase<PlayerEventHandler, BulletHitCellEvent,
                                                         SpriteCoreExplodedEvent, ItemPickupEvent, PlayerKillEvent> {
public:
    static constexpr std::string_view kCloudParticles = "game/particles/player_cloud";
    static constexpr float kCloudTime = 4.0f; // seconds a cloud has to catch one of its cores

    // A missing cloud particle definition throws.
    PlayerEventHandler(EventBus& bus, EntityPool* pool, AssetPackage& assets);

    void on_bullet_hit_cell(const BulletHitCellEvent& event);
    void on_sprite_core_exploded(const SpriteCoreExplodedEvent& event);
    void on_item_pickup(const ItemPickupEvent& event);
    void on_player_kill(const PlayerKillEvent& event);

    void handle(const BulletHitCellEvent& event) { on_bullet_hit_cell(event); }
    void handle(const SpriteCoreExplodedEvent& event) { on_sprite_core_exploded(event); }
    void handle(const ItemPickupEvent& event) { on_item_pickup(event); }
    void handle(const PlayerKillEvent& event) { on_player_kill(event); }

private:
    // Two bursts of cloud particles: one thrown along the velocity, one all around.
    void cloud_burst(glm::vec2 position, glm::vec2 velocity);

    EntityPool* m_pool;
    ParticleSpawnSettings m_cloud;
};
