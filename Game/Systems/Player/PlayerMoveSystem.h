#pragma once
// Turns the "Movement" input into the velocity of every player ship; the ship never turns.

#include <string_view>

#include "Engine/Engine/System.h"

class SceneBase;
class PlayerInputScheme;

class PlayerMoveSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "PlayerMoveSystem";

    PlayerMoveSystem(SceneBase& scene, PlayerInputScheme* input);
    void update(const SimulationTick& tick) override;

private:
    PlayerInputScheme* m_input;
};
