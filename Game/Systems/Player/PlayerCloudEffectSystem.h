#pragma once
// Runs only while the player is a cloud (the player event handler moves it into Tick and back out): it keeps
// the cloud's particles coming and, once the cloud time is over with no core on its way back, kills the player.

#include <string_view>

#include "Engine/Engine/System.h"

class SceneBase;
struct ParticleAsset;

class PlayerCloudEffectSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "PlayerCloudEffectSystem";
    static constexpr std::string_view kParticleAsset = "game/particles/player_cloud";

    explicit PlayerCloudEffectSystem(SceneBase& scene);
    // Looks the cloud's particle definition up; an unknown name throws.
    void on_attach(SceneBase& scene) override;
    void update(const SimulationTick& tick) override;

private:
    const ParticleAsset* m_particles = nullptr;
};
