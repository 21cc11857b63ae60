#pragma once
// The cull in front of the sweep: which boundary cells of a chunk can not hit the other sprite in any sub-step.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include <glm/vec2.hpp>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
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
    // The three set-ups are inlined into the record sweep, their one caller, as the rest of its loop is.
    [[gnu::always_inline]] SweepFilter(const SpritePhysicsProxy& a, const TransformSines& sines_a,
                                       const SpritePhysicsProxy& b, const TransformSines& sines_b, float dt);

    // Prepares the cell test for one chunk of the moving sprite; false when none of its cells can hit.
    [[gnu::always_inline]] bool set_chunk(const SpriteChunk& chunk);

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
    [[gnu::always_inline]] bool set_cell_ranges(const SpriteChunk& chunk);

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

inline SweepFilter::SweepFilter(const SpritePhysicsProxy& a, const TransformSines& sines_a, const SpritePhysicsProxy& b,
                                const TransformSines& sines_b, float dt)
    : m_a(a) {
    const Transform& ta = *a.transform;
    const Transform& tb = *b.transform;
    const SpriteGrid& grid = b.sprite->grid();
    m_cells = {static_cast<double>(grid.cells_x), static_cast<double>(grid.cells_y)};
    const Vec k{0.5 * m_cells.x, 0.5 * m_cells.y};
    m_cells_per_world = {k.x / std::fabs(static_cast<double>(tb.scale.x)),
                         k.y / std::fabs(static_cast<double>(tb.scale.y))};
    const Vec kb{k.x / static_cast<double>(tb.scale.x), k.y / static_cast<double>(tb.scale.y)};
    // The float sines are close enough for a test with this much room.
    m_a_cos = sines_a.cos;
    m_a_sin = sines_a.sin;
    const double cb = sines_b.cos;
    const double sb = sines_b.sin;
    const double c = m_a_cos * cb + m_a_sin * sb; // of the angle of a minus that of b
    const double s = m_a_sin * cb - m_a_cos * sb;
    m_m00 = kb.x * c * static_cast<double>(ta.scale.x);
    m_m01 = -kb.x * s * static_cast<double>(ta.scale.y);
    m_m10 = kb.y * s * static_cast<double>(ta.scale.x);
    m_m11 = kb.y * c * static_cast<double>(ta.scale.y);
    const Vec offset = sub(of(ta.position), of(tb.position));
    m_ox = kb.x * (cb * offset.x + sb * offset.y) + k.x - 0.5;
    m_oy = kb.y * (-sb * offset.x + cb * offset.y) + k.y - 0.5;

    m_d = length(of(a.body->linear_velocity * dt));
    m_w = std::fabs(static_cast<double>(a.body->angular_velocity * dt));
    m_b_move = length(of(b.body->linear_velocity)) * std::fabs(static_cast<double>(dt));
    m_b_turn = std::fabs(static_cast<double>(b.body->angular_velocity) * static_cast<double>(dt));
    m_b_pivot = of(b.world_center_of_mass);
    m_magnitude = length(of(ta.position)) + length(of(a.world_center_of_mass)) +
                  2.0 * (std::fabs(static_cast<double>(ta.scale.x)) + std::fabs(static_cast<double>(ta.scale.y))) +
                  m_d + length(of(tb.position)) + length(m_b_pivot) + m_b_move;

    // The moving sprite's chunks: every one spans the same local size, from its own origin.
    const SpriteGrid& own = a.sprite->grid();
    m_chunk_size = own.chunk_size;
    m_local_per_cell = {2.0 / static_cast<double>(own.cells_x), 2.0 / static_cast<double>(own.cells_y)};
    m_own_cells = {static_cast<double>(own.cells_x), static_cast<double>(own.cells_y)};
    m_half = {0.5 * (m_chunk_size - 1.0) * m_local_per_cell.x, 0.5 * (m_chunk_size - 1.0) * m_local_per_cell.y};
    m_radius = length(Vec{m_half.x * ta.scale.x, m_half.y * ta.scale.y});
    m_ex = std::fabs(m_m00) * m_half.x + std::fabs(m_m01) * m_half.y;
    m_ey = std::fabs(m_m10) * m_half.x + std::fabs(m_m11) * m_half.y;
    const double det = m_m00 * m_m11 - m_m01 * m_m10;
    m_ranges =
        m_chunk_size != 0 && (m_chunk_size & (m_chunk_size - 1)) == 0 && std::fabs(det) > 0.0 && std::isfinite(det);
    if (m_ranges) {
        m_i00 = m_m11 / det;
        m_i01 = -m_m01 / det;
        m_i10 = -m_m10 / det;
        m_i11 = m_m00 / det;
    }
    m_finite = std::isfinite(m_m00) && std::isfinite(m_m01) && std::isfinite(m_m10) && std::isfinite(m_m11) &&
               std::isfinite(m_ox) && std::isfinite(m_oy) && std::isfinite(m_ex) && std::isfinite(m_ey);
}

// Prepares the cell test for one chunk of the moving sprite; false when none of its cells can hit.
inline bool SweepFilter::set_chunk(const SpriteChunk& chunk) {
    m_all = true;
    if (!m_finite) {
        return true;
    }
    const Transform& ta = *m_a.transform;
    // Sprite-local centre of the box of the chunk's cell centres, and that place in the world.
    const Vec center{(chunk.origin.x + 0.5) * m_local_per_cell.x - 1.0 + m_half.x,
                     (chunk.origin.y + 0.5) * m_local_per_cell.y - 1.0 + m_half.y};
    const Vec scaled{center.x * ta.scale.x, center.y * ta.scale.y};
    const Vec world{m_a_cos * scaled.x - m_a_sin * scaled.y + ta.position.x,
                    m_a_sin * scaled.x + m_a_cos * scaled.y + ta.position.y};
    const double reach = length(sub(world, of(m_a.world_center_of_mass))) + m_radius;

    // Every value the sweep rounds is smaller than this; its float results stay far closer than `slack`.
    const double base = m_magnitude + reach + m_radius;
    const double slack = 1e-4 * base;
    // No cell's float offset from the centre of mass is longer than `far`.
    const double far = reach + slack;
    // However many samples a cell takes, they all lie on its path and the other grid's motion; bodies at rest
    // move nothing and need only the rounding room.
    const double a_move = m_d + far * m_w;
    const double move = a_move + m_b_move + m_b_turn * (length(sub(world, m_b_pivot)) + m_radius + slack + a_move);
    const double room = move * (1.0 + 1e-4) + slack;

    const double gx = m_m00 * center.x + m_m01 * center.y + m_ox;
    const double gy = m_m10 * center.x + m_m11 * center.y + m_oy;
    const double mx = room * m_cells_per_world.x + 1e-4 * (std::fabs(gx) + m_ex + 2.0 * m_cells.x + 1.0);
    const double my = room * m_cells_per_world.y + 1e-4 * (std::fabs(gy) + m_ey + 2.0 * m_cells.y + 1.0);
    m_lo_x = -1.0 - mx;
    m_hi_x = m_cells.x + mx;
    m_lo_y = -1.0 - my;
    m_hi_y = m_cells.y + my;
    if (!(std::isfinite(m_lo_x) && std::isfinite(m_hi_x) && std::isfinite(m_lo_y) && std::isfinite(m_hi_y) &&
          std::isfinite(gx) && std::isfinite(gy))) {
        return true;
    }
    m_all = false;
    if (!(gx + m_ex > m_lo_x && gx - m_ex < m_hi_x && gy + m_ey > m_lo_y && gy - m_ey < m_hi_y)) {
        return false;
    }
    return set_cell_ranges(chunk);
}

// The columns and rows of the chunk whose cell centres can pass the cell test: the accepted area of the other
// grid mapped back into this sprite's local coordinates, widened by a cell on each side. False when none.
inline bool SweepFilter::set_cell_ranges(const SpriteChunk& chunk) {
    m_index_mask = ~0u;
    m_index_shift = 0;
    m_x_lo = 0;
    m_x_span = ~0u;
    m_y_lo = 0;
    m_y_span = ~0u;
    if (!m_ranges) {
        return true;
    }
    const uint32_t n = m_chunk_size;
    Vec lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    Vec hi{-lo.x, -lo.y};
    for (const Vec g : {Vec{m_lo_x, m_lo_y}, Vec{m_hi_x, m_lo_y}, Vec{m_hi_x, m_hi_y}, Vec{m_lo_x, m_hi_y}}) {
        const Vec d{g.x - m_ox, g.y - m_oy};
        const Vec p{m_i00 * d.x + m_i01 * d.y, m_i10 * d.x + m_i11 * d.y};
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    // Local x to the chunk's column whose centre lies there: (x + 1) / 2 * cells - origin - 1/2.
    const auto range = [n](double from, double to, double cells, int32_t origin, uint32_t& first, uint32_t& span) {
        const double a = std::ceil((from + 1.0) * 0.5 * cells - origin - 0.5) - 1.0;
        const double b = std::floor((to + 1.0) * 0.5 * cells - origin - 0.5) + 1.0;
        if (!std::isfinite(a) || !std::isfinite(b)) {
            return true;
        }
        const double f = std::max(a, 0.0);
        const double l = std::min(b, static_cast<double>(n - 1));
        if (f > l) {
            return false;
        }
        first = static_cast<uint32_t>(f);
        span = static_cast<uint32_t>(l) - first;
        return true;
    };
    if (!range(lo.x, hi.x, m_own_cells.x, chunk.origin.x, m_x_lo, m_x_span) ||
        !range(lo.y, hi.y, m_own_cells.y, chunk.origin.y, m_y_lo, m_y_span)) {
        return false;
    }
    m_index_mask = n - 1;
    m_index_shift = static_cast<uint32_t>(std::countr_zero(n));
    return true;
}
