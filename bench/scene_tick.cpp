// One headless game-scene tick with the "hello" rock of the real assets under a storm of cannon bullets:
// median and 99th-percentile milliseconds per tick (flush, systems, commit, event dispatch).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Engine/Engine.h"
#include "Engine/EntityPool.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Weapons/WeaponProps.h"

namespace {

constexpr int32_t kTicks = 600;          // ten seconds of play
constexpr int32_t kShotsPerTick = 100;   // from the hollow of the ring, in every direction
constexpr float kDt = 1.0f / 60.0f;

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

private:
    int m_saved = -1;
};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[i];
}

void BM_SceneTickBulletStorm(benchmark::State& state) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pellmar-bench-scene-tick";
    std::filesystem::create_directories(dir);
    std::filesystem::remove(dir / "assets.bin");
    std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir / "assets.bin");
    std::filesystem::current_path(dir);

    std::vector<double> ms;
    size_t peak_bullets = 0;
    {
        QuietStdout quiet;
        EngineConfig config;
        config.has_window = false;
        Engine engine(config);
        auto scene = std::make_shared<GameScene>();
        scene->start(engine);
        RockRequest rock;
        rock.sprite = scene->assets().get_id_by_name<SpriteAsset>("hello");
        scene->factory().create_rock(rock);
        scene->entity_pool().flush();
        random_seed(0);

        const BulletProps cannon = WeaponProps::default_cannon().bullet;
        SimulationTick tick;
        tick.delta_time = kDt;
        tick.fixed_delta_time = kDt;
        tick.run_simulation_tick = 1;
        for (auto _ : state) {
            for (int32_t s = 0; s < kShotsPerTick; ++s) {
                WeaponShot shot;
                shot.props = cannon;
                shot.direction = random_on_circle(1.0f);
                shot.position = shot.direction * 0.5f;
                scene->factory().create_bullet(shot);
            }
            ++tick.tick;
            const auto start = std::chrono::steady_clock::now();
            scene->engine_tick(tick);
            engine.event_bus().dispatch();
            const auto end = std::chrono::steady_clock::now();
            const double seconds = std::chrono::duration<double>(end - start).count();
            state.SetIterationTime(seconds);
            ms.push_back(seconds * 1000.0);
            peak_bullets = std::max(peak_bullets, scene->entity_pool().list<BulletEntity>().size());
        }
        scene->stop();
    }
    std::filesystem::current_path(previous);

    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["p99_ms"] = percentile(ms, 0.99);
    state.counters["peak_bullets"] = static_cast<double>(peak_bullets);
}

BENCHMARK(BM_SceneTickBulletStorm)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
