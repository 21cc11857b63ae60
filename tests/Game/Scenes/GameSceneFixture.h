#pragma once
// The real game scene on a windowless engine, started in a directory that holds the built assets.bin.

#include <memory>
#include <string>
#include <vector>

#include "Engine/Engine/Engine.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Scenes/GameScene.h"
#include "Support/SceneHarness.h"

struct GameSceneFixture {
    GameSceneFixture() : engine(test_support::windowless_config()), scene(std::make_shared<GameScene>()) {
        scene->start(engine);
    }
    ~GameSceneFixture() { scene->stop(); }

    // `share`: the part of a fixed step left over after this tick (see make_tick).
    void tick(float dt = 1.0f / 60.0f, bool fixed = false, float share = 0.0f) {
        ++ticks;
        scene->engine_tick(test_support::make_tick(ticks, dt, fixed, share));
        engine.event_bus().dispatch();
    }

    std::vector<std::string> group(uint32_t g) const {
        std::vector<std::string> names;
        for (const auto& system : scene->systems()[g]) {
            names.emplace_back(system->name());
        }
        return names;
    }

    test_support::AssetsWorkingDir dir;
    Engine engine;
    std::shared_ptr<GameScene> scene;
    uint32_t ticks = 0;
};

// The test bed's "Load some enemies" without its ship: the base above the origin and the station up to the right,
// as deferred creates that the next tick's flush brings in.
inline void create_some_enemies(GameScene& scene) {
    scene.factory().create_enemy(EnemyRequest{EnemyKindBase, {0.0f, 10.0f}, {0.0f, 0.0f}});
    scene.factory().create_enemy(EnemyRequest{EnemyKindStation, {5.0f, 4.0f}, {0.0f, 0.0f}});
}
