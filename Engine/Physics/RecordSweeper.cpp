#include "Engine/Physics/RecordSweeper.h"

#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Graphics/DebugLines.h"

// The hits of the record (standing for `copies` equal records), or null without any.
const CellHits* RecordSweeper::sweep(const ProxyChunk& c, uint32_t copies) {
    const SpritePhysicsProxy& a = (*m_proxies)[static_cast<size_t>(c.proxy)];
    const SpritePhysicsProxy& b = (*m_proxies)[static_cast<size_t>(c.other_proxy)];
    if (m_pair_a != &a || m_pair_b != &b) {
        m_pair_a = &a;
        m_pair_b = &b;
        const TransformSines sines_a =
            m_sines != nullptr ? (*m_sines)[static_cast<size_t>(c.proxy)].transform : TransformSines(*a.transform);
        m_context.reset(a, sines_a, b, m_dt);
        m_filter.reset();
        // Drawn sweeps show every cell.
        if (!m_drawn) {
            const TransformSines sines_b = m_sines != nullptr ? (*m_sines)[static_cast<size_t>(c.other_proxy)].transform
                                                              : TransformSines(*b.transform);
            m_filter.emplace(a, sines_a, b, sines_b, m_dt);
        }
    }
    const SweepFilter* filter = nullptr;
    if (m_filter) {
        if (!m_filter->set_chunk(*c.chunk)) {
            return nullptr;
        }
        filter = &*m_filter;
    }
    m_context.find_hits(*c.chunk, c.chunk->corner_cells, m_corner, m_debug, filter);
    const CellHits* result = &m_corner;
    int32_t dropped = m_corner.dropped;
    if (c.second == 0) {
        m_context.find_hits(*c.chunk, c.chunk->side_cells, m_side, m_debug, filter);
        dropped += m_side.dropped;
        // Ties go to the side cells.
        if (!(m_side.time > m_corner.time)) {
            result = &m_side;
        }
    }
    print_dropped_hits(dropped * static_cast<int32_t>(copies));
    return result->count == 0 ? nullptr : result;
}

bool sweeps_drawn(const DebugLines* debug) {
    return debug != nullptr && debug_is_enabled(DebugName::Physics_Sweep_Cell, DebugLayer::Default);
}

Impact record_impact(const CellHits& hits, const ProxyChunk& c) {
    Impact impact = impact_of(hits);
    impact.a = c.proxy;
    impact.b = c.other_proxy;
    impact.chunk = c.chunk->index;
    return impact;
}
