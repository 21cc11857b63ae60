#pragma once
// Collides every sprite that has a body, cell by cell, and adds the contact rows to the scene's constraints
// (Fixed group; the scene solves them before the PostFixed group).

#include <string_view>
#include <vector>

#include "Engine/Engine/System.h"
#include "Engine/Physics/SpriteCollision.h"

class SpritePhysicsSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "SpritePhysicsSystem";

    SpritePhysicsSystem();
    void update(const SimulationTick& tick) override;

private:
    std::vector<SpritePhysicsProxy> m_proxies; // rebuilt every step; kept for its capacity
    SpriteStepStorage m_storage;
};
