#pragma once
// How a parallel loop cuts an index range into pieces: even shares, one per worker (the pool's parallel_for),
// blocks of a fixed size, or blocks that shrink toward the end (the loops of Engine/ParallelLoop.h).

#include <cstdint>
#include <vector>

struct ParallelRange {
    uint64_t lo;
    uint64_t hi;
};

// The k-th of the ranges a parallel loop over [begin, end) is cut into for the given worker count: n / chunks
// rounded up each, so the last ones may be short or empty.
uint64_t parallel_chunk_count(uint64_t begin, uint64_t end, uint64_t workers);
ParallelRange parallel_chunk(uint64_t begin, uint64_t end, uint64_t workers, uint64_t k);

// Blocks of `size` items of [0, count): how many, and the items of block k.
uint64_t block_count(uint64_t count, uint64_t size);
ParallelRange block_range(uint64_t count, uint64_t size, uint64_t k);

// Blocks of [0, count) that shrink toward the end, each a share of what is left, so that the threads finish close
// together without paying for many small blocks early on: a block takes 1 / (kBlockShare * threads) of the rest.
inline constexpr uint64_t kBlockShare = 2;
// The first item of each such block, and count itself at the end.
void shrinking_blocks(uint64_t count, uint64_t threads, std::vector<uint64_t>& starts);
