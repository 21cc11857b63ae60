// The impacts of the phase-by-phase path: every chunk record swept on the pool, then put in one total order.

#include <algorithm>
#include <tuple>

#include "Engine/ParallelLoop.h"
#include "Engine/Physics/ChunkPairs.h"
#include "Engine/Physics/RecordSweeper.h"
#include "Engine/Physics/SpriteCollision.h"

namespace {

// One impact found by a chunk record, with the record's place and how many records sweep exactly as it does.
struct FoundImpact {
    Impact impact;
    uint32_t record = 0;
    uint32_t copies = 1;
};

} // namespace

bool impact_before(const Impact& x, const Impact& y) {
    return std::tie(x.time, x.a, x.b, x.chunk) < std::tie(y.time, y.a, y.b, y.chunk);
}

std::vector<Impact> find_impacts(ThreadPool& pool, const std::vector<SpritePhysicsProxy>& proxies,
                                 const std::vector<ProxyChunk>& chunks, float dt, DebugLines* debug) {
    const bool drawn = sweeps_drawn(debug);
    std::vector<uint32_t> copies;
    count_copies(chunks, drawn, copies);
    std::vector<uint32_t> records;
    records.reserve(chunks.size());
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (copies[i] != 0) {
            records.push_back(static_cast<uint32_t>(i));
        }
    }

    std::vector<FoundImpact> found = parallel_collect<FoundImpact>(
        pool, records.size(), [&](uint64_t lo, uint64_t hi, std::vector<FoundImpact>& local, uint32_t) {
            RecordSweeper sweeper(proxies, dt, drawn, debug);
            for (uint64_t k = lo; k < hi; ++k) {
                const uint32_t record = records[k];
                const ProxyChunk& c = chunks[record];
                if (const CellHits* hits = sweeper.sweep(c, copies[record])) {
                    FoundImpact& out = local.emplace_back();
                    out.impact = record_impact(*hits, c);
                    out.record = record;
                    out.copies = copies[record];
                }
            }
        });

    // A total order: a resting pile has every impact at time 0, and the first impact moves its two bodies.
    // The record's place only keeps hand-made lists, whose equal keys need not mean equal records, in order.
    std::vector<const FoundImpact*> order;
    order.reserve(found.size());
    size_t total = 0;
    for (const FoundImpact& f : found) {
        order.push_back(&f);
        total += f.copies;
    }
    std::sort(order.begin(), order.end(), [](const FoundImpact* x, const FoundImpact* y) {
        if (impact_before(x->impact, y->impact)) {
            return true;
        }
        return !impact_before(y->impact, x->impact) && x->record < y->record;
    });
    std::vector<Impact> impacts;
    impacts.reserve(total);
    for (const FoundImpact* f : order) {
        impacts.insert(impacts.end(), f->copies, f->impact);
    }
    return impacts;
}
