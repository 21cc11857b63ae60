#pragma once
// Collides every sprite that has a body, cell by cell, and adds the contact rows to the scene's constraints
// (Fixed group; the scene solves them before the PostFixed group).

#include <string_view>
#include <vector>

#include "Engine/Engine/System.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/SpriteCollision.h"

class SpritePhysicsSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "SpritePhysicsSystem";

    SpritePhysicsSystem();
    void update(const SimulationTick& tick) override;

private:
    struct Entry {
        PhysicsBody* body = nullptr;
        Sprite* sprite = nullptr;
    };
    // Rebuilt every step; kept for their capacity.
    std::vector<SpritePhysicsProxy> m_proxies;
    std::vector<Entry> m_entries;
    // The bodies' own poses, which the collision reads: the entities' Transforms are placed between the last two
    // fixed poses for drawing, a whole step behind the body right after a fixed tick.
    std::vector<Transform> m_poses;
    SpriteStepStorage m_storage;
};
