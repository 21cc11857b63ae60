#pragma once
// The chunks of a pair of sprites that face each other: each sprite's chunks under the overlap of the swept
// bounds, paired when their bounding circles meet. Shared by the phase-by-phase path and the fused step.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Engine/Physics/SpriteCollision.h"
#include "Engine/Physics/TransformSines.h"

// The lists a pair's search fills and drops again; kept by the caller (one per worker), since a step visits
// thousands of pairs.
struct PairChunkScratch {
    std::vector<ProxyChunk> chunks_a;
    std::vector<ProxyChunk> chunks_b;
    std::vector<size_t> first_b;
};

// Appends the facing chunk records of the pair to `out`, with the sprites' Transform sines taken by the caller.
void find_pair_chunks(const SpritePhysicsProxy& a, const TransformSines& sines_a, const SpritePhysicsProxy& b,
                      const TransformSines& sines_b, const ProxyPair& pair, PairChunkScratch& scratch,
                      std::vector<ProxyChunk>& out, DebugLines* debug);

// How many records sweep exactly as each record does: a repeat (the same chunk against the same sprite, found
// again through its distance back to the first record) is swept once and its impact counted again, so it gets 0
// and its first record one more. A distance that does not lead to an equal first record is not trusted; drawn
// sweeps show every record.
void count_copies(const std::vector<ProxyChunk>& records, bool drawn, std::vector<uint32_t>& copies);
