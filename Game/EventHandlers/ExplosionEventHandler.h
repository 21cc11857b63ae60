#pragma once
// Turns an explosion into shrapnel bullets flying out in random directions and two particle bursts.

#include <string_view>

#include "Common/Assets/ParticleSpawnSettings.h"
#include "Engine/Event/EventHandler.h"
#include "Game/Systems/Ai/ExplosionEvent.h"

class EntityFactory;
struct AssetPackage;

class ExplosionEventHandler final : public EventHandlerBase<ExplosionEventHandler, ExplosionEvent> {
public:
    static constexpr std::string_view kSparkParticles = "game/particles/explosion_spark";
    static constexpr std::string_view kSmokeParticles = "game/particles/explosion_smoke";

    // A missing particle definition throws.
    ExplosionEventHandler(EventBus& bus, AssetPackage& assets, EntityFactory* factory);

    void on_explosion(const ExplosionEvent& event);
    void handle(const ExplosionEvent& event) { on_explosion(event); }

private:
    EntityFactory* m_factory;
    ParticleSpawnSettings m_spark;
    ParticleSpawnSettings m_smoke;
};
