#pragma once
// Cutting sprites with the mouse: while the left button is held, every cell that the cursor passed over since
// the previous frame is knocked out as a bullet would, so the sprite commit splits the sprite afterwards.

#include <cstdint>
#include <optional>
#include <string_view>

#include <glm/vec2.hpp>

#include "Engine/Engine/System.h"

class SceneBase;
class EditorInputScheme;

// The part [t0, t1] of the segment from `from` along the unit `direction` over `length` that lies in the
// box [0, size.x] x [0, size.y] of cell coordinates; nothing when it misses. A point that does not move is
// kept when it lies in a cell of the box.
struct SegmentSpan {
    float t0 = 0.0f;
    float t1 = 0.0f;
};
std::optional<SegmentSpan> clip_segment_to_grid(glm::vec2 from, glm::vec2 direction, float length, glm::vec2 size);

class EditorSpriteRemoveCellWithMouseSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "EditorSpriteRemoveCellWithMouseSystem";

    EditorSpriteRemoveCellWithMouseSystem(SceneBase& scene, EditorInputScheme* input);
    void update(const SimulationTick& tick) override;

    // Cells visited by the walks since construction, inside the grids or not (a bound the tests check).
    uint64_t cells_walked() const { return m_cells_walked; }

private:
    EditorInputScheme* m_input;
    uint64_t m_cells_walked = 0;
};
