#include "Engine/Physics/ChunkPairs.h"

#include <cmath>

#include <glm/geometric.hpp>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Vector.h"
#include "Engine/ParallelLoop.h"

namespace {

// Radius of the circle around a chunk's centre used to pair facing chunks (sqrt(4) / 2).
constexpr float kChunkRadius = 1.0f;

// The clamped chunk box back in world space: corner circles and edges.
void draw_chunk_box(DebugLines& debug, const SpritePhysicsProxy& proxy, const AxisAlignedArea& box, uint32_t layer) {
    if (!debug_is_enabled(DebugName::Physics_Broadphase_Overlap_Grid_Corners, layer) &&
        !debug_is_enabled(DebugName::Physics_Broadphase_Overlap_Grid_Bounds, layer)) {
        return;
    }
    const SpriteGrid& grid = proxy.sprite->grid();
    const float chunk_size = static_cast<float>(grid.chunk_size);
    glm::vec2 corners[4];
    AxisAlignedArea::corners(box, corners);
    glm::vec2 world[4];
    for (int i = 0; i < 4; ++i) {
        world[i] = proxy.transform->to_world(grid.cell_to_local(corners[i] * chunk_size));
        debug_circle(debug, world[i], 0.05f, DebugName::Physics_Broadphase_Overlap_Grid_Corners, layer);
    }
    for (int i = 0; i < 4; ++i) {
        debug_line(debug, world[i], world[(i + 1) % 4], DebugName::Physics_Broadphase_Overlap_Grid_Bounds, layer);
    }
}

// Chunk-space box of the overlap as seen by one sprite, clamped to its chunk counts.
AxisAlignedArea chunk_box_of(const SpritePhysicsProxy& proxy, const TransformSines& sines,
                             const AxisAlignedArea& overlap, uint32_t layer, DebugLines* debug) {
    const SpriteGrid& grid = proxy.sprite->grid();
    glm::vec2 corners[4];
    AxisAlignedArea::corners(overlap, corners);
    const float chunk_size = static_cast<float>(grid.chunk_size);
    glm::vec2 chunk_space[4];
    for (int i = 0; i < 4; ++i) {
        chunk_space[i] = grid.local_to_cell(TransformSines::to_local(*proxy.transform, sines, corners[i])) / chunk_size;
        if (debug != nullptr) {
            debug_circle(*debug, corners[i], 0.02f, DebugName::Physics_Broadphase_Overlap_World_Corners);
        }
    }
    AxisAlignedArea box = AxisAlignedArea::from_points(chunk_space, 4);
    // Clamped to the last chunk, not past it: an overlap that lies wholly beyond the sprite's current place
    // (a fast approach) still selects the edge chunks that face it, instead of none.
    const glm::vec2 limit(static_cast<float>(grid.chunks_x) - 1.0f, static_cast<float>(grid.chunks_y) - 1.0f);
    box.min = glm::max(glm::min(box.min, limit), glm::vec2(0.0f));
    box.max = glm::max(glm::min(box.max, limit), glm::vec2(0.0f));
    if (debug != nullptr) {
        draw_chunk_box(*debug, proxy, box, layer);
    }
    return box;
}

void collect_chunks(const SpritePhysicsProxy& proxy, const TransformSines& sines, const AxisAlignedArea& box,
                    int32_t self, int32_t other, uint8_t second, std::vector<ProxyChunk>& out, DebugLines* debug) {
    const Sprite& sprite = *proxy.sprite;
    const SpriteGrid& grid = sprite.grid();
    const int32_t n = static_cast<int32_t>(grid.chunk_size);
    const int32_t center_cell = (n / 2) * n + n / 2;
    const auto y0 = static_cast<int32_t>(std::floor(box.min.y));
    const auto y1 = static_cast<int32_t>(std::ceil(box.max.y));
    const auto x0 = static_cast<int32_t>(std::floor(box.min.x));
    const auto x1 = static_cast<int32_t>(std::ceil(box.max.x));
    for (int32_t cy = y0; cy <= y1; ++cy) {
        for (int32_t cx = x0; cx <= x1; ++cx) {
            // The box reaches the chunk count itself; outside the grid an index would wrap into the next row.
            if (!grid.contains_chunk(cx, cy)) {
                continue;
            }
            const int32_t index = grid.chunk_index(cx, cy);
            const SpriteChunk* chunk = sprite.chunk(index);
            if (chunk == nullptr) {
                continue;
            }
            const glm::vec2 center = TransformSines::to_world(*proxy.transform, sines,
                                                              grid.cell_center_to_local(ChunkCell{index, center_cell}));
            if (debug != nullptr) {
                debug_circle(*debug, center, 0.2f, DebugName::Physics_Broadphase_Chunk_Used, DebugLayer::A + second);
            }
            out.push_back(ProxyChunk{self, other, chunk, center, second});
        }
    }
}

} // namespace

void count_copies(const std::vector<ProxyChunk>& records, bool drawn, std::vector<uint32_t>& copies) {
    copies.assign(records.size(), 1);
    if (drawn) {
        return;
    }
    for (size_t i = 0; i < records.size(); ++i) {
        const ProxyChunk& c = records[i];
        if (c.repeat_of == 0 || c.repeat_of > i) {
            continue;
        }
        const size_t first = i - c.repeat_of;
        const ProxyChunk& f = records[first];
        if (f.repeat_of == 0 && f.proxy == c.proxy && f.other_proxy == c.other_proxy && f.chunk == c.chunk &&
            f.second == c.second) {
            copies[first] += 1;
            copies[i] = 0;
        }
    }
}

void find_pair_chunks(const SpritePhysicsProxy& a, const TransformSines& sines_a, const SpritePhysicsProxy& b,
                      const TransformSines& sines_b, const ProxyPair& pair, PairChunkScratch& scratch,
                      std::vector<ProxyChunk>& out, DebugLines* debug) {
    std::vector<ProxyChunk>& chunks_a = scratch.chunks_a;
    std::vector<ProxyChunk>& chunks_b = scratch.chunks_b;
    std::vector<size_t>& first_b = scratch.first_b;
    chunks_a.clear();
    chunks_b.clear();
    collect_chunks(a, sines_a, chunk_box_of(a, sines_a, pair.overlap, DebugLayer::A, debug), pair.a, pair.b, 0,
                   chunks_a, debug);
    collect_chunks(b, sines_b, chunk_box_of(b, sines_b, pair.overlap, DebugLayer::B, debug), pair.b, pair.a, 1,
                   chunks_b, debug);
    constexpr size_t kNone = ~size_t{0};
    first_b.assign(chunks_b.size(), kNone);
    const auto append = [&out](const ProxyChunk& record, size_t& first) {
        const size_t at = out.size();
        out.push_back(record);
        if (first == kNone) {
            first = at;
        } else {
            out.back().repeat_of = static_cast<uint32_t>(at - first);
        }
    };
    // The circles grow by what the chunks can travel towards each other over the step: fast chunks a few
    // units apart at the start meet within it.
    const float closing = glm::length(a.step_move - b.step_move);
    const float turn_a = std::fabs(a.step_turn);
    const float turn_b = std::fabs(b.step_turn);
    for (const ProxyChunk& ca : chunks_a) {
        size_t first_a = kNone;
        const float reach_a =
            kChunkRadius + closing + turn_a * (glm::length(ca.center - a.world_center_of_mass) + kChunkRadius);
        for (size_t k = 0; k < chunks_b.size(); ++k) {
            const ProxyChunk& cb = chunks_b[k];
            const float reach_b =
                kChunkRadius + turn_b * (glm::length(cb.center - b.world_center_of_mass) + kChunkRadius);
            if (circles_overlap(ca.center, reach_a, cb.center, reach_b)) {
                append(ca, first_a);
                append(cb, first_b[k]);
                if (debug != nullptr) {
                    debug_line(*debug, ca.center, cb.center, DebugName::Physics_Broadphase_Chunk_Pair_Line);
                }
            }
        }
    }
}

void find_chunk_proxies_for_pair(const SpritePhysicsProxy& a, const SpritePhysicsProxy& b, const ProxyPair& pair,
                                 std::vector<ProxyChunk>& out, DebugLines* debug) {
    PairChunkScratch scratch;
    find_pair_chunks(a, TransformSines(*a.transform), b, TransformSines(*b.transform), pair, scratch, out, debug);
}

std::vector<ProxyChunk> find_chunk_proxies(ThreadPool& pool, const std::vector<SpritePhysicsProxy>& proxies,
                                           const std::vector<ProxyPair>& pairs, DebugLines* debug) {
    PerWorker<PairChunkScratch> scratch;
    scratch.reserve_workers(loop_threads(pool));
    return parallel_collect<ProxyChunk>(
        pool, pairs.size(), [&](uint64_t lo, uint64_t hi, std::vector<ProxyChunk>& local, uint32_t worker) {
            for (uint64_t i = lo; i < hi; ++i) {
                const ProxyPair& pair = pairs[i];
                const SpritePhysicsProxy& a = proxies[static_cast<size_t>(pair.a)];
                const SpritePhysicsProxy& b = proxies[static_cast<size_t>(pair.b)];
                find_pair_chunks(a, TransformSines(*a.transform), b, TransformSines(*b.transform), pair,
                                 scratch[worker], local, debug);
            }
        });
}
