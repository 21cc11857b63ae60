#include "Engine/ParallelRange.h"

#include <algorithm>

uint64_t parallel_chunk_count(uint64_t begin, uint64_t end, uint64_t workers) {
    return end > begin ? std::min(workers, end - begin) : 0;
}

ParallelRange parallel_chunk(uint64_t begin, uint64_t end, uint64_t workers, uint64_t k) {
    const uint64_t n = end - begin;
    const uint64_t chunks = parallel_chunk_count(begin, end, workers);
    const uint64_t size = (n - 1 + chunks) / chunks;
    const uint64_t lo = begin + k * size;
    const uint64_t hi = std::min(begin + (k + 1) * size, end);
    return ParallelRange{lo, std::max(lo, hi)};
}

uint64_t block_count(uint64_t count, uint64_t size) { return (count + size - 1) / size; }

ParallelRange block_range(uint64_t count, uint64_t size, uint64_t k) {
    return {k * size, std::min(count, (k + 1) * size)};
}

void shrinking_blocks(uint64_t count, uint64_t threads, std::vector<uint64_t>& starts) {
    starts.clear();
    uint64_t at = 0;
    while (at < count) {
        starts.push_back(at);
        at += std::max<uint64_t>(1, (count - at) / (kBlockShare * threads));
    }
    starts.push_back(count);
}
