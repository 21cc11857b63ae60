// One headless game-scene tick with the "hello" rock of the real assets under a storm of cannon bullets:
// median and 99th-percentile milliseconds per tick (flush, systems, commit, event dispatch). Then the scene with
// the player's ship beside the rock, plain, against the same scene with 200 items in flight and an explosion every
// second.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "Common/Assets/AssetPackage.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Ai/ExplosionEvent.h"
#include "Game/Weapons/WeaponProps.h"
#include "game_bench.h"

namespace {

constexpr int32_t kTicks = 600;        // ten seconds of play
constexpr int32_t kShotsPerTick = 100; // from the hollow of the ring, in every direction

void BM_SceneTickBulletStorm(benchmark::State& state) {
    game_bench::TickTimes times;
    size_t peak_bullets = 0;
    {
        game_bench::WindowlessGame game("pellmar-bench-scene-tick", game_bench::Start::Scene, false);
        GameScene& scene = *game.scene;
        RockRequest rock;
        rock.sprite = scene.assets().get_id_by_name<SpriteAsset>("hello");
        scene.factory().create_rock(rock);
        scene.entity_pool().flush();
        random_seed(0);

        const BulletProps cannon = WeaponProps::default_cannon().bullet;
        uint32_t n = 0;
        for (auto _ : state) {
            for (int32_t s = 0; s < kShotsPerTick; ++s) {
                WeaponShot shot;
                shot.props = cannon;
                shot.direction = random_on_circle(1.0f);
                shot.position = shot.direction * 0.5f;
                scene.factory().create_bullet(shot);
            }
            const SimulationTick tick = game_bench::numbered_tick(++n, false);
            times.time(state, [&] { game.step(tick); });
            peak_bullets = std::max(peak_bullets, scene.entity_pool().list<BulletEntity>().size());
        }
    }
    times.report(state);
    state.counters["peak_bullets"] = static_cast<double>(peak_bullets);
}

BENCHMARK(BM_SceneTickBulletStorm)->Iterations(kTicks)->UseManualTime()->Unit(benchmark::kMillisecond);

constexpr size_t kFlyingItems = 200;
constexpr int32_t kTicksPerExplosion = 60;

// The scene as the game starts it (the ship, and "hello" beside it rather than around it), ticked kTicks times;
// `before_tick` adds the load of one tick. Reports per-tick times and the peak item count.
template <typename BeforeTick>
void run_ship_scene(benchmark::State& state, BeforeTick before_tick) {
    game_bench::TickTimes times;
    size_t peak_items = 0;
    {
        game_bench::WindowlessGame game("pellmar-bench-scene-tick", game_bench::Start::Scene, false);
        GameScene& scene = *game.scene;
        scene.factory().create_player(glm::vec2(0.0f));
        RockRequest rock;
        rock.sprite = scene.assets().get_id_by_name<SpriteAsset>("hello");
        rock.position = glm::vec2(4.0f, 0.0f);
        scene.factory().create_rock(rock);
        scene.entity_pool().flush();
        random_seed(0);

        uint32_t n = 0;
        for (auto _ : state) {
            const SimulationTick tick = game_bench::numbered_tick(++n, true);
            before_tick(scene, game.engine.event_bus(), tick.tick);
            times.time(state, [&] { game.step(tick); });
            peak_items = std::max(peak_items, scene.entity_pool().list<ItemEntity>().size());
        }
    }
    times.report(state);
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
