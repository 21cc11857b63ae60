#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/Engine/Interrupt.h"
#include "Support/Launcher.h"
#include "TestScene.h"

using namespace engine_test;

namespace {

// Counts the deliveries of one event type.
template <typename E>
struct Counter {
    int count = 0;
    std::vector<E> seen;
    void handle(const E& e) {
        ++count;
        seen.push_back(e);
    }
};

std::shared_ptr<TestScene> scene_quitting_at(Log* log, uint32_t frame) {
    auto scene = std::make_shared<TestScene>(log);
    scene->script = [frame](TestScene& s, uint32_t f) {
        if (f == frame) {
            s.event_bus().publish(QuitEvent{});
        }
    };
    return scene;
}

TEST(EngineLoop, TheFrameAfterTheQuitDispatchIsStillCompleted) {
    Log log;
    Engine engine{windowless_config()};
    auto scene = scene_quitting_at(&log, 3);
    engine.set_scene(scene);
    engine.run();
    // Quit published in frame 3, handled in its dispatch; frame 4 carries the flag and ends the loop.
    EXPECT_EQ(scene->frames, 4u);
    ASSERT_EQ(scene->ticks.size(), 4u);
    EXPECT_EQ(scene->ticks[2].quit, 0);
    EXPECT_EQ(scene->ticks[3].quit, 1);
    EXPECT_EQ(scene->ticks[3].tick, 4u);
    EXPECT_FALSE(engine.running());
    EXPECT_EQ(scene->starts, 1);
    EXPECT_EQ(scene->stops, 1);
    EXPECT_EQ(engine.current_scene(), scene) << "the scene pointer stays set after shut-down";
}

TEST(EngineLoop, WindowlessStartUpAnnouncesOnlyTheViewport) {
    Log log;
    Engine engine{windowless_config()};
    auto scene = scene_quitting_at(&log, 1);
    Counter<WindowResizedEvent> window;
    Counter<ViewportResizedEvent> viewport;
    scene->script = [&](TestScene& s, uint32_t f) {
        if (f == 1) {
            s.event_bus().subscribe<WindowResizedEvent>(&window);
            s.event_bus().subscribe<ViewportResizedEvent>(&viewport);
            s.event_bus().publish(QuitEvent{});
        }
    };
    engine.set_scene(scene);
    engine.run();
    // Start-up's event reached the scene in the first frame's dispatch (after the scene had started).
    EXPECT_EQ(scene->viewport(), (ViewportRect{0, 0, 1280, 720}));
    EXPECT_EQ(viewport.count, 1) << "subscribed in the first tick, before the first dispatch";
    EXPECT_EQ(window.count, 0);
    EXPECT_EQ(log, (Log{"scene:start", "scene:tick", "scene:tick", "scene:stop"}))
        << "no rendering starts or stops without a window";
    engine.event_bus().unsubscribe_all(&window);
    engine.event_bus().unsubscribe_all(&viewport);
}

// A run that must not depend on the machine's speed hands the engine a clock of its own: every frame is then
// exactly the step that clock takes.
TEST(EngineLoop, AConfiguredTimeSourceDrivesTheTicks) {
    Log log;
    EngineConfig config = windowless_config();
    uint64_t reads = 0;
    config.time_source = [&reads] { return 1'000'000'000u + 20'000'000u * reads++; };
    Engine engine{config};
    auto scene = scene_quitting_at(&log, 3);
    engine.set_scene(scene);
    engine.run();
    ASSERT_EQ(scene->ticks.size(), 4u);
    const float step = static_cast<float>(20'000'000u) / 1e9f;
    for (uint32_t k = 0; k < 4; ++k) {
        const SimulationTick& tick = scene->ticks[k];
        EXPECT_EQ(tick.delta_time, step) << k;
        EXPECT_EQ(tick.application_time, static_cast<float>(20'000'000u * (k + 1)) / 1e9f) << k;
        // 20 ms is more than the 1/60 s fixed step: every frame has its fixed tick.
        EXPECT_EQ(tick.fixed_tick, k + 1) << k;
    }
}

TEST(EngineLoop, RunsWithoutAnySceneUntilInterrupted) {
    Engine engine{windowless_config()};
    raise_interrupt_request();
    engine.run();
    EXPECT_FALSE(engine.running());
    EXPECT_TRUE(engine.clock().quit_requested());
    EXPECT_EQ(engine.current_scene(), nullptr);
}

TEST(EngineLoop, SceneSwitchStopsTheOldSceneBeforeStartingTheNew) {
    Log log_a;
    Log log_b;
    Engine engine{windowless_config()};
    auto a = std::make_shared<TestScene>(&log_a);
    auto b = scene_quitting_at(&log_b, 2);
    std::vector<std::string> order;
    a->script = [&](TestScene&, uint32_t f) {
        if (f == 1) {
            engine.set_scene(b);
        }
    };
    engine.set_scene(a);
    testing::internal::CaptureStdout();
    engine.run();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log_a, (Log{"scene:start", "scene:tick", "scene:stop"}));
    // Quit published in b's second tick: one more frame follows.
    EXPECT_EQ(log_b, (Log{"scene:start", "scene:tick", "scene:tick", "scene:tick", "scene:stop"}));
    // The switch's lines, in order, once for each switch.
    size_t at = 0;
    for (const char* line : {"Loading new scene...", "Starting new scene", "Done", "Loading new scene...",
                             "Stopping old scene", "Starting new scene", "Done"}) {
        size_t found = out.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << out;
        at = found + 1;
    }
    EXPECT_EQ(out.find("scene rendering"), std::string::npos) << "no rendering lines without a window";
}

TEST(EngineControl, TwoFreezeTogglesInOneFrameCancel) {
    Log log;
    Engine engine{windowless_config()};
    auto scene = std::make_shared<TestScene>(&log);
    scene->script = [](TestScene& s, uint32_t f) {
        if (f == 1) {
            s.event_bus().publish(FreezeToggleEvent{});
            s.event_bus().publish(FreezeToggleEvent{});
        }
        if (f == 3) {
            s.event_bus().publish(QuitEvent{});
        }
    };
    engine.set_scene(scene);
    engine.run();
    EXPECT_FALSE(engine.clock().frozen());
    EXPECT_EQ(scene->frames, 4u) << "every frame ticked";
}

TEST(EngineControl, FreezeStopsTheTicksAndStepRunsOne) {
    Log log;
    Engine engine{windowless_config()};
    auto scene = std::make_shared<TestScene>(&log);
    scene->script = [](TestScene& s, uint32_t f) {
        if (f == 1) {
            s.event_bus().publish(FreezeToggleEvent{});
            // Handled in the same dispatch, after the freeze: the next frame is a single step.
            s.event_bus().publish(StepEvent{0});
        }
        if (f == 2) {
            // Frozen from here on; quit comes through the interrupt path of the event poll.
            raise_interrupt_request();
        }
    };
    engine.set_scene(scene);
    engine.run();
    EXPECT_TRUE(engine.clock().frozen());
    EXPECT_EQ(scene->frames, 2u);
    EXPECT_EQ(scene->ticks[1].is_simulation_frozen, 1);
}

TEST(EngineControl, TimescaleAndFixedDeltaEventsAreClamped) {
    Log log;
    Engine engine{windowless_config()};
    auto scene = scene_quitting_at(&log, 1);
    scene->script = [](TestScene& s, uint32_t f) {
        if (f == 1) {
            s.event_bus().publish(TimescaleEvent{7.0f});
            s.event_bus().publish(FixedDeltaTimeEvent{0.0f});
            s.event_bus().publish(QuitEvent{});
        }
    };
    engine.set_scene(scene);
    engine.run();
    EXPECT_EQ(engine.clock().timescale(), SimulationClock::kMaxTimescale);
    EXPECT_EQ(engine.clock().fixed_delta(), SimulationClock::kMinFixedDelta);
    EXPECT_EQ(scene->ticks[1].simulation_timescale, SimulationClock::kMaxTimescale);
}

TEST(EngineControl, ReloadWhileASwitchIsPendingRestartsTheCurrentScene) {
    // Reload checks the package first, so the run needs a readable one in its working directory.
    test_support::TempDir dir;
    std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir.path() / "assets.bin");
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    Log log_a;
    Log log_b;
    Engine engine{windowless_config()};
    auto a = std::make_shared<TestScene>(&log_a);
    auto b = std::make_shared<TestScene>(&log_b);
    a->script = [&](TestScene& s, uint32_t f) {
        if (f == 1) {
            engine.set_scene(b);
            s.event_bus().publish(ReloadEvent{});
        }
        if (f == 2) {
            EXPECT_EQ(engine.current_scene(), a);
            s.event_bus().publish(QuitEvent{});
        }
    };
    engine.set_scene(a);
    engine.run();
    EXPECT_EQ(a->starts, 2) << "the same object is stopped and started again";
    EXPECT_EQ(a->stops, 2);
    EXPECT_EQ(log_a, (Log{"scene:start", "scene:tick", "scene:stop", "scene:start", "scene:tick", "scene:tick",
                          "scene:stop"}));
    EXPECT_TRUE(log_b.empty()) << "the replaced pending scene never starts";
    std::filesystem::current_path(before);
}

TEST(EngineControl, ReloadWithoutACurrentSceneKeepsThePendingOne) {
    Log log;
    Engine engine{windowless_config()};
    auto scene = scene_quitting_at(&log, 1);
    engine.set_scene(scene);
    engine.handle(ReloadEvent{});
    EXPECT_EQ(engine.pending_scene(), scene);
}

TEST(EngineControl, ResizeInGameModeMovesWindowAndViewportInEditorModeOnlyTheWindow) {
    Log log;
    Engine engine{windowless_config()};
    auto scene = std::make_shared<TestScene>(&log);
    std::vector<ViewportRect> windows;
    std::vector<ViewportRect> viewports;
    scene->script = [&](TestScene& s, uint32_t f) {
        // Each frame looks at the effect of the previous frame's dispatch.
        windows.push_back(engine.window_rect());
        viewports.push_back(s.viewport());
        switch (f) {
        case 1:
            engine.window_resized(800, 600);
            break;
        case 2:
            s.event_bus().publish(ToggleEditorEvent{});
            break;
        case 3:
            engine.window_resized(1024, 768);
            break;
        case 4:
            s.event_bus().publish(QuitEvent{});
            break;
        default:
            break;
        }
    };
    engine.set_scene(scene);
    engine.run();
    ASSERT_EQ(windows.size(), 5u);
    EXPECT_EQ(windows[1], (ViewportRect{0, 0, 800, 600}));
    EXPECT_EQ(viewports[1], (ViewportRect{0, 0, 800, 600})) << "game mode: same dispatch";
    EXPECT_TRUE(engine.editor_mode());
    EXPECT_EQ(viewports[2], (ViewportRect{0, 0, 800, 600})) << "entering the editor gives the window rect";
    EXPECT_EQ(windows[3], (ViewportRect{0, 0, 1024, 768}));
    EXPECT_EQ(viewports[3], (ViewportRect{0, 0, 800, 600})) << "editor: the viewport follows the panel";
}

class ThrowingScene : public TestScene {
public:
    using TestScene::TestScene;
    void on_tick(const SimulationTick& tick) override {
        TestScene::on_tick(tick);
        throw std::runtime_error("boom");
    }
};

TEST(EngineLifecycle, AFailedRunIsShutDownOnceByTheDestructor) {
    Log log;
    auto scene = std::make_shared<ThrowingScene>(&log);
    {
        Engine engine{windowless_config()};
        engine.set_scene(scene);
        EXPECT_THROW(engine.run(), std::runtime_error);
        EXPECT_TRUE(engine.running());
    }
    EXPECT_EQ(scene->stops, 1);
}

TEST(EngineLifecycle, DestroyingAnEngineAfterItsRunDoesNotShutDownTwice) {
    Log log;
    auto scene = scene_quitting_at(&log, 1);
    {
        Engine engine{windowless_config()};
        engine.set_scene(scene);
        engine.run();
        EXPECT_EQ(scene->stops, 1);
    }
    EXPECT_EQ(scene->stops, 1);
}

TEST(EngineLifecycle, ShutDownRemovesTheEngineSubscriptions) {
    Engine engine{windowless_config()};
    raise_interrupt_request();
    testing::internal::CaptureStdout();
    engine.run();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("[Engine]"), std::string::npos);
    EXPECT_NE(out.find("Running startup"), std::string::npos);
    size_t subscriptions = 0;
    for (size_t at = out.find("Subscribed to event: "); at != std::string::npos;
         at = out.find("Subscribed to event: ", at + 1)) {
        ++subscriptions;
    }
    EXPECT_EQ(subscriptions, 9u);
    EXPECT_EQ(engine.event_bus().subscriber_count<QuitEvent>(), 0u);
    EXPECT_EQ(engine.event_bus().subscriber_count<ToggleEditorEvent>(), 0u);
}

} // namespace
