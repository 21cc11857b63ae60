#pragma once
// Moves the pick-up items and delivers them. A free item drifts, spins, slows down and expires; once past its
// attraction delay the first sink within its radius captures it, and it flies a constant-acceleration path that
// meets the sink's predicted position when its flight time is over.

#include <string_view>

#include "Engine/Engine/System.h"

class SceneBase;

class ItemMoveSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "ItemMoveSystem";

    explicit ItemMoveSystem(SceneBase& scene);
    void update(const SimulationTick& tick) override;
};
