#pragma once
// Sweeps the chunk records of a step one after the other: a record's corner cells, and for the pair's first
// sprite its side cells too, through the other sprite's grid, with the cull in front.

#include <cstdint>
#include <optional>
#include <vector>

#include "Engine/Physics/CellSweep.h"
#include "Engine/Physics/SpriteCollision.h"
#include "Engine/Physics/SweepFilter.h"
#include "Engine/Physics/TransformSines.h"

// Sweeps chunk records one after the other: the records of one pair come together, and they share the other
// sprite's poses and the cell filter.
class RecordSweeper {
public:
    RecordSweeper() = default;
    RecordSweeper(const std::vector<SpritePhysicsProxy>& proxies, float dt, bool drawn, DebugLines* debug) {
        start(proxies, dt, drawn, debug);
    }

    // Kept by a thread from step to step, it starts afresh on every loop: the proxies may sit where others were.
    // The proxies' sines, when the caller has them; else each pair takes its own.
    void start(const std::vector<SpritePhysicsProxy>& proxies, float dt, bool drawn, DebugLines* debug,
               const std::vector<ProxySines>* sines = nullptr) {
        m_proxies = &proxies;
        m_sines = sines;
        m_dt = dt;
        m_drawn = drawn;
        m_debug = drawn ? debug : nullptr;
        m_pair_a = nullptr;
        m_pair_b = nullptr;
    }

    const CellHits* sweep(const ProxyChunk& c, uint32_t copies);

private:
    const std::vector<SpritePhysicsProxy>* m_proxies = nullptr;
    const std::vector<ProxySines>* m_sines = nullptr;
    float m_dt = 0.0f;
    bool m_drawn = false;
    DebugLines* m_debug = nullptr;
    const SpritePhysicsProxy* m_pair_a = nullptr;
    const SpritePhysicsProxy* m_pair_b = nullptr;
    SweepContext m_context;
    std::optional<SweepFilter> m_filter;
    CellHits m_corner;
    CellHits m_side;
};

// Sweeps are drawn: every record and every cell is swept, none culled.
bool sweeps_drawn(const DebugLines* debug);
// The impact of a record's hits.
Impact record_impact(const CellHits& hits, const ProxyChunk& c);
