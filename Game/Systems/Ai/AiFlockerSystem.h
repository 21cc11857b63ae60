#pragma once
// Decides where each flocking ship wants to go: toward a target point near the player (re-drawn when
// reached), away from close neighbours and away from obstacles a short ray ahead shows, and hands that wish
// to the driver as a desired speed and heading.

#include <cstdint>
#include <string_view>
#include <vector>

#include "Engine/Engine/System.h"
#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Physics/SpriteRayCast.h"

class AiFlockerSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "AiFlockerSystem";

    explicit AiFlockerSystem(AxisAlignedAreaTree<EntityId>* tree);
    void update(const SimulationTick& tick) override;

    // A target this close counts as reached.
    static constexpr float kTargetReached = 3.0f;
    // Neighbours within this distance push each other apart.
    static constexpr float kSeparationRange = 2.0f;

private:
    AxisAlignedAreaTree<EntityId>* m_tree;
    std::vector<int32_t> m_found;
    SpriteRayCastScratch m_ray_scratch; // the look-ahead casts' buffers, reused every tick
};
