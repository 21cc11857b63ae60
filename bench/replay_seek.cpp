// A seek over 1,000 recorded frames (the scene restarts, then every record's input is fed and its tick run in
// one frame) against 1,000 plain ticks of the same scene, both windowless on the 16 threaded workers. Without
// a window the game scene starts empty (its ship and ring come with the start of rendering), so the figure is
// the replay's own cost over the engine tick: restart, input fed per record, schemes refreshed, dispatch.

#include <benchmark/benchmark.h>

#include <fstream>
#include <vector>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Recording.h"
#include "Game/Scenes/GameScene.h"
#include "game_bench.h"

namespace {

constexpr uint32_t kRecords = 1000;

using game_bench::numbered_tick;

void BM_PlainTicksBaseline(benchmark::State& state) {
    game_bench::WindowlessGame game("pellmar-bench-replay-seek", game_bench::Start::Engine, false);
    Engine& engine = game.engine;
    GameScene& scene = *game.scene;
    for (auto _ : state) {
        state.PauseTiming();
        scene.stop();
        scene.start(engine);
        state.ResumeTiming();
        for (uint32_t i = 0; i < kRecords; ++i) {
            engine.input().begin_tick(i, numbered_tick(i, true).application_time);
            scene.update_input_schemes();
            game.step(numbered_tick(i, true));
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_PlainTicksBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SeekThousandRecords(benchmark::State& state) {
    game_bench::WindowlessGame game("pellmar-bench-replay-seek", game_bench::Start::Engine, false);
    Engine& engine = game.engine;
    {
        std::vector<TickRecord> records;
        for (uint32_t i = 0; i < kRecords; ++i) {
            records.push_back(TickRecord{numbered_tick(i, true), ViewportRect{0, 0, 1280, 720}, {}});
        }
        std::ofstream out(kRecordingFile, std::ios::binary | std::ios::trunc);
        write_recording(records, out);
    }
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
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SeekThousandRecords)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
