#include "Game/Systems/Player/PlayerCloudEffectSystem.h"

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/ParticleAsset.h"
#include "Engine/Engine/Scene.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Math/Transform.h"
#include "Game/Components/ItemSink.h"
#include "Game/Components/Player.h"
#include "Game/Systems/Player/PlayerKillEvent.h"

PlayerCloudEffectSystem::PlayerCloudEffectSystem(SceneBase&) : SystemBase(kName) {}

void PlayerCloudEffectSystem::on_attach(SceneBase& scene) {
    m_particles = &scene.assets().get_by_name<ParticleAsset>(kParticleAsset);
}

void PlayerCloudEffectSystem::update(const SimulationTick& tick) {
    // The pause leaves this system running, but the items that could save the cloud are parked: its time waits.
    if (scene()->paused()) {
        return;
    }
    EventBus& bus = event_bus();
    for (auto row : EntityViewOf<Transform, Player, ItemSink>(entity_pool())) {
        Player& player = row.get<Player>();
        // The system stays in Tick after a kill; a ship created later is no cloud and must not time out.
        if (player.is_cloud == 0) {
            continue;
        }
        bus.publish(SpawnParticleEvent{row.get<Transform>().position, 0.0f, m_particles->spawn});
        player.cloud_elapsed += tick.delta_time;
        // A captured core on its way holds the end back; the event repeats every tick until the player is gone.
        if (player.cloud_elapsed >= player.cloud_timer && row.get<ItemSink>().incoming[ItemKindCore] == 0) {
            bus.publish(PlayerKillEvent{});
        }
    }
}
