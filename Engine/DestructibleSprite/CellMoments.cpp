#include "Engine/DestructibleSprite/CellMoments.h"

#include "Engine/Assert.h"

MassProperties mass_properties_from_moments(const CellMoments& m, const SpriteGrid& grid) {
    MassProperties out;
    if (m.count <= 0) {
        return out;
    }
    // In world units, the units of the contact levers: a sprite's scale is half its chunk counts, so a cell is
    // 1 / chunk_size wide (1/32). In the grid's own units (1/64) every contact would turn the body four times
    // too much.
    const float s = grid.chunk_size > 0 ? 1.0f / static_cast<float>(grid.chunk_size) : 0.0f;
    constexpr float cell_mass = 1.0f / 1024.0f;
    // A square plate about its centre.
    const float cell_inertia = cell_mass * s * s / 6.0f;

    const float n = static_cast<float>(m.count);
    const float sx = static_cast<float>(m.sum_x);
    const float sy = static_cast<float>(m.sum_y);
    const float sxx = static_cast<float>(m.sum_xx);
    const float syy = static_cast<float>(m.sum_yy);

    const float mx = sx / n;
    const float my = sy / n;
    out.center_of_mass = grid.cell_center_to_local(glm::vec2(mx, my));
    const glm::vec2 c((mx + 0.5f) * s, (my + 0.5f) * s);
    // The sum over cells of ((x + 1/2) s)^2 + ((y + 1/2) s)^2.
    const float sum_sq = ((sxx + sx + n / 4.0f) + (syy + sy + n / 4.0f)) * (s * s);
    out.inertia = (sum_sq - n * (c.x * c.x + c.y * c.y)) * cell_mass + n * cell_inertia;
    out.mass = n * cell_mass;
    // At least one cell: both are positive, so their reciprocals are finite.
    PELLMAR_ASSERT(out.mass > 0.0f && out.inertia > 0.0f, "a body with cells has a positive mass and inertia");
    out.inverse_inertia = 1.0f / out.inertia;
    out.inverse_mass = 1.0f / out.mass;
    return out;
}
