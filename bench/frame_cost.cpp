// Work per frame of whole game frames in the real renderer, on SDL's offscreen driver at 1280 x 720 (software GL
// here: figures compare runs, not machines): the start scene (the "hello" ring, the ship, the welcome window) and
// the seeded fight ("Load some enemies" and "Spawn Random Enemies" pressed in the welcome window, the player
// holding fire), each against the same frames with the background layer parked. The two sides alternate frame
// by frame in one run, so they see the same world and the same machine load. Frames are stepped with 60 Hz
// ticks (the same world every run) and not paced, so a frame's time is its work; each frame waits for the GPU.
// Printed per frame: median and 99th percentile of the wall time and of the process CPU time (the software
// rasteriser's threads included), and the fragment shader invocations, a count the machine's load does not
// change. Then a frame log of the frames of the most work: the CPU time of each phase (tick, dispatch, render,
// the GPU finishing) with what the world held, so a late frame is found by its cause. On a busy machine a
// frame's wall time can be many times its CPU time (a worker or the rasteriser waiting for a core): those
// frames are late by the scheduler, not by their work.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Engine/Engine/Engine.h"
#include "Engine/EntityPool.h"
#include "Engine/Input/InputState.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Background/SpaceBackgroundRenderSystem.h"
#include "game_bench.h"
#include "sprite_ratio.h"

namespace {

constexpr int32_t kFrames = 600;       // timed, half of them with the background
constexpr int32_t kFightWarmUp = 1800; // thirty seconds of the fight before the timed frames

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[i];
}

// Fragment shader invocations of what is drawn between begin and end (0 without the query).
class FragmentCount {
public:
    FragmentCount() {
        if (epoxy_has_gl_extension("GL_ARB_pipeline_statistics_query")) {
            glGenQueries(1, &m_query);
        }
    }
    ~FragmentCount() {
        if (m_query != 0) {
            glDeleteQueries(1, &m_query);
        }
    }
    void begin() {
        if (m_query != 0) {
            glBeginQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, m_query);
        }
    }
    double end() {
        if (m_query == 0) {
            return 0.0;
        }
        glEndQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
        GLuint64 count = 0;
        glGetQueryObjectui64v(m_query, GL_QUERY_RESULT, &count);
        return static_cast<double>(count);
    }

private:
    GLuint m_query = 0;
};

// Where a frame's wall time went, with what the world held when it ended.
struct FramePhases {
    // Process CPU time (every thread: the pool's workers, the rasteriser's) by phase: what the frame cost,
    // whatever the scheduler did meanwhile on a busy machine.
    double tick_ms = 0.0;
    double dispatch_ms = 0.0;
    double render_ms = 0.0; // the scene's render step, the draws, the GUI and the present
    double finish_ms = 0.0; // the GPU finishing the frame
    double wall_ms = 0.0;
    uint32_t frame = 0;
    double start_s = 0.0; // CLOCK_MONOTONIC, to find the frame in a profile taken with perf record -k mono
    size_t enemies = 0;
    size_t bullets = 0;
    uint32_t particles = 0;
    size_t bolts = 0;
};

struct Side {
    std::vector<double> wall_ms;
    std::vector<double> cpu_ms;
    std::vector<double> fragments;
    std::vector<FramePhases> phases;
};

// One engine with its window and the game scene; frames are stepped as the engine's live frame does it, with
// numbered ticks instead of the wall clock.
struct Game {
    Game() : dir("pellmar-bench-frame-cost") {
        game_bench::WindowedEngine windowed;
        engine = std::move(windowed.engine);
        gl = windowed.gl;
        random_seed(0);
        scene = std::make_shared<GameScene>();
        engine->set_scene(scene);
        engine->run_frame();
    }
    ~Game() {
        game_bench::QuietStdout quiet;
        scene.reset();
        engine->shutdown();
    }

    FramePhases frame() {
        ++ticks;
        const SimulationTick tick = game_bench::numbered_tick(ticks, true);
        FramePhases p;
        p.frame = ticks;
        const double t0 = game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID);
        const double wall0 = game_bench::seconds_of(CLOCK_MONOTONIC);
        engine->input().begin_tick(tick.tick, tick.application_time);
        engine->poll_events(tick);
        scene->update_input_schemes();
        scene->engine_tick(tick);
        const double t1 = game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID);
        engine->event_bus().dispatch();
        const double t2 = game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID);
        engine->render_frame(tick);
        const double t3 = game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID);
        glFinish();
        const double t4 = game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID);
        p.start_s = wall0;
        p.wall_ms = (game_bench::seconds_of(CLOCK_MONOTONIC) - wall0) * 1e3;
        p.tick_ms = (t1 - t0) * 1e3;
        p.dispatch_ms = (t2 - t1) * 1e3;
        p.render_ms = (t3 - t2) * 1e3;
        p.finish_ms = (t4 - t3) * 1e3;
        EntityPool& pool = scene->entity_pool();
        p.enemies = pool.list<BombEntity>().size() + pool.list<FighterEntity>().size() +
                    pool.list<StationEntity>().size() + pool.list<BaseEntity>().size();
        p.bullets = pool.list<BulletEntity>().size();
        p.particles = engine->renderer().world_particle_batch().live_count();
        p.bolts = engine->renderer().effects().size();
        return p;
    }

    // Presses a widget of the welcome window; the press lands in the next frame.
    void press(const char* label) {
        ImGuiWindow* window = ImGui::FindWindowByName("Pellmar");
        if (window == nullptr) {
            std::abort();
        }
        ImGui::ActivateItem(window->GetID(label));
        frame();
        frame();
    }

    void hold_fire() {
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.x = 900;
        motion.motion.y = 200;
        engine->input().handle_event(motion);
        SDL_Event press{};
        press.type = SDL_MOUSEBUTTONDOWN;
        press.button.button = SDL_BUTTON_LEFT;
        press.button.state = SDL_PRESSED;
        press.button.x = 900;
        press.button.y = 200;
        engine->input().handle_event(press);
    }

    void time_frames(benchmark::State& state) {
        Side with_background;
        Side plain;
        FragmentCount fragments;
        int32_t n = 0;
        for (auto _ : state) {
            const bool background = n++ % 2 == 0;
            scene->transition_system(SpaceBackgroundRenderSystem::kName,
                                     background ? SystemGroup::Render : SystemGroup::UnusedRender);
            Side& side = background ? with_background : plain;
            const double cpu = game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID);
            const double wall = game_bench::seconds_of(CLOCK_MONOTONIC);
            fragments.begin();
            const FramePhases phases = frame();
            const double wall_s = game_bench::seconds_of(CLOCK_MONOTONIC) - wall;
            side.phases.push_back(phases);
            side.fragments.push_back(fragments.end());
            side.cpu_ms.push_back((game_bench::seconds_of(CLOCK_PROCESS_CPUTIME_ID) - cpu) * 1e3);
            side.wall_ms.push_back(wall_s * 1e3);
            state.SetIterationTime(wall_s);
        }
        scene->transition_system(SpaceBackgroundRenderSystem::kName, SystemGroup::Render);
        report(state, with_background, "");
        report(state, plain, "plain_");
        slowest.clear();
        for (const Side* side : {&with_background, &plain}) {
            slowest.insert(slowest.end(), side->phases.begin(), side->phases.end());
        }
        std::sort(slowest.begin(), slowest.end(),
                  [](const FramePhases& a, const FramePhases& b) { return total(a) > total(b); });
        slowest.resize(std::min<size_t>(slowest.size(), 8));
    }

    static double total(const FramePhases& p) { return p.tick_ms + p.dispatch_ms + p.render_ms + p.finish_ms; }

    static void report(benchmark::State& state, const Side& side, const std::string& prefix) {
        state.counters[prefix + "median_ms"] = percentile(side.wall_ms, 0.5);
        state.counters[prefix + "p99_ms"] = percentile(side.wall_ms, 0.99);
        state.counters[prefix + "cpu_median_ms"] = percentile(side.cpu_ms, 0.5);
        state.counters[prefix + "cpu_p99_ms"] = percentile(side.cpu_ms, 0.99);
        state.counters[prefix + "Mfragments"] = percentile(side.fragments, 0.5) * 1e-6;
    }

    game_bench::AssetsDir dir;
    std::unique_ptr<Engine> engine;
    std::shared_ptr<GameScene> scene;
    RenderContextOpenGL* gl = nullptr;
    uint32_t ticks = 0;
    // The slowest timed frames of the last run, slowest first.
    std::vector<FramePhases> slowest;
};

std::map<std::string, std::vector<FramePhases>>& slowest_of() {
    static std::map<std::string, std::vector<FramePhases>> m;
    return m;
}

// One engine at a time: the GUI's back ends belong to one window.
Game& fresh_game() {
    game_bench::QuietStdout quiet;
    game_bench::fixture_holder<Game>().reset();
    game_bench::fixture_holder<Game>() = std::make_unique<Game>();
    return *game_bench::fixture_holder<Game>();
}

void BM_StartScene(benchmark::State& state) {
    Game& g = fresh_game();
    game_bench::QuietStdout quiet;
    for (int32_t i = 0; i < 30; ++i) {
        g.frame();
    }
    g.time_frames(state);
    slowest_of()["start scene"] = g.slowest;
}

void BM_Fight(benchmark::State& state) {
    Game& g = fresh_game();
    game_bench::QuietStdout quiet;
    g.frame();
    g.press("Load some enemies");
    g.press("Spawn Random Enemies");
    g.hold_fire();
    for (int32_t i = 0; i < kFightWarmUp; ++i) {
        g.frame();
    }
    g.time_frames(state);
    slowest_of()["fight"] = g.slowest;
}

BENCHMARK(BM_StartScene)->Iterations(kFrames)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fight)->Iterations(kFrames)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    sprite_bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    game_bench::fixture_holder<Game>().reset();
    // With --benchmark_repetitions every figure is the median of its repetitions.
    const auto figure = [&](const char* bench, const std::string& name) {
        const auto it = reporter.counters.find(std::string(bench) + "/iterations:600/manual_time/" + name);
        return it == reporter.counters.end() ? 0.0 : sprite_bench::median(it->second);
    };
    std::printf("\n%-12s %-20s %12s %9s %12s %9s %11s\n", "scene", "", "work median", "p99", "CPU median", "p99",
                "Mfragments");
    for (const auto& [bench, label] : {std::pair{"BM_StartScene", "start scene"}, std::pair{"BM_Fight", "fight"}}) {
        for (const auto& [prefix, side] : {std::pair{"", "with background"}, std::pair{"plain_", "without"}}) {
            const std::string p = prefix;
            std::printf("%-12s %-20s %9.2f ms %6.2f ms %9.2f ms %6.2f ms %11.3f\n", label, side,
                        figure(bench, p + "median_ms"), figure(bench, p + "p99_ms"), figure(bench, p + "cpu_median_ms"),
                        figure(bench, p + "cpu_p99_ms"), figure(bench, p + "Mfragments"));
        }
    }
    // The frame log of the slowest frames: which phase took the time, and what the world held then.
    for (const auto& [label, frames] : slowest_of()) {
        std::printf("\nframes of the most work, %s (ms; CPU of every thread by phase)\n%7s %7s %7s %7s %9s %7s %7s %8s "
                    "%8s %10s %6s %14s\n",
                    label.c_str(), "frame", "wall", "CPU", "tick", "dispatch", "render", "finish", "enemies", "bullets",
                    "particles", "bolts", "start s");
        for (const FramePhases& p : frames) {
            std::printf("%7u %7.2f %7.2f %7.2f %9.2f %7.2f %7.2f %8zu %8zu %10u %6zu %14.6f\n", p.frame, p.wall_ms,
                        Game::total(p), p.tick_ms, p.dispatch_ms, p.render_ms, p.finish_ms, p.enemies, p.bullets,
                        p.particles, p.bolts, p.start_s);
        }
    }
    return 0;
}
