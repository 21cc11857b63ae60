// Debug lines: a call whose name is disabled, a million times, against an empty loop of the same length; then
// a million enabled lines written by 16 pool workers into one buffer.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "Engine/Graphics/DebugLines.h"
#include "Engine/ThreadPool.h"

namespace {

constexpr int64_t kCalls = 1000000;

void BM_EmptyLoopBaseline(benchmark::State& state) {
    for (auto _ : state) {
        for (int64_t i = 0; i < kCalls; ++i) {
            float x = static_cast<float>(i);
            benchmark::DoNotOptimize(x);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_EmptyLoopBaseline)->Unit(benchmark::kMillisecond);

void BM_DisabledDebugLine(benchmark::State& state) {
    debug_renderer_settings = DebugRendererSettings::defaults();
    DebugLines lines;
    for (auto _ : state) {
        for (int64_t i = 0; i < kCalls; ++i) {
            float x = static_cast<float>(i);
            benchmark::DoNotOptimize(x);
            debug_line(lines, {x, 0.0f}, {x, 1.0f}, DebugName::Physics_Sweep_Cell);
        }
    }
    if (lines.size() != 0) {
        state.SkipWithError("a disabled name drew");
    }
    state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_DisabledDebugLine)->Unit(benchmark::kMillisecond);

void BM_EnabledDebugLine16Writers(benchmark::State& state) {
    debug_renderer_settings = DebugRendererSettings::defaults();
    debug_renderer_settings.names[DebugName::Physics_Sweep_Cell].enabled = 1;
    ThreadPool pool;
    pool.init(16, ThreadPool::kThreaded);
    DebugLines lines;
    for (auto _ : state) {
        lines.clear();
        pool.parallel_for(0, 16, [&](uint64_t task) {
            for (int64_t i = 0; i < kCalls / 16; ++i) {
                const float x = static_cast<float>(task);
                debug_line(lines, {x, 0.0f}, {x, static_cast<float>(i)}, DebugName::Physics_Sweep_Cell);
            }
        });
    }
    if (lines.size() != static_cast<size_t>(kCalls)) {
        state.SkipWithError("lines were lost");
    }
    pool.shutdown();
    debug_renderer_settings = DebugRendererSettings::defaults();
    state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_EnabledDebugLine16Writers)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
