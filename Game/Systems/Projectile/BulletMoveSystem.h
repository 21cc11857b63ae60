#pragma once
// Moves every bullet one tick and lets it bite into the sprites on its path: an exact walk through the
// cell grid of each sprite the area tree reports, one removed cell per remaining hit.

#include <cstdint>
#include <string_view>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Engine/System.h"
#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"

struct Transform;
class PhysicsBody;
class Sprite;
struct SpriteDirtyFlag;

class SceneBase;

class BulletMoveSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "BulletMoveSystem";

    BulletMoveSystem(SceneBase& scene, AxisAlignedAreaTree<EntityId>* tree);
    void update(const SimulationTick& tick) override;

    // Cells looked at by the walks since construction (a measure for benchmarks).
    uint64_t cells_walked() const { return m_cells_walked; }

private:
    // What the bullets need of one sprite in the area tree, looked up once per tick: every bullet whose segment
    // overlaps it would otherwise look up its components and take the sines of its angle again.
    struct Candidate {
        uint32_t stamp = 0; // the update that filled it
        bool usable = false;
        Transform* transform = nullptr;
        PhysicsBody* body = nullptr;
        Sprite* sprite = nullptr;
        SpriteDirtyFlag* dirty = nullptr;
        float back_sin = 0.0f; // of -angle, as Transform::to_local takes them
        float back_cos = 1.0f;
        float sin = 0.0f; // of angle, as Transform::to_world takes them
        float cos = 1.0f;
        glm::vec2 world_centre{0.0f}; // the centre of mass in the world
    };

    const Candidate& candidate(int32_t value, const EntityId& id);

    AxisAlignedAreaTree<EntityId>* m_tree;
    std::vector<int32_t> m_candidates; // tree values of the sprites a segment overlaps
    std::vector<Candidate> m_candidate_of_value;
    uint32_t m_stamp = 0;
    uint64_t m_cells_walked = 0;
};
