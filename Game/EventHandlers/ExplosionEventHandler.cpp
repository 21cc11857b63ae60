#include "Game/EventHandlers/ExplosionEventHandler.h"

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/ParticleAsset.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Random.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Weapons/BulletProps.h"

namespace {

// Shrapnel has no owner, so it can hit any sprite, the exploding one included. One direction per bullet.
void throw_shrapnel(EntityFactory& factory, const BulletProps& props, int32_t count, const ExplosionEvent& event) {
    WeaponShot shot;
    shot.props = props;
    shot.position = event.position;
    shot.holder_velocity = event.velocity;
    shot.owner = kInvalidEntityId;
    for (int32_t i = 0; i < count; ++i) {
        shot.direction = random_on_circle(1.0f);
        factory.create_bullet(shot);
    }
}

} // namespace

ExplosionEventHandler::ExplosionEventHandler(EventBus& bus, AssetPackage& assets, EntityFactory* factory)
    : EventHandlerBase(bus), m_factory(factory), m_spark(assets.get_by_name<ParticleAsset>(kSparkParticles).spawn),
      m_smoke(assets.get_by_name<ParticleAsset>(kSmokeParticles).spawn) {}

void ExplosionEventHandler::on_explosion(const ExplosionEvent& event) {
    throw_shrapnel(*m_factory, bullet_preset_shrapnel_a(), event.count_a, event);
    throw_shrapnel(*m_factory, bullet_preset_shrapnel_b(), event.count_b, event);
    publish(SpawnParticleEvent{event.position, 0.0f, m_spark});
    publish(SpawnParticleEvent{event.position, 0.0f, m_smoke});
}
