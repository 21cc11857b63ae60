// Headless game-scene ticks of the enemy fights on the thread pool started with 16 workers: "Load some
// enemies" after 1, 5 and 10 simulated minutes (the stations keep launching ships), and 100 fighters among
// rocks; each against the scene with only the player, measured in the same run. Median and 99th-percentile
// milliseconds per tick (flush, scene tick with its fixed step, every system, event dispatch).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Engine/Engine.h"
#include "Engine/EntityPool.h"
#include "Engine/Random.h"
#include "Engine/ThreadPool.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Scenes/GameScene.h"

namespace {

constexpr int32_t kTicks = 600; // ten seconds of play, timed
constexpr float kDt = 1.0f / 60.0f;

// Log lines go nowhere while the ticks run, so the report stays readable.
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

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[i];
}

size_t enemy_count(GameScene& scene) {
    EntityPool& pool = scene.entity_pool();
    return pool.list<BombEntity>().size() + pool.list<FighterEntity>().size() + pool.list<StationEntity>().size() +
           pool.list<BaseEntity>().size();
}

// Builds a world, plays it untimed for warm_up_ticks, then times the benchmark's iterations.
void run_scene(benchmark::State& state, const std::function<void(GameScene&)>& build, int64_t warm_up_ticks) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pellmar-bench-enemies";
    std::filesystem::create_directories(dir);
    std::filesystem::remove(dir / "assets.bin");
    std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir / "assets.bin");
    std::filesystem::current_path(dir);

    std::vector<double> ms;
    size_t enemies = 0;
    {
        QuietStdout quiet;
        EngineConfig config;
        config.has_window = false;
        Engine engine(config);
        engine.thread_pool().init(16, ThreadPool::kThreaded);
        auto scene = std::make_shared<GameScene>();
        scene->start(engine);
        random_seed(0);
        build(*scene);
        scene->entity_pool().flush();

        SimulationTick tick;
        tick.delta_time = kDt;
        tick.fixed_delta_time = kDt;
        tick.run_simulation_tick = 1;
        tick.run_simulation_tick_fixed = 1;
        const auto step = [&] {
            ++tick.tick;
            ++tick.fixed_tick;
            tick.time += kDt;
            tick.application_time = tick.time;
            scene->engine_tick(tick);
            engine.event_bus().dispatch();
        };
        for (int64_t i = 0; i < warm_up_ticks; ++i) {
            step();
        }
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            step();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            state.SetIterationTime(seconds);
            ms.push_back(seconds * 1000.0);
        }
        enemies = enemy_count(*scene);
        scene->stop();
        engine.thread_pool().shutdown();
    }
    std::filesystem::current_path(previous);

    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["p99_ms"] = percentile(ms, 0.99);
    state.counters["enemies"] = static_cast<double>(enemies);
}

void player_only(GameScene& scene) { scene.factory().create_player(glm::vec2(0.0f)); }

// The test-bed's "Load some enemies".
void some_enemies(GameScene& scene) {
    scene.factory().create_enemy(EnemyRequest{EnemyKindBase, {0.0f, 10.0f}, {0.0f, 0.0f}});
    scene.factory().create_enemy(EnemyRequest{EnemyKindStation, {5.0f, 4.0f}, {0.0f, 0.0f}});
    scene.factory().create_player(glm::vec2(0.0f));
}

// 100 fighters on a ring around the player, weaving among 24 rocks.
void fighters_among_rocks(GameScene& scene) {
    scene.factory().create_player(glm::vec2(0.0f));
    const Uuid chunk = scene.assets().get_id_by_name<SpriteAsset>("Chunk");
    for (int32_t i = 0; i < 24; ++i) {
        RockRequest rock;
        rock.sprite = chunk;
        rock.position = random_on_circle(4.0f + static_cast<float>(i % 3) * 2.5f);
        rock.angle = random_float_scaled(kRandomFullTurn);
        scene.factory().create_rock(rock);
    }
    for (int32_t i = 0; i < 100; ++i) {
        const float a = static_cast<float>(i) * kRandomFullTurn / 100.0f;
        const float r = 9.0f + static_cast<float>(i % 4) * 1.5f;
        scene.factory().create_enemy(EnemyRequest{EnemyKindFighter, {r * std::cos(a), r * std::sin(a)}, {0.0f, 0.0f}});
    }
}

void BM_EmptyScene(benchmark::State& state) { run_scene(state, player_only, 0); }

void BM_SomeEnemies(benchmark::State& state) { run_scene(state, some_enemies, state.range(0) * 60 * 60); }

void BM_HundredFighters(benchmark::State& state) { run_scene(state, fighters_among_rocks, 60); }

BENCHMARK(BM_EmptyScene)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SomeEnemies)
    ->ArgName("minutes")
    ->Arg(1)
    ->Arg(5)
    ->Arg(10)
    ->Iterations(kTicks)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredFighters)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
