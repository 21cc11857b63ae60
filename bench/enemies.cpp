// Headless game-scene ticks of the enemy fights on the thread pool started with 16 workers: "Load some
// enemies" after 1, 5 and 10 simulated minutes (the stations keep launching ships), 100 fighters among rocks (also
// on the inline pool), and the same fighters opening fire (also on the inline pool; the fighters' lasers are parked
// in all but these two); each against the scene with only the player, measured in the same run. Median and
// 99th-percentile milliseconds per tick (flush, scene tick with its fixed step, every system, event dispatch), of the
// wall time and of the process CPU time, with the fewest enemies alive in a timed tick and the number left at the end.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

#include "Common/Assets/AssetPackage.h"
#include "Engine/EntityPool.h"
#include "Engine/Random.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Weapon/WeaponSystem.h"
#include "game_bench.h"

namespace {

constexpr int32_t kTicks = 600; // ten seconds of play, timed

size_t enemy_count(GameScene& scene) {
    EntityPool& pool = scene.entity_pool();
    return pool.list<BombEntity>().size() + pool.list<FighterEntity>().size() + pool.list<StationEntity>().size() +
           pool.list<BaseEntity>().size();
}

enum class Lasers { Fire, Parked };
enum class Workers { Threaded, Inline };

// Builds a world, plays it untimed for warm_up_ticks, then times the benchmark's iterations.
void run_scene(benchmark::State& state, const std::function<void(GameScene&)>& build, int64_t warm_up_ticks,
               Lasers lasers = Lasers::Fire, Workers workers = Workers::Threaded) {
    game_bench::TickTimes times;
    size_t enemies = 0;
    size_t fewest = SIZE_MAX;
    {
        game_bench::WindowlessGame game("pellmar-bench-enemies", game_bench::Start::Scene,
                                        workers == Workers::Threaded);
        random_seed(0);
        build(*game.scene);
        game.scene->entity_pool().flush();
        if (lasers == Lasers::Parked) {
            game.scene->transition_system(WeaponSystem::kName, SystemGroup::Unused);
        }

        uint32_t n = 0;
        const auto step = [&] { game.step(game_bench::numbered_tick(++n, true)); };
        for (int64_t i = 0; i < warm_up_ticks; ++i) {
            step();
        }
        for (auto _ : state) {
            times.time(state, step);
            fewest = std::min(fewest, enemy_count(*game.scene));
        }
        enemies = enemy_count(*game.scene);
    }
    times.report(state);
    state.counters["enemies"] = static_cast<double>(enemies);
    state.counters["fewest_enemies"] = static_cast<double>(fewest == SIZE_MAX ? 0 : fewest);
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
        rock.angle = random_float_scaled(kTwoPi);
        scene.factory().create_rock(rock);
    }
    for (int32_t i = 0; i < 100; ++i) {
        const float a = static_cast<float>(i) * kTwoPi / 100.0f;
        const float r = 9.0f + static_cast<float>(i % 4) * 1.5f;
        scene.factory().create_enemy(EnemyRequest{EnemyKindFighter, {r * std::cos(a), r * std::sin(a)}, {0.0f, 0.0f}});
    }
}

void BM_EmptyScene(benchmark::State& state) { run_scene(state, player_only, 0); }

// Lasers parked: firing, the fighters shoot the idle ship down within the first minute and then their own station,
// leaving one ship after five minutes; parked, the swarm grows to about 45 enemies after five minutes, 80 after ten.
void BM_SomeEnemies(benchmark::State& state) {
    run_scene(state, some_enemies, state.range(0) * 60 * 60, Lasers::Parked);
}

// The fighters fly, flock, look ahead and aim at the player with their lasers parked: firing, they shoot each
// other down within seconds (eight of the hundred are left after ten), and the figure would be of their wrecks.
void BM_HundredFighters(benchmark::State& state) { run_scene(state, fighters_among_rocks, 60, Lasers::Parked); }

// The same on the calling thread alone: the work of a tick without the hand-offs to the workers.
void BM_HundredFightersInline(benchmark::State& state) {
    run_scene(state, fighters_among_rocks, 60, Lasers::Parked, Workers::Inline);
}

// The same ships opening fire: the fight as it unfolds, bullets, broken ships and wrecks included.
void BM_HundredFightersOpenFire(benchmark::State& state) { run_scene(state, fighters_among_rocks, 60); }

// The same fight on the calling thread alone: the same world tick by tick (it does not depend on the workers), so
// its slow ticks are the fight's own work, not waits for a worker the machine did not run.
void BM_HundredFightersOpenFireInline(benchmark::State& state) {
    run_scene(state, fighters_among_rocks, 60, Lasers::Fire, Workers::Inline);
}

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
BENCHMARK(BM_HundredFightersInline)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredFightersOpenFire)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredFightersOpenFireInline)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
