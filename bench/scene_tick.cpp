// One headless game-scene tick with the "hello" rock of the real assets under a storm of cannon bullets:
// median and 99th-percentile milliseconds per tick (flush, systems, commit, event dispatch). Then the scene with
// the player's ship beside the rock, plain, against the same scene with 200 items in flight and an explosion every
// second.

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
#include "Engine/Event/EventBus.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Ai/ExplosionEvent.h"
#include "Game/Weapons/WeaponProps.h"

namespace {

constexpr int32_t kTicks = 600;        // ten seconds of play
constexpr int32_t kShotsPerTick = 100; // from the hollow of the ring, in every direction
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

constexpr size_t kFlyingItems = 200;
constexpr int32_t kTicksPerExplosion = 60;

// The scene as the game starts it (the ship, and "hello" beside it rather than around it), ticked kTicks times;
// `before_tick` adds the load of one tick. Reports per-tick times and the peak item count.
template <typename BeforeTick>
void run_ship_scene(benchmark::State& state, BeforeTick before_tick) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pellmar-bench-scene-tick";
    std::filesystem::create_directories(dir);
    std::filesystem::remove(dir / "assets.bin");
    std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir / "assets.bin");
    std::filesystem::current_path(dir);

    std::vector<double> ms;
    size_t peak_items = 0;
    {
        QuietStdout quiet;
        EngineConfig config;
        config.has_window = false;
        Engine engine(config);
        auto scene = std::make_shared<GameScene>();
        scene->start(engine);
        scene->factory().create_player(glm::vec2(0.0f));
        RockRequest rock;
        rock.sprite = scene->assets().get_id_by_name<SpriteAsset>("hello");
        rock.position = glm::vec2(4.0f, 0.0f);
        scene->factory().create_rock(rock);
        scene->entity_pool().flush();
        random_seed(0);

        SimulationTick tick;
        tick.delta_time = kDt;
        tick.fixed_delta_time = kDt;
        tick.run_simulation_tick = 1;
        tick.run_simulation_tick_fixed = 1;
        for (auto _ : state) {
            ++tick.tick;
            before_tick(*scene, engine.event_bus(), tick.tick);
            const auto start = std::chrono::steady_clock::now();
            scene->engine_tick(tick);
            engine.event_bus().dispatch();
            const auto end = std::chrono::steady_clock::now();
            const double seconds = std::chrono::duration<double>(end - start).count();
            state.SetIterationTime(seconds);
            ms.push_back(seconds * 1000.0);
            peak_items = std::max(peak_items, scene->entity_pool().list<ItemEntity>().size());
        }
        scene->stop();
    }
    std::filesystem::current_path(previous);

    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["p99_ms"] = percentile(ms, 0.99);
    state.counters["peak_items"] = static_cast<double>(peak_items);
}

// The baseline: the same scene with nothing going on.
void BM_SceneTickShipPlain(benchmark::State& state) {
    run_ship_scene(state, [](GameScene&, EventBus&, uint32_t) {});
}

// Items kept at 200 in flight (health items drifting around the ship, caught when they come near it) and an
// explosion at the rock's near edge every second, throwing shrapnel into the rock and the ship.
void BM_SceneTickItemsAndExplosions(benchmark::State& state) {
    run_ship_scene(state, [](GameScene& scene, EventBus& bus, uint32_t tick) {
        EntityList<ItemEntity>& items = scene.entity_pool().list<ItemEntity>();
        for (size_t n = items.size() + items.pending_create_count(); n < kFlyingItems; ++n) {
            ItemRequest item;
            item.kind = n % 2 == 0 ? 1u : 0u;
            item.position = random_on_circle(1.0f) * (1.5f + 3.0f * random_float());
            item.velocity = random_in_disc(3.0f);
            scene.factory().create_item(item);
        }
        if (tick % kTicksPerExplosion == 0) {
            bus.publish(ExplosionEvent{20, 4, glm::vec2(2.0f, random_signed(1.0f)), glm::vec2(0.0f)});
        }
    });
}

BENCHMARK(BM_SceneTickShipPlain)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneTickItemsAndExplosions)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
