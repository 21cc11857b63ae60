#pragma once
// What the game-scene benchmarks share: a working folder that holds the built assets.bin, quiet standard
// output, a windowless engine with the game scene, numbered 60 Hz ticks, and per-tick wall and CPU times reported
// as median and 99th-percentile milliseconds.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Engine/ThreadPool.h"
#include "Game/Scenes/GameScene.h"

namespace game_bench {

inline constexpr float kDt = 1.0f / 60.0f;

// One fixture of type T for the whole program: a window and its GL context outlive every benchmark that uses
// them, and main resets the holder before the driver unloads.
template <class T>
std::unique_ptr<T>& fixture_holder() {
    static std::unique_ptr<T> held;
    return held;
}

template <class T>
T& fixture() {
    std::unique_ptr<T>& held = fixture_holder<T>();
    if (!held) {
        held = std::make_unique<T>();
    }
    return *held;
}

// Seconds on one of the process's clocks (CLOCK_MONOTONIC for wall time, CLOCK_PROCESS_CPUTIME_ID for the CPU of
// every thread).
inline double seconds_of(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Log lines (a dead bullet writes one) go nowhere while the ticks run, so the report stays readable.
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
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_saved = -1;
};

// The scene loads "assets.bin" from the working directory: a folder of the temporary directory that links to
// the built one is the working directory until this goes away.
class AssetsDir {
public:
    explicit AssetsDir(std::string_view folder) : m_previous(std::filesystem::current_path()) {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / folder;
        std::filesystem::create_directories(dir);
        std::filesystem::remove(dir / "assets.bin");
        std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir / "assets.bin");
        std::filesystem::current_path(dir);
    }
    ~AssetsDir() { std::filesystem::current_path(m_previous); }
    AssetsDir(const AssetsDir&) = delete;
    AssetsDir& operator=(const AssetsDir&) = delete;

private:
    std::filesystem::path m_previous;
};

// An engine with its window on SDL's offscreen driver, started, vsync and frame pacing off so frames are timed
// as drawn; `gl` is its OpenGL back end.
struct WindowedEngine {
    WindowedEngine() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        QuietStdout quiet;
        EngineConfig config;
        config.vsync = false;
        config.debug_output = false;
        engine = std::make_unique<Engine>(config);
        engine->startup();
        gl = dynamic_cast<RenderContextOpenGL*>(engine->render_context().backend());
        if (gl == nullptr) {
            std::abort();
        }
        gl->set_frame_pacing(false);
    }

    std::unique_ptr<Engine> engine;
    RenderContextOpenGL* gl = nullptr;
};

// Tick n of a run at 60 Hz that started at time 0; a fixed tick also runs the fixed step.
inline SimulationTick numbered_tick(uint32_t n, bool fixed) {
    SimulationTick t;
    t.delta_time = kDt;
    t.fixed_delta_time = kDt;
    t.time = static_cast<float>(n) * kDt;
    t.application_time = t.time;
    t.fixed_time = t.time;
    t.tick = n;
    t.fixed_tick = n;
    t.run_simulation_tick = 1;
    t.run_simulation_tick_fixed = fixed ? 1 : 0;
    return t;
}

// How the scene comes up: started directly on the windowless engine (as the windowless tests do), or set as
// the engine's scene and brought up by its start-up and one frame.
enum class Start { Scene, Engine };

// The game scene on a windowless engine, in its assets folder, with standard output quiet; `threaded` starts
// the pool's 16 workers before the scene.
struct WindowlessGame {
    WindowlessGame(std::string_view folder, Start start, bool start_threads)
        : dir(folder), engine(windowless_config()), scene(std::make_shared<GameScene>()), how(start),
          threaded(start_threads) {
        if (threaded) {
            engine.thread_pool().init(16, ThreadPool::kThreaded);
        }
        if (how == Start::Scene) {
            scene->start(engine);
        } else {
            engine.set_scene(scene);
            engine.startup();
            engine.run_frame();
        }
    }
    ~WindowlessGame() {
        if (how == Start::Scene) {
            scene->stop();
            if (threaded) {
                engine.thread_pool().shutdown();
            }
        } else {
            engine.shutdown();
        }
    }
    WindowlessGame(const WindowlessGame&) = delete;
    WindowlessGame& operator=(const WindowlessGame&) = delete;

    // One scene tick and the dispatch of its events, as a frame does it.
    void step(const SimulationTick& tick) {
        scene->engine_tick(tick);
        engine.event_bus().dispatch();
    }

    static EngineConfig windowless_config() {
        EngineConfig config;
        config.has_window = false;
        return config;
    }

    AssetsDir dir;
    QuietStdout quiet;
    Engine engine;
    std::shared_ptr<GameScene> scene;
    Start how;
    bool threaded;
};

// Per-tick wall times as the benchmark's manual iteration times, reported as "median_ms" and "p99_ms", and the
// process CPU time of each tick (every worker's included) as "cpu_median_ms" and "cpu_p99_ms": on a busy machine
// a tick's wall time also holds the waits for a descheduled worker, its CPU time only the work.
class TickTimes {
public:
    template <typename F>
    void time(benchmark::State& state, F&& work) {
        const double cpu = seconds_of(CLOCK_PROCESS_CPUTIME_ID);
        const auto start = std::chrono::steady_clock::now();
        work();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        m_cpu_ms.push_back((seconds_of(CLOCK_PROCESS_CPUTIME_ID) - cpu) * 1000.0);
        state.SetIterationTime(seconds);
        m_ms.push_back(seconds * 1000.0);
    }
    void report(benchmark::State& state) const {
        state.counters["median_ms"] = percentile(m_ms, 0.5);
        state.counters["p99_ms"] = percentile(m_ms, 0.99);
        state.counters["cpu_median_ms"] = percentile(m_cpu_ms, 0.5);
        state.counters["cpu_p99_ms"] = percentile(m_cpu_ms, 0.99);
    }

private:
    static double percentile(const std::vector<double>& values, double p) {
        if (values.empty()) {
            return 0.0;
        }
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const size_t i = std::min(sorted.size() - 1, static_cast<size_t>(p * static_cast<double>(sorted.size())));
        return sorted[i];
    }

    std::vector<double> m_ms;
    std::vector<double> m_cpu_ms;
};

} // namespace game_bench
