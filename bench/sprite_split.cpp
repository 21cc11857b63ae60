// Commit of a 1024 x 1024-cell sprite: split in two by a cut against a plain two-pass union-find
// labelling of the same cells, and the commit after a 64 x 64 hole.

#include <cstdint>
#include <numeric>
#include <vector>

#include <benchmark/benchmark.h>

#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/SplitResult.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Log.h"
#include "sprite_ratio.h"

namespace {

constexpr int32_t kCells = 1024;
constexpr int32_t kChunks = kCells / 32;

const SpriteAsset& full_asset() {
    static const SpriteAsset a = [] {
        SpriteAsset s;
        s.metadata.name = "bench";
        s.chunkCount = {kChunks, kChunks};
        s.cellCount = {kCells, kCells};
        for (int32_t cy = 0; cy < kChunks; ++cy) {
            for (int32_t cx = 0; cx < kChunks; ++cx) {
                SpriteChunkData d;
                d.index = cy * kChunks + cx;
                d.gridPixelOffset = {cx * 32, cy * 32};
                d.activePixelCount = 1024;
                d.mask.fill(1);
                for (int32_t i = 0; i < 1024; ++i) {
                    d.color[static_cast<size_t>(i)] = 0xFF000000u | static_cast<uint32_t>(i * 77);
                }
                s.chunks.push_back(d);
            }
        }
        s.activePixelCount = kCells * kCells;
        s.groups[1].activeCount = kCells * kCells;
        s.groups[1].root_grid_index_position = {kCells / 2, kCells / 2};
        return s;
    }();
    return a;
}

void remove(Sprite& s, int32_t x, int32_t y) {
    const ChunkCell cc = s.grid().to_chunk_cell(x, y);
    s.remove_cell(cc.chunk, cc.cell);
}

void BM_CommitSplitInTwo(benchmark::State& state) {
    LogGuard log(LogLevelInfo, LogSprite, 1);
    SpriteChunkPool pool(32, 1024, 32);
    int64_t pieces = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            Sprite sprite(pool, full_asset(), false);
            for (int32_t y = 0; y < kCells; ++y) {
                remove(sprite, 512, y);
            }
            SplitResult out;
            state.ResumeTiming();
            Sprite::commit(sprite, out, Transform{}, CommitSettings{0, 20});
            state.PauseTiming();
            pieces += static_cast<int64_t>(out.pieces.size());
        }
        pool.apply_pending();
        state.ResumeTiming();
    }
    state.counters["pieces"] = benchmark::Counter(static_cast<double>(pieces), benchmark::Counter::kAvgIterations);
}

// Classic two-pass connected-component labelling (8-connected) with union-find over the cells.
int32_t find(std::vector<int32_t>& parent, int32_t a) {
    while (parent[static_cast<size_t>(a)] != a) {
        parent[static_cast<size_t>(a)] = parent[static_cast<size_t>(parent[static_cast<size_t>(a)])];
        a = parent[static_cast<size_t>(a)];
    }
    return a;
}

void unite(std::vector<int32_t>& parent, int32_t a, int32_t b) {
    a = find(parent, a);
    b = find(parent, b);
    if (a != b) {
        parent[static_cast<size_t>(std::max(a, b))] = std::min(a, b);
    }
}

void BM_UnionFindLabelling(benchmark::State& state) {
    std::vector<uint16_t> flags(static_cast<size_t>(kCells) * kCells, 1);
    for (int32_t y = 0; y < kCells; ++y) {
        flags[static_cast<size_t>(y) * kCells + 512] |= 0x20;
    }
    std::vector<int32_t> labels(flags.size());
    std::vector<int32_t> parent;
    int64_t components = 0;
    for (auto _ : state) {
        parent.clear();
        std::fill(labels.begin(), labels.end(), -1);
        for (int32_t y = 0; y < kCells; ++y) {
            for (int32_t x = 0; x < kCells; ++x) {
                const size_t i = static_cast<size_t>(y) * kCells + static_cast<size_t>(x);
                const uint16_t f = flags[i];
                if ((f & 0x20) != 0 || (f & 0x1F) == 0) {
                    continue;
                }
                int32_t label = -1;
                const auto look = [&](int32_t nx, int32_t ny) {
                    if (nx < 0 || nx >= kCells || ny < 0) {
                        return;
                    }
                    const int32_t l = labels[static_cast<size_t>(ny) * kCells + static_cast<size_t>(nx)];
                    if (l < 0) {
                        return;
                    }
                    if (label < 0) {
                        label = l;
                    } else if (l != label) {
                        unite(parent, label, l);
                    }
                };
                look(x - 1, y);
                look(x - 1, y - 1);
                look(x, y - 1);
                look(x + 1, y - 1);
                if (label < 0) {
                    label = static_cast<int32_t>(parent.size());
                    parent.push_back(label);
                }
                labels[i] = label;
            }
        }
        int64_t roots = 0;
        for (int32_t& l : labels) {
            if (l >= 0) {
                l = find(parent, l);
            }
        }
        for (size_t k = 0; k < parent.size(); ++k) {
            roots += parent[k] == static_cast<int32_t>(k) ? 1 : 0;
        }
        components += roots;
        benchmark::DoNotOptimize(labels.data());
    }
    state.counters["components"] =
        benchmark::Counter(static_cast<double>(components), benchmark::Counter::kAvgIterations);
}

void BM_CommitAfterHole(benchmark::State& state) {
    LogGuard log(LogLevelInfo, LogSprite, 1);
    SpriteChunkPool pool(32, 1024, 32);
    Sprite sprite(pool, full_asset(), true);
    for (auto _ : state) {
        state.PauseTiming();
        sprite.restore_removed_cells();
        SplitResult reset_out;
        Sprite::commit(sprite, reset_out, Transform{}, CommitSettings{0, 20});
        for (int32_t y = 500; y < 564; ++y) {
            for (int32_t x = 500; x < 564; ++x) {
                remove(sprite, x, y);
            }
        }
        SplitResult out;
        state.ResumeTiming();
        Sprite::commit(sprite, out, Transform{}, CommitSettings{0, 20});
        state.PauseTiming();
        benchmark::DoNotOptimize(out.pieces.size());
        pool.apply_pending();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_CommitSplitInTwo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnionFindLabelling)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommitAfterHole)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return sprite_bench::run(
        argc, argv,
        {{"commit split in two / union-find labelling", "BM_CommitSplitInTwo", "BM_UnionFindLabelling", "<= 2", ""},
         {"commit after a 64 x 64 hole", "BM_CommitAfterHole", "", "<= 0.2 ms", ""}});
}
