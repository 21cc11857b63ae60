// A seek over 1,000 recorded frames (the scene restarts, then every record's input is fed and its tick run in
// one frame) against 1,000 plain ticks of the same scene, both windowless on the 16 threaded workers. Without
// a window the game scene starts empty (its ship and ring come with the start of rendering), so the figure is
// the replay's own cost over the engine tick: restart, input fed per record, schemes refreshed, dispatch.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Recording.h"
#include "Game/Scenes/GameScene.h"

namespace {

constexpr uint32_t kRecords = 1000;
constexpr float kDt = 1.0f / 60.0f;

// Log lines go nowhere while the frames run.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        m_saved = dup(fileno(stdout));
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, fileno(stdout));
        close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(m_saved, fileno(stdout));
        close(m_saved);
    }

private:
    int m_saved = -1;
};

SimulationTick tick_of(uint32_t n) {
    SimulationTick t;
    t.delta_time = kDt;
    t.fixed_delta_time = kDt;
    t.time = static_cast<float>(n) * kDt;
    t.application_time = t.time;
    t.fixed_time = t.time;
    t.tick = n;
    t.fixed_tick = n;
    t.run_simulation_tick = 1;
    t.run_simulation_tick_fixed = 1;
    return t;
}

struct BenchDir {
    BenchDir() : previous(std::filesystem::current_path()) {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pellmar-bench-replay-seek";
        std::filesystem::create_directories(dir);
        std::filesystem::remove(dir / "assets.bin");
        std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir / "assets.bin");
        std::filesystem::current_path(dir);
    }
    ~BenchDir() { std::filesystem::current_path(previous); }
    std::filesystem::path previous;
};

void BM_PlainTicksBaseline(benchmark::State& state) {
    BenchDir dir;
    QuietStdout quiet;
    EngineConfig config;
    config.has_window = false;
    Engine engine(config);
    auto scene = std::make_shared<GameScene>();
    engine.set_scene(scene);
    engine.startup();
    engine.run_frame();
    for (auto _ : state) {
        state.PauseTiming();
        scene->stop();
        scene->start(engine);
        state.ResumeTiming();
        for (uint32_t i = 0; i < kRecords; ++i) {
            engine.input().begin_tick(i, tick_of(i).application_time);
            scene->update_input_schemes();
            scene->engine_tick(tick_of(i));
            engine.event_bus().dispatch();
        }
    }
    engine.shutdown();
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_PlainTicksBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SeekThousandRecords(benchmark::State& state) {
    BenchDir dir;
    QuietStdout quiet;
    {
        std::vector<TickRecord> records;
        for (uint32_t i = 0; i < kRecords; ++i) {
            records.push_back(TickRecord{tick_of(i), ViewportRect{0, 0, 1280, 720}, {}});
        }
        std::ofstream out(kRecordingFile, std::ios::binary | std::ios::trunc);
        write_recording(records, out);
    }
    EngineConfig config;
    config.has_window = false;
    Engine engine(config);
    auto scene = std::make_shared<GameScene>();
    engine.set_scene(scene);
    engine.startup();
    engine.run_frame();
    engine.play_recording(true, 0);
    engine.run_frame();
    for (auto _ : state) {
        state.PauseTiming();
        // Paused at record 0; the seek restarts the scene at the next frame and replays every record in it.
        engine.seek_recording(-engine.replay_index());
        engine.seek_recording(static_cast<int32_t>(kRecords));
        state.ResumeTiming();
        engine.run_frame();
        state.PauseTiming();
        if (engine.replay_index() != static_cast<int32_t>(kRecords)) {
            state.SkipWithError("the seek did not reach the last record");
        }
        state.ResumeTiming();
    }
    engine.shutdown();
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SeekThousandRecords)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
