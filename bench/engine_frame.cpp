// Whole frames of the game scene in a 1280 x 720 window on SDL's offscreen driver (software GL here: figures
// compare runs, not machines), unpaced: the game view with every clear issued against the same frames with the
// clears of still clean buffers skipped, and the editor view (the panels, and the game drawn into the "Viewport"
// panel). Median and 99th percentile of the wall time per frame, and of the process CPU time per frame (the
// software rasteriser's threads included).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/EngineEvents.h"
#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Game/Scenes/GameScene.h"
#include "game_bench.h"
#include "sprite_ratio.h"

namespace {

constexpr int32_t kFrames = 300;
constexpr int32_t kWarmUpFrames = 30;

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[i];
}

// One engine with its window and the game scene for the whole program.
struct Game {
    Game() : dir("pellmar-bench-engine-frame") {
        game_bench::WindowedEngine windowed;
        engine = std::move(windowed.engine);
        gl = windowed.gl;
        engine->set_scene(std::make_shared<GameScene>());
        engine->run_frame();
    }
    ~Game() {
        game_bench::QuietStdout quiet;
        engine->shutdown();
    }

    void set_editor(bool on) {
        if (engine->editor_mode() != on) {
            engine->event_bus().publish(ToggleEditorEvent{});
            engine->run_frame();
        }
    }

    game_bench::AssetsDir dir;
    std::unique_ptr<Engine> engine;
    RenderContextOpenGL* gl = nullptr;
};

Game& game() { return game_bench::fixture<Game>(); }

void run_frames(benchmark::State& state, bool editor, bool skip_clean_clears) {
    Game& g = game();
    std::vector<double> wall_ms;
    std::vector<double> cpu_ms;
    uint64_t clears = 0;
    {
        game_bench::QuietStdout quiet;
        g.set_editor(editor);
        g.gl->set_skip_clean_clears(skip_clean_clears);
        for (int32_t i = 0; i < kWarmUpFrames; ++i) {
            g.engine->run_frame();
        }
        const uint64_t clears_before = g.gl->clears_issued();
        for (auto _ : state) {
            const double cpu = game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID);
            const double wall = game_bench::seconds_of(CLOCK_MONOTONIC);
            g.engine->run_frame();
            const double wall_s = game_bench::seconds_of(CLOCK_MONOTONIC) - wall;
            state.SetIterationTime(wall_s);
            wall_ms.push_back(wall_s * 1e3);
            cpu_ms.push_back((game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID) - cpu) * 1e3);
        }
        clears = g.gl->clears_issued() - clears_before;
        g.gl->set_skip_clean_clears(true);
    }
    state.counters["median_ms"] = percentile(wall_ms, 0.5);
    state.counters["p99_ms"] = percentile(wall_ms, 0.99);
    state.counters["cpu_median_ms"] = percentile(cpu_ms, 0.5);
    state.counters["cpu_p99_ms"] = percentile(cpu_ms, 0.99);
    state.counters["clears_per_frame"] = static_cast<double>(clears) / static_cast<double>(state.iterations());
}

void BM_GameViewFrameEveryClear(benchmark::State& state) { run_frames(state, false, false); }
void BM_GameViewFrame(benchmark::State& state) { run_frames(state, false, true); }
void BM_EditorViewFrameEveryClear(benchmark::State& state) { run_frames(state, true, false); }
void BM_EditorViewFrame(benchmark::State& state) { run_frames(state, true, true); }

BENCHMARK(BM_GameViewFrameEveryClear)->Iterations(kFrames)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GameViewFrame)->Iterations(kFrames)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorViewFrameEveryClear)->Iterations(kFrames)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorViewFrame)->Iterations(kFrames)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const int result = sprite_bench::run(
        argc, argv,
        {{"game view frame CPU: clean clears skipped / every clear", "BM_GameViewFrame/iterations:300/manual_time",
          "BM_GameViewFrameEveryClear/iterations:300/manual_time", "< 1", "cpu_median_ms"},
         {"editor view frame p99: clean clears skipped / every clear", "BM_EditorViewFrame/iterations:300/manual_time",
          "BM_EditorViewFrameEveryClear/iterations:300/manual_time", "< 1", "p99_ms"}});
    // The window and its GL context go before the program's statics do.
    game_bench::fixture_holder<Game>().reset();
    return result;
}
