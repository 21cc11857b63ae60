// The engine with its real OpenGL back end, on the offscreen video driver.

#include <algorithm>
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "Engine/Engine/Interrupt.h"
#include "TestScene.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace engine_test;

namespace {

EngineConfig window_config() {
    EngineConfig config;
    config.width = 640;
    config.height = 360;
    config.vsync = false;
    config.debug_output = false;
    return config;
}

template <typename E>
struct Seen {
    std::vector<E> events;
    void handle(const E& e) { events.push_back(e); }
};

TEST(EngineWindow, StartsRendersAndShutsDownWithoutAScene) {
    Engine engine{window_config()};
    // Quit arrives through the interrupt path of the first event poll.
    raise_interrupt_request();
    engine.run();
    EXPECT_FALSE(engine.running());
    EXPECT_EQ(engine.window_rect(), (ViewportRect{0, 0, 640, 360}));
}

TEST(EngineWindow, StartUpAnnouncesWindowAndViewportAndRenderingStarts) {
    Log log;
    Engine engine{window_config()};
    auto scene = std::make_shared<TestScene>(&log);
    Seen<WindowResizedEvent> window;
    scene->script = [&](TestScene& s, uint32_t f) {
        if (f == 1) {
            s.event_bus().subscribe<WindowResizedEvent>(&window);
        }
        if (f == 3) {
            s.event_bus().publish(QuitEvent{});
        }
    };
    engine.set_scene(scene);
    engine.run();
    ASSERT_EQ(window.events.size(), 1u);
    EXPECT_EQ(window.events[0].rect, (ViewportRect{0, 0, 640, 360}));
    EXPECT_EQ(scene->viewport(), (ViewportRect{0, 0, 640, 360}));
    EXPECT_EQ(log.front(), "scene:start");
    EXPECT_EQ(log[1], "scene:start_rendering");
    EXPECT_EQ(std::count(log.begin(), log.end(), "scene:render"), 4) << "every frame whose tick ran renders";
    EXPECT_EQ(log[log.size() - 2], "scene:stop");
    EXPECT_EQ(log.back(), "scene:stop_rendering");
    engine.event_bus().unsubscribe_all(&window);
}

TEST(EngineWindow, PlatformResizeAndQuitEventsBecomeEngineEvents) {
    Log log;
    Engine engine{window_config()};
    auto scene = std::make_shared<TestScene>(&log);
    Seen<WindowResizedEvent> window;
    scene->script = [&](TestScene& s, uint32_t f) {
        if (f == 1) {
            s.event_bus().subscribe<WindowResizedEvent>(&window);
            SDL_Event resize{};
            resize.type = SDL_WINDOWEVENT;
            resize.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
            resize.window.data1 = 800;
            resize.window.data2 = 600;
            SDL_PushEvent(&resize);
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
    };
    engine.set_scene(scene);
    engine.run();
    // Polled in frame 2: quit handled in its dispatch, frame 3 ends the loop.
    EXPECT_EQ(scene->frames, 3u);
    EXPECT_EQ(engine.window_rect(), (ViewportRect{0, 0, 800, 600}));
    EXPECT_EQ(scene->viewport(), (ViewportRect{0, 0, 800, 600})) << "game mode: the scene follows the window";
    ASSERT_FALSE(window.events.empty());
    EXPECT_EQ(window.events.back().rect, (ViewportRect{0, 0, 800, 600}));
    engine.event_bus().unsubscribe_all(&window);
}

TEST(EngineWindow, RenderSystemsRunOnlyInFramesWhoseTickRan) {
    Log log;
    Engine engine{window_config()};
    auto scene = std::make_shared<TestScene>(
        &log, std::vector<SystemSpec>{{"render", SystemGroup::Render}, {"parked", SystemGroup::UnusedRender}});
    scene->script = [&](TestScene& s, uint32_t f) {
        if (f == 2) {
            s.event_bus().publish(FreezeToggleEvent{});
            // Frozen from frame 3 on: no tick, so quit comes through the event poll.
            raise_interrupt_request();
        }
    };
    engine.set_scene(scene);
    engine.run();
    // Render systems attach when rendering starts, after the scene start.
    EXPECT_EQ(log[0], "scene:start");
    EXPECT_EQ(log[1], "scene:start_rendering");
    EXPECT_EQ(log[2], "render:attach");
    EXPECT_EQ(log[3], "parked:attach");
    // Frames 1 and 2 ticked and rendered; frame 3 (frozen, quit requested) and 4 (quit) did neither.
    EXPECT_EQ(scene->frames, 2u);
    EXPECT_EQ(std::count(log.begin(), log.end(), "render:update"), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "scene:render"), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "parked:update"), 0);
}

TEST(EngineWindow, InTheEditorTheSceneViewportFollowsTheViewportPanel) {
    Log log;
    Engine engine{window_config()};
    auto scene = std::make_shared<TestScene>(&log);
    std::vector<ViewportRect> viewports;
    scene->script = [&](TestScene& s, uint32_t f) {
        viewports.push_back(s.viewport());
        if (f == 1) {
            s.event_bus().publish(ToggleEditorEvent{});
        }
        if (f == 6) {
            s.event_bus().publish(QuitEvent{});
        }
    };
    engine.set_scene(scene);
    {
#if defined(__SANITIZE_ADDRESS__)
        // The software GL driver keeps a few blocks of its compiled shader variants past the context.
        __lsan::ScopedDisabler driver_allocations;
#endif
        engine.run();
    }
    ASSERT_TRUE(engine.editor_mode());
    // The toggle is dispatched before frame 1 renders; quit in frame 6 leaves frame 7 to finish.
    EXPECT_EQ(std::count(log.begin(), log.end(), "scene:editor_ui"), 7);
    const ViewportRect& panel = engine.game_viewport();
    EXPECT_GE(panel.width, 1);
    EXPECT_GE(panel.height, 1);
    EXPECT_LT(panel.width, 640) << "the panel sits between the side columns";
    EXPECT_GT(panel.x, 0);
    EXPECT_EQ(scene->viewport(), panel);
    EXPECT_EQ(viewports[1], (ViewportRect{0, 0, 640, 360})) << "entering the editor gives the window rect first";
}

// The panel only publishes when it moves, so a second entry must hand out its rectangle again; a window
// resize in the editor keeps the pointer mapped to the panel.
TEST(EngineWindow, ReEnteringTheEditorAndResizingTheWindowKeepSceneAndInputOnThePanel) {
    Log log;
    Engine engine{window_config()};
    auto scene = std::make_shared<TestScene>(&log);
    struct Seen {
        ViewportRect scene;
        ViewportRect input;
    };
    std::vector<Seen> seen;
    ViewportRect panel_at_first_entry;
    scene->script = [&](TestScene& s, uint32_t f) {
        seen.push_back(Seen{s.viewport(), engine.input().viewport()});
        if (f == 4) {
            panel_at_first_entry = engine.game_viewport();
        }
        if (f == 1 || f == 4 || f == 6 || f == 12) {
            s.event_bus().publish(ToggleEditorEvent{});
        }
        if (f == 9) {
            SDL_Event resize{};
            resize.type = SDL_WINDOWEVENT;
            resize.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
            resize.window.data1 = 800;
            resize.window.data2 = 600;
            SDL_PushEvent(&resize);
        }
        if (f == 14) {
            s.event_bus().publish(QuitEvent{});
        }
    };
    engine.set_scene(scene);
    engine.run();
    ASSERT_EQ(seen.size(), 15u) << "quit in frame 14 leaves frame 15 to finish";
    const ViewportRect window{0, 0, 640, 360};
    const ViewportRect panel = panel_at_first_entry;
    ASSERT_LT(panel.width, 640) << "the first entry published the panel";
    EXPECT_EQ(seen[3].scene, panel);
    EXPECT_EQ(seen[3].input, panel);
    // Frame 5: out of the editor, the window.
    EXPECT_EQ(seen[4].scene, window);
    EXPECT_EQ(seen[4].input, window);
    // Frames 7 to 11: in again, before and after the resize of frame 10's poll.
    for (size_t i = 6; i < 11; ++i) {
        EXPECT_EQ(seen[i].scene, panel) << "frame " << i + 1;
        EXPECT_EQ(seen[i].input, panel) << "frame " << i + 1;
    }
    EXPECT_EQ(engine.window_rect(), (ViewportRect{0, 0, 800, 600}));
    // Frame 13: out again, the resized window.
    EXPECT_EQ(seen[12].scene, (ViewportRect{0, 0, 800, 600}));
    EXPECT_EQ(seen[12].input, (ViewportRect{0, 0, 800, 600}));
}

} // namespace
