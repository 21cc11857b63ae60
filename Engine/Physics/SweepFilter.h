#pragma once
// The cull in front of the sweep: which boundary cells of a chunk can not hit the other sprite in any sub-step.

#include <cmath>
#include <cstdint>

#include <glm/vec2.hpp>

#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Physics/SpriteCollision.h"
#include "Engine/Physics/TransformSines.h"

// Which boundary cells of the moving sprite's chunks can land inside the other sprite's grid at all. A cell's
// sub-step samples stay within |d| + |r| |w| of its place at the start of the step (no further than its path),
// and a point of the other sprite's grid moves at most |v| dt + |w dt| times its distance from the pivot. A cell
// whose start place, mapped into the other grid's cell coordinates in double precision, lies further than both
// motions plus ample room for float rounding outside that grid can not hit in any sub-step, so leaving it
// unswept changes nothing. Bodies at rest move nothing, and only the rounding room is needed.
class SweepFilter {
public:
    SweepFilter(const SpritePhysicsProxy& a, const TransformSines& sines_a, const SpritePhysicsProxy& b,
                const TransformSines& sines_b, float dt);

    // Prepares the cell test for one chunk of the moving sprite; false when none of its cells can hit.
    bool set_chunk(const SpriteChunk& chunk);

    // Every cell may hit: the sweep takes the list as it is.
    bool takes_all() const { return m_all; }

    // The cell test, with the cell's place in the other grid's cell coordinates at the start of the step.
    bool may_hit(const EdgeCell& cell, glm::dvec2& g) const {
        // Columns and rows of the chunk that the accepted area does not reach are turned away first.
        const uint32_t x = cell.index & m_index_mask;
        const uint32_t y = cell.index >> m_index_shift;
        if (x - m_x_lo > m_x_span || y - m_y_lo > m_y_span) {
            return false;
        }
        const double px = cell.center.x;
        const double py = cell.center.y;
        g.x = m_m00 * px + m_m01 * py + m_ox;
        g.y = m_m10 * px + m_m11 * py + m_oy;
        return g.x > m_lo_x && g.x < m_hi_x && g.y > m_lo_y && g.y < m_hi_y;
    }

private:
    // The columns and rows of the chunk whose cell centres can pass the cell test: the accepted area of the other
    // grid mapped back into this sprite's local coordinates, widened by a cell on each side. False when none.
    bool set_cell_ranges(const SpriteChunk& chunk);

    struct Vec {
        double x;
        double y;
    };
    static Vec of(glm::vec2 v) { return {v.x, v.y}; }
    static Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
    static double length(Vec v) { return std::sqrt(v.x * v.x + v.y * v.y); }

    const SpritePhysicsProxy& m_a;
    double m_a_cos = 1.0;
    double m_a_sin = 0.0;
    Vec m_cells{};
    Vec m_cells_per_world{};
    // Moving sprite's local coordinates to the other grid's cell coordinates (half-cell shift included).
    double m_m00 = 0.0;
    double m_m01 = 0.0;
    double m_m10 = 0.0;
    double m_m11 = 0.0;
    double m_ox = 0.0;
    double m_oy = 0.0;
    double m_d = 0.0;
    double m_w = 0.0;
    double m_b_move = 0.0;
    double m_b_turn = 0.0;
    Vec m_b_pivot{};
    double m_magnitude = 0.0;
    bool m_all = true;
    double m_lo_x = 0.0;
    double m_hi_x = 0.0;
    double m_lo_y = 0.0;
    double m_hi_y = 0.0;
    uint32_t m_chunk_size = 0;
    Vec m_local_per_cell{};
    Vec m_own_cells{};
    Vec m_half{};          // of the box of a chunk's cell centres, sprite-local
    double m_radius = 0.0; // of that box in the world
    double m_ex = 0.0;     // of that box in the other grid's cells
    double m_ey = 0.0;
    bool m_ranges = false;
    bool m_finite = false;
    // Inverse of the m_m matrix.
    double m_i00 = 0.0;
    double m_i01 = 0.0;
    double m_i10 = 0.0;
    double m_i11 = 0.0;
    uint32_t m_index_mask = ~0u;
    uint32_t m_index_shift = 0;
    uint32_t m_x_lo = 0;
    uint32_t m_x_span = ~0u;
    uint32_t m_y_lo = 0;
    uint32_t m_y_span = ~0u;
};
