#pragma once
// Moves every bullet one tick and lets it bite into the sprites on its path: an exact walk through the
// cell grid of each sprite the area tree reports, one removed cell per remaining hit.

#include <cstdint>
#include <string_view>
#include <vector>

#include "Engine/Engine/System.h"
#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"

class SceneBase;

class BulletMoveSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "BulletMoveSystem";

    BulletMoveSystem(SceneBase& scene, AxisAlignedAreaTree<EntityId>* tree);
    void update(const SimulationTick& tick) override;

    // Cells looked at by the walks since construction (a measure for benchmarks).
    uint64_t cells_walked() const { return m_cells_walked; }

private:
    AxisAlignedAreaTree<EntityId>* m_tree;
    std::vector<int32_t> m_candidates; // tree values of the sprites a segment overlaps
    uint64_t m_cells_walked = 0;
};
