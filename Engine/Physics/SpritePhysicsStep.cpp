// The fused collision step: pairs, facing chunks and sweeps in one pass over the proxies on the pool, then the
// contact rows written in the impacts' total order. Proxy i pairs with each earlier proxy whose swept bounds
// overlap its own, the pairs the area tree would give. Their order does not matter here, since the impacts are
// put in a total order under which equal impacts are equal records. A second pass writes the contact rows in
// that order, each range of keys to the place its predecessors leave it.
//
// Sections, in order:
//   keys      the impacts' total order as a pair of integers; an impact without its hit points; a block's impacts
//   storage   what the caller keeps for the step from one step to the next, and what each worker keeps
//   stages    prepare_proxies, draw_area_tree, sweep_block, gather_blocks, pick_splitters, write_range
//   step      step_phase_by_phase (bounds that are not finite) and sprite_physics_step

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Engine/Graphics/DebugLines.h"
#include "Engine/ParallelLoop.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Physics/ChunkPairs.h"
#include "Engine/Physics/CollisionBroadPhase.h"
#include "Engine/Physics/CollisionContacts.h"
#include "Engine/Physics/LeftEdgeBuckets.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/RecordSweeper.h"
#include "Engine/Physics/SpriteCollision.h"
#include "Engine/Physics/TransformSines.h"
#include "Engine/ThreadPool.h"

namespace {

// ---- keys

// The order of the step's impacts, impact_before's, as one pair of integers: time, the moving and the other proxy,
// then the moving proxy's chunk. The times are finite here (so are the bounds), and -0 counts as 0 as it compares.
struct StepKey {
    uint64_t high = 0;
    uint64_t low = 0;

    friend bool operator<(const StepKey& x, const StepKey& y) {
        return x.high < y.high || (x.high == y.high && x.low < y.low);
    }
};

// Unsigned order of the bits as the order of the values.
uint32_t ordered_bits(float f) {
    const auto bits = std::bit_cast<uint32_t>(f + 0.0f);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}
uint32_t ordered_bits(int32_t i) { return static_cast<uint32_t>(i) ^ 0x80000000u; }

StepKey step_key(float time, int32_t a, int32_t b, int32_t chunk) {
    return {uint64_t{ordered_bits(time)} << 32 | ordered_bits(a),
            uint64_t{ordered_bits(b)} << 32 | ordered_bits(chunk)};
}

// One impact of the step without its hit points, which its block keeps.
struct StepImpact {
    StepKey key;
    float time = kNoImpactTime;
    int32_t a = 0;
    int32_t b = 0;
    glm::vec2 point{0.0f};
    int32_t count = 0;
    uint32_t copies = 1;
    uint32_t first = 0; // of its hit points and rows in the block
    uint32_t block = 0;
};

struct StepBlock {
    std::vector<StepImpact> impacts;
    std::vector<HitPoint> hits;
    size_t row_count = 0;              // with the copies
    const StepImpact* first = nullptr; // in the step's order
};

// ---- storage

// What one worker keeps for the blocks it sweeps.
struct BlockStorage {
    RecordSweeper sweeper;
    PairChunkScratch pair_chunks;
    std::vector<ProxyChunk> records;
    std::vector<uint32_t> copies;
};

// What one worker keeps for the ranges of rows it writes.
struct RangeStorage {
    std::vector<const StepImpact*> picked;
    ConstraintList rows; // of one impact
};

} // namespace

struct SpriteStepStorage::State {
    LeftEdgeBuckets buckets;
    std::vector<ProxySines> sines;
    std::vector<uint64_t> starts; // of the blocks
    std::vector<StepBlock> blocks;
    std::vector<StepKey> samples;
    std::vector<StepKey> splitters;
    PerWorker<BlockStorage> block_storage;
    PerWorker<RangeStorage> range_storage;
    size_t last_rows = 0; // the rows of the last step, as a guess at this one's
};

SpriteStepStorage::SpriteStepStorage() : m_state(std::make_unique<State>()) {}
SpriteStepStorage::~SpriteStepStorage() = default;
SpriteStepStorage::SpriteStepStorage(SpriteStepStorage&&) noexcept = default;
SpriteStepStorage& SpriteStepStorage::operator=(SpriteStepStorage&&) noexcept = default;

namespace {

using StepState = SpriteStepStorage::State;

// What every stage of one step reads.
struct StepInput {
    const std::vector<SpritePhysicsProxy>& proxies;
    float dt;
    bool drawn; // sweeps are drawn, so none is culled
    DebugLines* debug;
};

// ---- stages

// Job k of the first run. No body moves before the contact rows are made, so each proxy's sines serve all its
// pairs: they are taken by the helpers that are awake while job 0 fills the buckets.
void prepare_proxies(const StepInput& in, StepState& st, uint64_t sine_size, uint64_t k) {
    if (k == 0) {
        st.buckets.fill(in.proxies);
        return;
    }
    const ParallelRange range = block_range(in.proxies.size(), sine_size, k - 1);
    for (uint64_t i = range.lo; i < range.hi; ++i) {
        st.sines[i] = sines_of(in.proxies[i]);
    }
}

// The fused step has no tree; one is built for the picture alone.
void draw_area_tree(const std::vector<SpritePhysicsProxy>& proxies, DebugLines* debug) {
    if (debug == nullptr || !debug_is_enabled(DebugName::Physics_Broadphase_Tree, DebugLayer::Default)) {
        return;
    }
    AxisAlignedAreaTree<int32_t> tree;
    for (size_t i = 0; i < proxies.size(); ++i) {
        tree.insert(proxies[i].swept_bounds, static_cast<int32_t>(i));
    }
    debug_area_tree(*debug, tree, DebugName::Physics_Broadphase_Tree);
}

// Block k: its proxies paired with every earlier proxy whose swept bounds overlap theirs, the facing chunks of
// each pair swept, and the impacts kept in the block with their hit points.
void sweep_block(const StepInput& in, StepState& st, uint64_t k, BlockStorage& local) {
    const std::vector<SpritePhysicsProxy>& proxies = in.proxies;
    const std::vector<ProxySines>& sines = st.sines;
    StepBlock& out = st.blocks[k];
    out.impacts.clear();
    out.hits.clear();
    out.row_count = 0;
    out.first = nullptr;
    local.sweeper.start(proxies, in.dt, in.drawn, in.debug, &sines);
    for (uint64_t i = st.starts[k]; i < st.starts[k + 1]; ++i) {
        const SpritePhysicsProxy& a = proxies[i];
        const AxisAlignedArea& swept = a.swept_bounds;
        for (const int32_t j : st.buckets.candidates(swept)) {
            if (static_cast<uint64_t>(j) >= i ||
                !AxisAlignedArea::intersects(proxies[static_cast<size_t>(j)].swept_bounds, swept)) {
                continue;
            }
            const SpritePhysicsProxy& b = proxies[static_cast<size_t>(j)];
            const ProxyPair pair = make_proxy_pair(proxies, static_cast<int32_t>(i), j, in.debug);
            std::vector<ProxyChunk>& records = local.records;
            std::vector<uint32_t>& copies = local.copies;
            records.clear();
            find_pair_chunks(a, sines[i].transform, b, sines[static_cast<size_t>(j)].transform, pair, local.pair_chunks,
                             records, in.debug);
            count_copies(records, in.drawn, copies);
            for (size_t r = 0; r < records.size(); ++r) {
                if (copies[r] == 0) {
                    continue;
                }
                const ProxyChunk& record = records[r];
                const CellHits* hits = local.sweeper.sweep(record, copies[r]);
                if (hits == nullptr) {
                    continue;
                }
                StepImpact& impact = out.impacts.emplace_back();
                impact.key = step_key(hits->time, record.proxy, record.other_proxy, record.chunk->index);
                impact.time = hits->time;
                impact.a = record.proxy;
                impact.b = record.other_proxy;
                impact.point = hits->point;
                impact.count = hits->count;
                impact.copies = copies[r];
                impact.first = static_cast<uint32_t>(out.hits.size());
                impact.block = static_cast<uint32_t>(k);
                out.row_count += static_cast<size_t>(impact.copies) * static_cast<size_t>(impact.count);
                out.hits.insert(out.hits.end(), hits->hits.begin(), hits->hits.begin() + hits->count);
            }
        }
    }
    for (const StepImpact& impact : out.impacts) {
        if (out.first == nullptr || impact.key < out.first->key) {
            out.first = &impact;
        }
    }
}

struct StepTotals {
    const StepImpact* first = nullptr; // the earliest impact of the step
    size_t impacts = 0;
    size_t rows = 0;
};

// Equal keys belong to equal records (the same chunk swept against the same sprite), whose impacts are equal
// too, so the first impact is the same however the impacts were found.
StepTotals gather_blocks(const StepState& st, uint64_t block_total) {
    StepTotals totals;
    for (uint64_t k = 0; k < block_total; ++k) {
        const StepBlock& block = st.blocks[k];
        if (block.first != nullptr && (totals.first == nullptr || block.first->key < totals.first->key)) {
            totals.first = block.first;
        }
        totals.impacts += block.impacts.size();
        totals.rows += block.row_count;
    }
    return totals;
}

// Ranges of keys between splitters taken from a sample of the impacts, a few per thread.
void pick_splitters(StepState& st, size_t impact_total, uint64_t ranges) {
    std::vector<StepKey>& samples = st.samples;
    std::vector<StepKey>& splitters = st.splitters;
    samples.clear();
    splitters.clear();
    if (ranges <= 1) {
        return;
    }
    // Every (impact_total / wanted)-th impact; only those are read, as the blocks' lists lie on other cores.
    const size_t wanted = static_cast<size_t>(8 * ranges);
    size_t block_first = 0; // the place of the block's first impact among all
    uint64_t k = 0;
    for (size_t m = 0; m < wanted; ++m) {
        const size_t at = m * impact_total / wanted;
        while (at - block_first >= st.blocks[k].impacts.size()) {
            block_first += st.blocks[k].impacts.size();
            k += 1;
        }
        samples.push_back(st.blocks[k].impacts[at - block_first].key);
    }
    std::sort(samples.begin(), samples.end());
    for (uint64_t r = 1; r < ranges; ++r) {
        splitters.push_back(samples[static_cast<size_t>(r * samples.size() / ranges)]);
    }
}

// Where the rows go, and what changes the contacts of the two moved bodies.
struct RowTarget {
    ConstraintList& constraints;
    size_t base;     // the list's size before the step
    uint64_t ranges; // of keys
    uint64_t blocks; // of the step
    const PhysicsBody* moved_a;
    const PhysicsBody* moved_b;
    DebugLines* arrows; // contacts are drawn
};

// The rows of the impacts whose keys lie in range r, in key order, from the place the earlier ranges leave.
// The contacts of the two moved bodies take their new angles, which turn the normal and the levers; every other
// proxy's sines are still those taken at the start. Drawn contacts are drawn once per copy.
void write_range(const StepInput& in, const StepState& st, const RowTarget& target, uint64_t r, RangeStorage& local) {
    const std::vector<SpritePhysicsProxy>& proxies = in.proxies;
    const std::vector<StepKey>& splitters = st.splitters;
    std::vector<const StepImpact*>& picked = local.picked;
    picked.clear();
    size_t offset = target.base;
    for (uint64_t k = 0; k < target.blocks; ++k) {
        for (const StepImpact& impact : st.blocks[k].impacts) {
            if (r > 0 && impact.key < splitters[r - 1]) {
                offset += static_cast<size_t>(impact.copies) * static_cast<size_t>(impact.count);
            } else if (r + 1 == target.ranges || impact.key < splitters[r]) {
                picked.push_back(&impact);
            }
        }
    }
    std::sort(picked.begin(), picked.end(), [](const StepImpact* x, const StepImpact* y) { return x->key < y->key; });
    auto out = target.constraints.begin() + static_cast<std::ptrdiff_t>(offset);
    for (const StepImpact* impact : picked) {
        const SpritePhysicsProxy& a = proxies[static_cast<size_t>(impact->a)];
        const SpritePhysicsProxy& b = proxies[static_cast<size_t>(impact->b)];
        const bool moved = a.body == target.moved_a || a.body == target.moved_b || b.body == target.moved_a ||
                           b.body == target.moved_b;
        const ProxySines sa = moved ? sines_of(a) : st.sines[static_cast<size_t>(impact->a)];
        const ProxySines sb = moved ? sines_of(b) : st.sines[static_cast<size_t>(impact->b)];
        const auto hits = st.blocks[impact->block].hits.begin() + impact->first;
        ConstraintList& rows = local.rows;
        rows.clear();
        for (int32_t h = 0; h < impact->count; ++h) {
            const Contact contact = make_contact(a, sa, b, sb, hits[h], impact->time, in.dt);
            draw_contact(target.arrows, contact);
            add_contact_constraint(rows, contact);
        }
        // Every copy gives rows, and is drawn.
        for (uint32_t copy = 1; target.arrows != nullptr && copy < impact->copies; ++copy) {
            for (int32_t h = 0; h < impact->count; ++h) {
                draw_contact(target.arrows, make_contact(a, sa, b, sb, hits[h], impact->time, in.dt));
            }
        }
        for (uint32_t copy = 0; copy < impact->copies; ++copy) {
            out = std::copy(rows.begin(), rows.end(), out);
        }
    }
}

// ---- step

// The phases one by one, as written: the fused step's buckets need finite bounds.
void step_phase_by_phase(ThreadPool& pool, ConstraintList& constraints, const std::vector<SpritePhysicsProxy>& proxies,
                         float dt, DebugLines* debug) {
    const std::vector<ProxyPair> pairs = find_proxy_pairs(proxies, debug);
    const std::vector<ProxyChunk> chunks = find_chunk_proxies(pool, proxies, pairs, debug);
    const std::vector<Impact> impacts = find_impacts(pool, proxies, chunks, dt, debug);
    if (!impacts.empty()) {
        const Impact& first = impacts.front();
        advance_first_pair(proxies, first.a, first.b, first.time, first.point, debug);
    }
    for (const Contact& contact : make_contacts(proxies, impacts, dt, debug)) {
        add_contact_constraint(constraints, contact);
    }
}

} // namespace

void sprite_physics_step(ThreadPool& pool, ConstraintList& constraints, const std::vector<SpritePhysicsProxy>& proxies,
                         float dt, DebugLines* debug) {
    SpriteStepStorage storage;
    sprite_physics_step(pool, constraints, proxies, dt, storage, debug);
}

void sprite_physics_step(ThreadPool& pool, ConstraintList& constraints, const std::vector<SpritePhysicsProxy>& proxies,
                         float dt, SpriteStepStorage& storage, DebugLines* debug) {
    const bool bounds_finite = std::all_of(proxies.begin(), proxies.end(), [](const SpritePhysicsProxy& p) {
        return finite2(p.swept_bounds.min) && finite2(p.swept_bounds.max);
    });
    if (!bounds_finite) {
        step_phase_by_phase(pool, constraints, proxies, dt, debug);
        return;
    }

    StepState& st = storage.state();
    const StepInput in{proxies, dt, sweeps_drawn(debug), debug};
    const uint64_t threads = loop_threads(pool);
    shrinking_blocks(proxies.size(), threads, st.starts);
    const uint64_t block_total = st.starts.size() - 1;
    const uint64_t most_ranges = 2 * threads;
    PoolLoop loop(pool, std::max(block_total + 1, most_ranges));
    st.block_storage.reserve_workers(loop.threads());
    st.range_storage.reserve_workers(loop.threads());

    st.sines.resize(proxies.size());
    const uint64_t sine_size = block_size(threads, proxies.size(), 2);
    loop.run(block_count(proxies.size(), sine_size) + 1,
             [&](uint64_t k, uint32_t) { prepare_proxies(in, st, sine_size, k); });
    draw_area_tree(proxies, debug);

    st.blocks.resize(std::max<size_t>(st.blocks.size(), block_total));
    const size_t base = constraints.size();
    // The list grows before its rows are written: a step that throws takes back what it added.
    struct Unwind {
        ConstraintList& list;
        size_t size;
        bool kept = false;
        ~Unwind() {
            if (!kept) {
                list.resize(size);
            }
        }
    } unwind{constraints, base};
    // The first job grows the constraint list to the size the last step left, while the others sweep: making
    // that many rows is not free, and no one else touches the list during the step.
    const size_t guess = st.last_rows;
    loop.run(block_total + 1, [&](uint64_t k, uint32_t worker) {
        if (k == 0) {
            constraints.resize(base + guess);
        } else {
            sweep_block(in, st, k - 1, st.block_storage[worker]);
        }
    });

    const StepTotals totals = gather_blocks(st, block_total);
    st.last_rows = totals.rows;
    constraints.resize(base + totals.rows);
    if (totals.first == nullptr) {
        return;
    }
    const StepImpact& first = *totals.first;
    advance_first_pair(proxies, first.a, first.b, first.time, first.point, debug);

    const uint64_t ranges = std::min<uint64_t>(most_ranges, std::max<size_t>(1, totals.impacts / 32));
    pick_splitters(st, totals.impacts, ranges);
    DebugLines* const arrows =
        debug != nullptr && debug_is_enabled(DebugName::Physics_Contact_Point_Normal, DebugLayer::Default) ? debug
                                                                                                           : nullptr;
    const RowTarget target{constraints,
                           base,
                           ranges,
                           block_total,
                           proxies[static_cast<size_t>(first.a)].body,
                           proxies[static_cast<size_t>(first.b)].body,
                           arrows};
    // Drawn contacts come one range after the other, so the arrows come in order.
    if (arrows != nullptr) {
        for (uint64_t r = 0; r < ranges; ++r) {
            write_range(in, st, target, r, st.range_storage[0]);
        }
    } else {
        loop.run(ranges,
                 [&](uint64_t r, uint32_t worker) { write_range(in, st, target, r, st.range_storage[worker]); });
    }
    unwind.kept = true;
}
