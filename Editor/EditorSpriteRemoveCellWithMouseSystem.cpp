#include "Editor/EditorSpriteRemoveCellWithMouseSystem.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Engine/DestructibleSprite/GridRayWalk.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Game/Input/EditorInputScheme.h"

namespace {

bool finite(glm::vec2 v) { return std::isfinite(v.x) && std::isfinite(v.y); }

} // namespace

std::optional<SegmentSpan> clip_segment_to_grid(glm::vec2 from, glm::vec2 direction, float length, glm::vec2 size) {
    SegmentSpan span{0.0f, length};
    for (int axis = 0; axis < 2; ++axis) {
        const float d = direction[axis];
        const float p = from[axis];
        if (d == 0.0f) {
            // Parallel to this axis: inside its band for the whole segment, or never.
            if (p < 0.0f || p >= size[axis]) {
                return std::nullopt;
            }
            continue;
        }
        float ta = (0.0f - p) / d;
        float tb = (size[axis] - p) / d;
        if (ta > tb) {
            std::swap(ta, tb);
        }
        span.t0 = std::max(span.t0, ta);
        span.t1 = std::min(span.t1, tb);
    }
    if (span.t0 > span.t1) {
        return std::nullopt;
    }
    return span;
}

EditorSpriteRemoveCellWithMouseSystem::EditorSpriteRemoveCellWithMouseSystem(SceneBase&, EditorInputScheme* input)
    : SystemBase(kName), m_input(input) {}

void EditorSpriteRemoveCellWithMouseSystem::update(const SimulationTick&) {
    if (!m_input->mouse_down) {
        return;
    }
    for (auto row : EntityViewOf<SpriteDirtyFlag, Sprite, Transform>(entity_pool())) {
        const Transform& transform = row.get<Transform>();
        Sprite& sprite = row.get<Sprite>();
        const SpriteGrid& grid = sprite.grid();
        const glm::vec2 c = grid.local_to_cell(transform.to_local(m_input->mouse_world));
        const glm::vec2 q = grid.local_to_cell(transform.to_local(m_input->previous_mouse_world));
        // A sprite squeezed to nothing has no local space.
        if (!finite(c) || !finite(q)) {
            continue;
        }
        const VectorWithLength path = normalize_with_length(q - c);
        const glm::vec2 size(static_cast<float>(grid.cells_x), static_cast<float>(grid.cells_y));
        // Only the part over the grid is walked: a long jump of the mouse costs no more than the grid's size.
        const std::optional<SegmentSpan> span = clip_segment_to_grid(c, path.vector, path.length, size);
        if (!span) {
            continue;
        }
        GridRayWalk walk(c + path.vector * span->t0, path.vector, span->t1 - span->t0);
        // A clipped segment crosses at most one row and one column per cell of the grid's width and height;
        // the cap keeps rounding at the edges from walking on.
        const uint64_t max_steps = static_cast<uint64_t>(grid.cells_x) + grid.cells_y + 2;
        SpriteDirtyFlag& flag = row.get<SpriteDirtyFlag>();
        for (uint64_t steps = 0; walk.in_range() && steps < max_steps; walk.step(), ++steps) {
            ++m_cells_walked;
            const glm::ivec2 cell = walk.cell();
            if (!grid.contains_cell(cell.x, cell.y)) {
                continue;
            }
            const ChunkCell at = grid.to_chunk_cell(cell.x, cell.y);
            if (sprite.is_cell_active(at.chunk, at.cell)) {
                sprite.remove_cell(at.chunk, at.cell);
                flag.dirty = 1;
            }
        }
    }
}
