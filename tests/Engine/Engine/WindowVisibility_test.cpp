// Frames of a window nobody can see: the simulation, its clock and the recording go on, nothing is drawn.

#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "Engine/Engine/WindowVisibility.h"
#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "TestScene.h"

using namespace engine_test;

namespace {

TEST(WindowVisibility, HiddenOrMinimisedUntilShownRestoredOrExposed) {
    struct Case {
        std::vector<uint8_t> events;
        bool visible;
    };
    const std::vector<Case> cases = {
        {{}, true},
        {{SDL_WINDOWEVENT_HIDDEN}, false},
        {{SDL_WINDOWEVENT_HIDDEN, SDL_WINDOWEVENT_SHOWN}, true},
        {{SDL_WINDOWEVENT_MINIMIZED}, false},
        {{SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED}, true},
        {{SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_MAXIMIZED}, true},
        // Shown again while still minimised: nobody sees it yet.
        {{SDL_WINDOWEVENT_HIDDEN, SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_SHOWN}, false},
        {{SDL_WINDOWEVENT_HIDDEN, SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_EXPOSED}, true},
        // Focus, moves and resizes say nothing about being seen.
        {{SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_RESIZED},
         false},
        {{SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_LEAVE}, true},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        WindowVisibility v;
        for (const uint8_t e : cases[i].events) {
            window_visibility_event(v, e);
        }
        EXPECT_EQ(window_visible(v), cases[i].visible) << "case " << i;
    }
}

void push_window_event(uint8_t window_event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    e.window.event = window_event;
    SDL_PushEvent(&e);
}

// The real window on the offscreen driver, paced at 60 Hz. Events sent during a frame's tick are polled by the
// next frame: frames 3 and 4 run with the window hidden (SDL_HideWindow), 6 and 7 with it minimised.
TEST(WindowVisibility, FramesNobodySeesTickRecordAndPaceButDrawAndPresentNothing) {
    Log log;
    EngineConfig config;
    config.width = 320;
    config.height = 180;
    config.vsync = false;
    config.debug_output = false;
    Engine engine{config};
    auto scene = std::make_shared<TestScene>(&log, std::vector<SystemSpec>{{"render", SystemGroup::Render}});
    std::vector<bool> visible;
    std::vector<uint64_t> presented;
    std::vector<uint64_t> pacer_next;
    scene->script = [&](TestScene& s, uint32_t f) {
        auto* gl = dynamic_cast<RenderContextOpenGL*>(s.engine().render_context().backend());
        ASSERT_NE(gl, nullptr);
        visible.push_back(s.engine().window_visible());
        presented.push_back(gl->frames_presented());
        pacer_next.push_back(gl->frame_pacer().next_ns);
        if (f == 1) {
            s.engine().start_recording();
        } else if (f == 2) {
            SDL_HideWindow(SDL_GL_GetCurrentWindow());
        } else if (f == 4) {
            SDL_ShowWindow(SDL_GL_GetCurrentWindow());
        } else if (f == 5) {
            push_window_event(SDL_WINDOWEVENT_MINIMIZED);
        } else if (f == 7) {
            push_window_event(SDL_WINDOWEVENT_RESTORED);
        } else if (f == 9) {
            s.event_bus().publish(QuitEvent{});
        }
    };
    engine.set_scene(scene);
    engine.run();
    auto* gl = dynamic_cast<RenderContextOpenGL*>(engine.render_context().backend());
    ASSERT_NE(gl, nullptr);

    // Frame 10 carries the quit; every frame ticked, hidden or not.
    ASSERT_EQ(scene->frames, 10u);
    const std::vector<bool> expected_visible = {true, true, false, false, true, false, false, true, true, true};
    EXPECT_EQ(visible, expected_visible);
    // Presented before each tick: nothing while the window could not be seen.
    const std::vector<uint64_t> expected_presented = {0, 1, 2, 2, 2, 3, 3, 3, 4, 5};
    EXPECT_EQ(presented, expected_presented);
    EXPECT_EQ(gl->frames_presented(), 6u);
    EXPECT_EQ(gl->frames_idled(), 4u);
    // An undrawn frame goes through the pacer as a drawn one does: its next frame start moves on.
    EXPECT_GT(pacer_next[3], pacer_next[2]);
    EXPECT_GT(pacer_next[6], pacer_next[5]);
    // The clock went on: consecutive ticks, each running the simulation, time always growing.
    for (size_t i = 0; i < scene->ticks.size(); ++i) {
        EXPECT_EQ(scene->ticks[i].tick, i + 1);
        EXPECT_TRUE(scene->ticks[i].run_simulation_tick);
        if (i > 0) {
            EXPECT_GT(scene->ticks[i].time, scene->ticks[i - 1].time);
        }
    }
    // The render step (Render systems included) ran in every frame, drawn or not.
    EXPECT_EQ(std::count(log.begin(), log.end(), "scene:render"), 10);
    EXPECT_EQ(std::count(log.begin(), log.end(), "render:update"), 10);
    // The recording, started in frame 1, holds one record a frame from frame 2 on, hidden frames included.
    ASSERT_EQ(engine.records().size(), 9u);
    for (size_t i = 0; i < engine.records().size(); ++i) {
        EXPECT_EQ(engine.records()[i].tick.tick, i + 2);
    }
}

} // namespace
