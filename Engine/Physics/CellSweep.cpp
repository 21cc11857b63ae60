#include "Engine/Physics/CellSweep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/SweepFilter.h"

namespace {

// One cell side in world units at the usual scale of half the chunk counts.
constexpr float kCellWorldSize = 0.03125f;

} // namespace

const std::array<glm::vec2, 8> kCellDirectionNormals = {
    glm::vec2(0.0f, 1.0f),  glm::vec2(0.70710677f, 0.70710677f),
    glm::vec2(1.0f, 0.0f),  glm::vec2(0.70710677f, -0.70710677f),
    glm::vec2(0.0f, -1.0f), glm::vec2(-0.70710677f, -0.70710677f),
    glm::vec2(-1.0f, 0.0f), glm::vec2(-0.70710677f, 0.70710677f),
};

void print_dropped_hits(int32_t dropped) {
    for (int32_t k = 0; k < dropped; ++k) {
        std::printf("ran out of hit points!\n");
    }
}

Impact impact_of(const CellHits& hits) {
    Impact impact;
    impact.time = hits.time;
    impact.point = hits.point;
    impact.normal = hits.normal;
    impact.count = hits.count;
    std::copy_n(hits.hits.begin(), hits.count, impact.hits.begin());
    return impact;
}

const SweepContext::Pose& SweepContext::pose_at(float t) {
    uint32_t key = 0;
    std::memcpy(&key, &t, sizeof key);
    Pose& slot = m_poses[(key * 2654435761u) >> (32 - kPoseSlotBits)];
    if (slot.stamp != m_stamp || slot.key != key) {
        const SpritePhysicsProxy& b = *m_b;
        const Transform& bt = *b.transform;
        const PositionAngle moved = integrate_position_angle(b.world_center_of_mass, bt.position, bt.angle,
                                                             b.body->linear_velocity, b.body->angular_velocity, t);
        slot.key = key;
        slot.stamp = m_stamp;
        slot.position = moved.position;
        slot.sin = std::sin(-moved.angle);
        slot.cos = std::cos(-moved.angle);
    }
    return slot;
}

bool SweepContext::sweep(const SpriteChunk& chunk, glm::vec2 p, uint32_t cell_index, HitPoint& out, DebugLines* debug) {
    const SpritePhysicsProxy& a = *m_a;
    const SpritePhysicsProxy& b = *m_b;
    // a.transform->to_world(p) with the sines taken once.
    const glm::vec2 q0 = rotate_sin_cos(p * a.transform->scale, m_a_sin, m_a_cos) + a.transform->position;
    glm::vec2 r = q0 - a.world_center_of_mass;
    // The cell's path over the other grid, which moves and turns too: a free wall coming at the cell, or turning
    // into it, crosses cells that the cell's own motion alone would step over.
    const float own_turn = std::sqrt(length_squared(r)) * std::fabs(m_w);
    const float closing = glm::length(m_d - m_d_other);
    const float about_other = glm::length(q0 - b.world_center_of_mass) + closing + own_turn;
    const float travel = closing + own_turn + about_other * m_w_other;
    // No two samples further apart than a cell, so that no live cell between them is stepped over. Compared as
    // floats first: a huge travel must not overflow the integer conversion.
    const float wanted = std::ceil(travel * static_cast<float>(kSweepSamplesPerUnit));
    int32_t n = wanted >= static_cast<float>(kMaxSweepSubSteps) ? kMaxSweepSubSteps : static_cast<int32_t>(wanted);
    if (n <= 0) {
        n = 1;
    }
    if (n != m_n) {
        const float turn = m_w / static_cast<float>(n);
        m_n = n;
        m_step = m_d / static_cast<float>(n);
        m_h = m_dt / static_cast<float>(n);
        m_turn_sin = std::sin(turn);
        m_turn_cos = std::cos(turn);
    }

    const Sprite& other = *b.sprite;
    const SpriteGrid& grid = other.grid();
    const float cells_x = static_cast<float>(grid.cells_x);
    const float cells_y = static_cast<float>(grid.cells_y);
    const bool chunk32 = grid.has_row_chunks();
    const auto chunks_x = static_cast<int32_t>(grid.chunks_x);
    for (int32_t i = 0; i < n; ++i) {
        const glm::vec2 q = a.world_center_of_mass + static_cast<float>(i) * m_step + r;
        r = rotate_sin_cos(r, m_turn_sin, m_turn_cos);
        const float t = static_cast<float>(i) * m_h;
        if (debug != nullptr) {
            debug_circle(*debug, q, 0.015625f / static_cast<float>(i + 1), DebugName::Physics_Sweep_Cell);
        }
        // b.transform->integrate(...) at t, then to_local(q).
        const Pose& pose = pose_at(t);
        const glm::vec2 local = rotate_sin_cos(q - pose.position, pose.sin, pose.cos) / b.transform->scale;
        const glm::vec2 g = grid.local_to_cell(local) - glm::vec2(0.5f);
        // Truncated toward zero; tested as floats first so that a far-off point never overflows the conversion.
        if (!(g.x > -1.0f && g.y > -1.0f && g.x < cells_x && g.y < cells_y)) {
            continue;
        }
        const auto cx = static_cast<int32_t>(g.x);
        const auto cy = static_cast<int32_t>(g.y);
        // Both are at least 0 here; the usual chunk size of 32 takes shifts instead of divisions.
        const ChunkCell cell = chunk32 ? ChunkCell{(cy >> 5) * chunks_x + (cx >> 5), ((cy & 31) << 5) + (cx & 31)}
                                       : grid.to_chunk_cell(cx, cy);
        if (!other.is_cell_active(cell.chunk, cell.cell)) {
            continue;
        }
        const glm::vec2 c = b.transform->to_world(grid.cell_center_to_local(cx, cy));
        out.point = q;
        out.normal = kCellDirectionNormals[cell_direction(chunk.flags[cell_index])];
        out.depth = std::fabs(kCellWorldSize - glm::length(q - c));
        out.time = t;
        return true;
    }
    return false;
}

// Sweeps one boundary list; cells the filter rules out can not hit and are passed over. The cells left are
// found first and the other grid's flags of the cell each starts over are fetched ahead, so that the sweeps
// do not wait on memory one after the other.
void SweepContext::find_hits(const SpriteChunk& chunk, const std::vector<EdgeCell>& cells, CellHits& hits,
                             DebugLines* debug, const SweepFilter* filter) {
    hits.time = kNoImpactTime;
    hits.point = glm::vec2(0.0f);
    hits.normal = glm::vec2(0.0f);
    hits.count = 0;
    hits.dropped = 0;
    if (filter == nullptr || filter->takes_all()) {
        for (const EdgeCell& cell : cells) {
            add_hit(chunk, cell, hits, debug);
        }
        return;
    }
    m_candidates.clear();
    for (const EdgeCell& cell : cells) {
        glm::dvec2 g;
        if (filter->may_hit(cell, g)) {
            prefetch_flags(g);
            m_candidates.push_back(&cell);
        }
    }
    for (const EdgeCell* cell : m_candidates) {
        add_hit(chunk, *cell, hits, debug);
    }
}

void SweepContext::add_hit(const SpriteChunk& chunk, const EdgeCell& cell, CellHits& hits, DebugLines* debug) {
    HitPoint hit;
    if (!sweep(chunk, cell.center, cell.index, hit, debug)) {
        return;
    }
    if (hits.time > hit.time) {
        hits.time = hit.time;
        hits.point = hit.point;
        hits.normal = kCellDirectionNormals[cell_direction(chunk.flags[cell.index])];
        hits.count = 0;
    }
    if (hits.count == kMaxImpactHits) {
        hits.dropped += 1;
    } else if (hits.time == hit.time) {
        hits.hits[static_cast<size_t>(hits.count)] = hit;
        hits.count += 1;
    }
}

// A hint only: the flags of the other grid's cell near cell coordinates g.
void SweepContext::prefetch_flags(glm::dvec2 g) const {
    const SpriteGrid& grid = m_b->sprite->grid();
    if (!(g.x >= 0.0 && g.y >= 0.0 && g.x < static_cast<double>(grid.cells_x) &&
          g.y < static_cast<double>(grid.cells_y))) {
        return;
    }
    const ChunkCell cell = grid.to_chunk_cell(static_cast<int32_t>(g.x), static_cast<int32_t>(g.y));
    if (const SpriteChunk* c = m_b->sprite->chunk(cell.chunk)) {
        __builtin_prefetch(c->flags.data() + cell.cell);
    }
}

bool sweep_cell(const SpriteChunk& chunk, glm::vec2 p, uint32_t cell_index, const SpritePhysicsProxy& a,
                const SpritePhysicsProxy& b, float dt, HitPoint& out, DebugLines* debug) {
    SweepContext context(a, b, dt);
    return context.sweep(chunk, p, cell_index, out, debug);
}

Impact find_cell_hits(const SpriteChunk& chunk, const std::vector<EdgeCell>& cells, const SpritePhysicsProxy& a,
                      const SpritePhysicsProxy& b, float dt, DebugLines* debug) {
    SweepContext context(a, b, dt);
    CellHits hits;
    context.find_hits(chunk, cells, hits, debug);
    print_dropped_hits(hits.dropped);
    return impact_of(hits);
}
