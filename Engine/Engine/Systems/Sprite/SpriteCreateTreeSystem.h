#pragma once
// Refills the scene's area tree with the world bounds of every sprite, once per tick, before anything
// queries it (bullets, AI).

#include <string_view>

#include "Engine/Engine/System.h"
#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"

class SpriteCreateTreeSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "SpriteCreateTreeSystem";

    explicit SpriteCreateTreeSystem(AxisAlignedAreaTree<EntityId>* tree);
    void update(const SimulationTick& tick) override;

private:
    AxisAlignedAreaTree<EntityId>* m_tree;
};
