#pragma once
// Aims and triggers every player's weapon from the "Aim", "Aim Keyboard" and "Shoot" inputs, and re-arms a
// weapon whose ammunition is spent with the default cannon.

#include <string_view>

#include "Engine/Engine/System.h"

class SceneBase;
class PlayerInputScheme;

class PlayerShootSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "PlayerShootSystem";

    PlayerShootSystem(SceneBase& scene, PlayerInputScheme* input);
    void update(const SimulationTick& tick) override;

private:
    PlayerInputScheme* m_input;
};
