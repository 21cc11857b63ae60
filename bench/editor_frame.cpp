// The editor's frame beside the game view in the same run, in a fight: "Load some enemies" with "Spawn Random
// Enemies" on, after 45 seconds of play, in 1280 x 720 and 1920 x 1080 windows on SDL's offscreen driver
// (software GL: figures compare the views of one run, not machines). Per frame the median and 99th percentile
// of the wall time and of the process CPU time (the rasteriser's and the thread pool's threads included). The
// GUI pass is the editor's frame less the game view drawn alone at the size of the editor's picture. The pixels
// the GUI's triangles cover per frame (its fill, which the software rasteriser pays for) are counted from the
// frame's draw data, as a share of the window: a steady figure beside the noisy times.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/EngineEvents.h"
#include "Game/Scenes/GameScene.h"
#include "game_bench.h"
#include "sprite_ratio.h"

namespace {

constexpr int32_t kFrames = 200;
constexpr int32_t kWarmUpFrames = 20;
constexpr float kFightSeconds = 45.0f;

struct WindowSize {
    int32_t width;
    int32_t height;
};
constexpr WindowSize kSizes[] = {{1280, 720}, {1920, 1080}};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[i];
}

// The area the GUI's triangles of the last frame cover, clipped to their rectangles, in pixels.
double gui_fill_pixels() {
    const ImDrawData* data = ImGui::GetDrawData();
    if (data == nullptr || !data->Valid) {
        return 0.0;
    }
    double area = 0.0;
    for (int l = 0; l < data->CmdListsCount; ++l) {
        const ImDrawList* list = data->CmdLists[l];
        for (const ImDrawCmd& cmd : list->CmdBuffer) {
            if (cmd.UserCallback != nullptr) {
                continue;
            }
            for (unsigned int i = 0; i + 2 < cmd.ElemCount; i += 3) {
                ImVec2 p[3];
                for (int k = 0; k < 3; ++k) {
                    const ImVec2 v = list->VtxBuffer[static_cast<int>(cmd.VtxOffset) +
                                                     list->IdxBuffer[static_cast<int>(cmd.IdxOffset + i) + k]]
                                         .pos;
                    p[k] = ImVec2(std::clamp(v.x, cmd.ClipRect.x, cmd.ClipRect.z),
                                  std::clamp(v.y, cmd.ClipRect.y, cmd.ClipRect.w));
                }
                area += 0.5 * std::fabs(static_cast<double>((p[1].x - p[0].x) * (p[2].y - p[0].y) -
                                                            (p[2].x - p[0].x) * (p[1].y - p[0].y)));
            }
        }
    }
    return area;
}

// One engine with its window and the game scene in a fight, for the whole program.
struct Fight {
    Fight() : dir("pellmar-bench-editor-frame") {
        game_bench::WindowedEngine windowed;
        engine = std::move(windowed.engine);
        scene = std::make_shared<GameScene>();
        engine->set_scene(scene);
        game_bench::QuietStdout quiet;
        engine->run_frame();
        engine->run_frame();
        // The welcome panel's button, pressed as a click would.
        ImGui::ActivateItem(ImGui::FindWindowByName("Pellmar")->GetID("Load some enemies"));
        engine->run_frame();
        engine->run_frame();
        scene->set_spawn_enabled(true);
        const float start = engine->run_frame().time;
        for (int32_t i = 0; i < 100000 && engine->run_frame().time - start < kFightSeconds; ++i) {
        }
    }
    ~Fight() {
        game_bench::QuietStdout quiet;
        engine->shutdown();
    }

    void set_editor(bool on) {
        if (engine->editor_mode() != on) {
            engine->event_bus().publish(ToggleEditorEvent{});
            engine->run_frame();
        }
    }
    void resize(int32_t width, int32_t height) {
        if (engine->window_rect().width != width || engine->window_rect().height != height) {
            SDL_SetWindowSize(SDL_GL_GetCurrentWindow(), width, height);
            engine->window_resized(width, height);
            engine->run_frame();
        }
    }

    game_bench::AssetsDir dir;
    std::unique_ptr<Engine> engine;
    std::shared_ptr<GameScene> scene;
};

Fight& fight() { return game_bench::fixture<Fight>(); }

// The editor's picture at a window size: the "Viewport" panel's rectangle once the editor has drawn there.
ViewportRect picture_at(const WindowSize& size) {
    Fight& f = fight();
    game_bench::QuietStdout quiet;
    f.set_editor(true);
    f.resize(size.width, size.height);
    for (int32_t i = 0; i < 3; ++i) {
        f.engine->run_frame();
    }
    return f.engine->game_viewport();
}

enum class View { Game, Editor, GameAtPictureSize };

void run_frames(benchmark::State& state, View view) {
    Fight& f = fight();
    const WindowSize size = kSizes[state.range(0)];
    std::vector<double> wall_ms;
    std::vector<double> cpu_ms;
    {
        const ViewportRect picture = picture_at(size);
        game_bench::QuietStdout quiet;
        f.set_editor(view == View::Editor);
        if (view == View::GameAtPictureSize) {
            f.resize(picture.width, picture.height);
        } else {
            f.resize(size.width, size.height);
        }
        for (int32_t i = 0; i < kWarmUpFrames; ++i) {
            f.engine->run_frame();
        }
        for (auto _ : state) {
            const double cpu = game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID);
            const double wall = game_bench::seconds_of(CLOCK_MONOTONIC);
            f.engine->run_frame();
            const double wall_s = game_bench::seconds_of(CLOCK_MONOTONIC) - wall;
            state.SetIterationTime(wall_s);
            wall_ms.push_back(wall_s * 1e3);
            cpu_ms.push_back((game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID) - cpu) * 1e3);
        }
    }
    state.counters["gui_fill_share"] = gui_fill_pixels() / (static_cast<double>(size.width) * size.height);
    state.counters["median_ms"] = percentile(wall_ms, 0.5);
    state.counters["p99_ms"] = percentile(wall_ms, 0.99);
    state.counters["cpu_median_ms"] = percentile(cpu_ms, 0.5);
    state.counters["cpu_p99_ms"] = percentile(cpu_ms, 0.99);
}

void BM_GameView(benchmark::State& state) { run_frames(state, View::Game); }
void BM_EditorView(benchmark::State& state) { run_frames(state, View::Editor); }
void BM_GameViewAtPictureSize(benchmark::State& state) { run_frames(state, View::GameAtPictureSize); }

BENCHMARK(BM_GameView)->Arg(0)->Arg(1)->Iterations(kFrames)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorView)->Arg(0)->Arg(1)->Iterations(kFrames)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GameViewAtPictureSize)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(kFrames)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    sprite_bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto value = [&](const char* bench, int size, const char* counter) {
        const std::string name = std::string(bench) + "/" + std::to_string(size) +
                                 "/iterations:" + std::to_string(kFrames) + "/manual_time/" + counter;
        const auto found = reporter.counters.find(name);
        return found != reporter.counters.end() ? sprite_bench::median(found->second) : -1.0;
    };
    std::printf("\n");
    for (int size = 0; size < 2; ++size) {
        const WindowSize s = kSizes[size];
        std::printf("%dx%d GUI fill per frame in the editor: %.2f of the window's pixels\n", s.width, s.height,
                    value("BM_EditorView", size, "gui_fill_share"));
        for (const char* counter : {"cpu_median_ms", "median_ms", "p99_ms"}) {
            const double game = value("BM_GameView", size, counter);
            const double editor = value("BM_EditorView", size, counter);
            const double picture = value("BM_GameViewAtPictureSize", size, counter);
            if (game <= 0.0 || editor < 0.0 || picture < 0.0) {
                continue;
            }
            std::printf("%dx%d %-14s editor frame %7.2f ms, game view %7.2f ms: %5.2f x; GUI pass %7.2f ms: %5.2f x "
                        "the game view (goal <= 1.5)\n",
                        s.width, s.height, counter, editor, game, editor / game, editor - picture,
                        (editor - picture) / game);
        }
    }
    // The window and its GL context go before the program's statics do.
    game_bench::fixture_holder<Fight>().reset();
    return 0;
}
