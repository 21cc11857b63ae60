#pragma once
// Lets a base gather small bodies (bombs) around itself, hold them on an arc away from the player and hurl
// them at the player once it has stayed within the throw radius long enough. A thrown bomb is armed at once,
// its fuse set to its flight time.

#include <cstdint>
#include <string_view>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Engine/System.h"
#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"

class AiThrowerSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "AiThrowerSystem";

    explicit AiThrowerSystem(AxisAlignedAreaTree<EntityId>* tree);
    void update(const SimulationTick& tick) override;

    // A thrower gathers only while it holds fewer than this many bodies (whatever its "Max Holding").
    static constexpr size_t kGatherBelow = 6;
    // Bodies of more active cells are too heavy to pick up.
    static constexpr int32_t kMaxThrowableCells = 200;
    // Longest fuse of a thrown bomb, in seconds.
    static constexpr float kMaxFuse = 4.0f;

private:
    AxisAlignedAreaTree<EntityId>* m_tree;
    std::vector<int32_t> m_found;
    std::vector<glm::vec2> m_slots;
};
