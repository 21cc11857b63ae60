// The editor as a workspace, on the real game scene with its window on the offscreen driver: the tiles follow
// the window's size, the viewport's picture is the game's under a drag, and each pointer event goes to the game
// or to the GUI by where it lands. The pointer is put with SDL_WarpMouseInWindow, which the offscreen driver
// turns into SDL's own pointer state (read by the GUI) and a motion event (read by the engine); a held button is
// a press event pushed every frame, which the GUI's back end reads as held for that frame. The offscreen driver
// gives no window the pointer's focus, without which the GUI's back end ignores the pointer: while these tests
// run, SDL_GetMouseFocus answers the game's window.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Engine/Engine/EditorLayout.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Recording.h"
#include "Engine/Input/InputCode.h"
#include "Game/Scenes/GameScene.h"
#include "Support/GlContext.h"
#include "Support/InputEvents.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {
SDL_Window* g_pointer_window = nullptr;
} // namespace

extern "C" SDL_Window* SDL_GetMouseFocus(void) {
    if (g_pointer_window != nullptr) {
        return g_pointer_window;
    }
    using Real = SDL_Window* (*)();
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "SDL_GetMouseFocus"));
    return real != nullptr ? real() : nullptr;
}

namespace {

// Every tile of the editor, by its window's title.
constexpr const char* kTiles[] = {"Viewport", "Control Bar",          "Simulation Ticks", "Recording",
                                  "Scene",    "Particle Designer",    "Entities",         "Selected Entity",
                                  "Pellmar",  "Debug Renderer Colors"};

class EditorWorkspace : public ::testing::Test {
protected:
    void SetUp() override {
        use_offscreen_video_driver();
        engine = std::make_unique<Engine>(fixed_clock_window_config());
        scene = std::make_shared<GameScene>();
        engine->set_scene(scene);
        engine->startup();
        window = SDL_GL_GetCurrentWindow();
        ASSERT_NE(window, nullptr);
        g_pointer_window = window;
        frames(3);
        engine->handle(ToggleEditorEvent{});
        frames(4);
        ASSERT_TRUE(engine->editor_mode());
    }
    void TearDown() override {
        if (engine) {
            engine->shutdown();
        }
        g_pointer_window = nullptr;
    }

    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            engine->run_frame();
        }
    }
    void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    // The pointer to a window point: SDL's state at once, and a motion event for the next poll.
    void pointer_to(ImVec2 at) { SDL_WarpMouseInWindow(window, static_cast<int>(at.x), static_cast<int>(at.y)); }
    void press(ImVec2 at, bool down) {
        push(mouse_button_event(SDL_BUTTON_LEFT, down, static_cast<int32_t>(at.x), static_cast<int32_t>(at.y)));
    }
    void resize(int width, int height) {
        SDL_SetWindowSize(window, width, height);
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
        event.window.data1 = width;
        event.window.data2 = height;
        push(event);
        frames(3);
    }

    static ImRect rect_of(const char* title) {
        const ImGuiWindow* w = ImGui::FindWindowByName(title);
        return w != nullptr ? w->Rect() : ImRect();
    }
    ImVec2 picture_center() const {
        const ViewportRect& v = engine->game_viewport();
        return ImVec2(static_cast<float>(v.x + v.width / 2), static_cast<float>(v.y + v.height / 2));
    }
    float left_button() const { return engine->input().slot(input_code_mouse(MouseLeft)).value; }
    // The recorded mouse button events, downs and ups.
    std::vector<uint32_t> recorded_buttons() const {
        std::vector<uint32_t> types;
        for (const TickRecord& record : engine->records()) {
            for (const RecordedEvent& raw : record.events) {
                SDL_Event event;
                std::memcpy(&event, raw.data(), sizeof event);
                if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) {
                    types.push_back(event.type);
                }
            }
        }
        return types;
    }

    // The tiles as the GUI drew them: inside the work area, none over another, together all of it; the picture
    // at least `share` of the window.
    void expect_tiled(float width, float height, float share) {
        const ImGuiViewport* main = ImGui::GetMainViewport();
        ASSERT_FLOAT_EQ(main->Size.x, width);
        ASSERT_FLOAT_EQ(main->Size.y, height);
        const ImRect work(main->WorkPos,
                          ImVec2(main->WorkPos.x + main->WorkSize.x, main->WorkPos.y + main->WorkSize.y));
        float covered = 0.0f;
        for (size_t a = 0; a < std::size(kTiles); ++a) {
            const ImGuiWindow* w = ImGui::FindWindowByName(kTiles[a]);
            ASSERT_NE(w, nullptr) << kTiles[a];
            ASSERT_TRUE(w->Active) << kTiles[a] << " is drawn";
            const ImRect r = w->Rect();
            EXPECT_TRUE(work.Contains(r))
                << kTiles[a] << " " << r.Min.x << "," << r.Min.y << " " << r.Max.x << "," << r.Max.y;
            covered += r.GetArea();
            for (size_t b = a + 1; b < std::size(kTiles); ++b) {
                ImRect q = rect_of(kTiles[b]);
                q.ClipWithFull(r);
                EXPECT_FALSE(q.GetWidth() > 0.0f && q.GetHeight() > 0.0f)
                    << kTiles[a] << " and " << kTiles[b] << " overlap";
            }
        }
        EXPECT_FLOAT_EQ(covered, work.GetArea()) << "the tiles cover the work area";
        const ViewportRect& v = engine->game_viewport();
        const float picture = static_cast<float>(v.width) * static_cast<float>(v.height);
        EXPECT_GE(picture / (width * height), share) << v.width << " x " << v.height;
    }

    AssetsWorkingDir dir;
    std::unique_ptr<Engine> engine;
    std::shared_ptr<GameScene> scene;
    SDL_Window* window = nullptr;
};

TEST_F(EditorWorkspace, TheTilingFollowsTheWindowSize) {
    expect_tiled(1280.0f, 720.0f, 0.40f);
    const ViewportRect small = engine->game_viewport();
    resize(1920, 1080);
    expect_tiled(1920.0f, 1080.0f, 0.50f);
    EXPECT_GT(engine->game_viewport().width, small.width) << "the picture takes what the window adds";
    EXPECT_EQ(engine->input().viewport(), engine->game_viewport()) << "the pointer maps onto the new picture";
    resize(1280, 720);
    expect_tiled(1280.0f, 720.0f, 0.40f);
    EXPECT_EQ(engine->game_viewport(), small) << "and back";
}

// A drag on the boundary between the left column and the viewport resizes both; the split is a fraction of the
// window, kept through a resize and written to the GUI's settings.
TEST_F(EditorWorkspace, ADragOnATileBoundaryMovesTheSplit) {
    const ImRect ticks = rect_of("Simulation Ticks");
    const ImRect viewport = rect_of("Viewport");
    ASSERT_FLOAT_EQ(ticks.Max.x, viewport.Min.x);
    const ImVec2 grab(ticks.Max.x - 1.0f, ticks.GetCenter().y);
    pointer_to(grab);
    frames(2);
    press(grab, true);
    frames(1);
    for (int i = 1; i <= 5; ++i) {
        pointer_to(ImVec2(grab.x + 10.0f * static_cast<float>(i), grab.y));
        press(ImVec2(grab.x + 10.0f * static_cast<float>(i), grab.y), true);
        frames(1);
    }
    press(ImVec2(grab.x + 50.0f, grab.y), false);
    frames(3);
    EXPECT_NEAR(rect_of("Simulation Ticks").Max.x, ticks.Max.x + 50.0f, 1.0f);
    EXPECT_NEAR(rect_of("Control Bar").Max.x, ticks.Max.x + 50.0f, 1.0f) << "the whole column follows";
    EXPECT_NEAR(rect_of("Viewport").Min.x, viewport.Min.x + 50.0f, 1.0f);
    EXPECT_FLOAT_EQ(rect_of("Viewport").Max.x, viewport.Max.x);
    expect_tiled(1280.0f, 720.0f, 0.0f);
    const float fraction = (ticks.Max.x + 50.0f) / 1280.0f;
    EXPECT_NEAR(editor_splits().left, fraction, 1.0f / 1280.0f);
    const std::string settings = ImGui::SaveIniSettingsToMemory();
    EXPECT_NE(settings.find("[EditorLayout][Splits]\nLeft=0."), std::string::npos) << settings;
    resize(1920, 1080);
    EXPECT_NEAR(rect_of("Viewport").Min.x, fraction * 1920.0f, 1.0f);
}

TEST_F(EditorWorkspace, ADragInsideThePictureIsTheGamesAndLeavesTheViewportInPlace) {
    const ImRect before = rect_of("Viewport");
    const ImVec2 from = picture_center();
    pointer_to(from);
    frames(2);
    press(from, true);
    frames(1);
    EXPECT_EQ(left_button(), 1.0f) << "the press reached the game";
    const float x0 = engine->input().slot(input_code_mouse(MousePositionX)).value;
    for (int i = 1; i <= 8; ++i) {
        const ImVec2 at(from.x + 12.0f * static_cast<float>(i), from.y + 6.0f * static_cast<float>(i));
        pointer_to(at);
        press(at, true);
        frames(1);
        EXPECT_EQ(left_button(), 1.0f) << "held through the drag, step " << i;
    }
    const float x1 = engine->input().slot(input_code_mouse(MousePositionX)).value;
    EXPECT_NEAR(x1 - x0, 96.0f / static_cast<float>(engine->game_viewport().width), 0.01f)
        << "the game followed the pointer";
    press(ImVec2(from.x + 96.0f, from.y + 48.0f), false);
    frames(2);
    EXPECT_EQ(left_button(), 0.0f);
    const ImRect after = rect_of("Viewport");
    EXPECT_FLOAT_EQ(after.Min.x, before.Min.x);
    EXPECT_FLOAT_EQ(after.Min.y, before.Min.y);
    EXPECT_FLOAT_EQ(after.Max.x, before.Max.x);
    EXPECT_FLOAT_EQ(after.Max.y, before.Max.y);
}

TEST_F(EditorWorkspace, APressArrivingWithThePointerOverFinishIsTheGuis) {
    engine->start_recording();
    const ImVec2 over_picture = picture_center();
    pointer_to(over_picture);
    frames(3);
    ASSERT_EQ(engine->recording_state(), Engine::kRecordingActive);
    // "Cancel" and "Finish" share the panel's first row: find "Finish" by hovering along it.
    ImGuiWindow* recording = ImGui::FindWindowByName("Recording");
    ASSERT_NE(recording, nullptr);
    ImVec2 finish;
    bool found = false;
    for (float x = recording->Rect().Min.x + 4.0f; x < recording->Rect().Max.x && !found; x += 4.0f) {
        finish = ImVec2(x, recording->Rect().Min.y + ImGui::GetFrameHeight() + 12.0f);
        pointer_to(finish);
        frames(1);
        found = GImGui->HoveredId == recording->GetID("Finish");
    }
    ASSERT_TRUE(found) << "the Finish button";
    pointer_to(over_picture);
    frames(3);
    const size_t records_before = engine->records().size();
    ASSERT_GT(records_before, 0u);
    ASSERT_EQ(engine->recording_state(), Engine::kRecordingActive);

    // One frame: the pointer goes onto "Finish" and presses it.
    pointer_to(finish);
    press(finish, true);
    frames(1);
    EXPECT_EQ(left_button(), 0.0f) << "the press reached the game";
    press(finish, false);
    frames(2);
    EXPECT_EQ(engine->recording_state(), Engine::kRecordingIdle) << "the GUI took the press: Finish was clicked";
    EXPECT_TRUE(recorded_buttons().empty()) << "the press went into the recording";
}

TEST_F(EditorWorkspace, TheFirstClickIntoThePictureIsRecordedAsPressAndRelease) {
    const ImVec2 on_panel = rect_of("Control Bar").GetCenter();
    pointer_to(on_panel);
    frames(3);
    engine->start_recording();
    frames(2);
    ASSERT_EQ(engine->recording_state(), Engine::kRecordingActive);
    // In one frame the pointer arrives over the picture and presses; the release comes a few frames later.
    const ImVec2 at = picture_center();
    pointer_to(at);
    press(at, true);
    frames(1);
    EXPECT_EQ(left_button(), 1.0f);
    frames(2);
    press(at, false);
    frames(2);
    EXPECT_EQ(left_button(), 0.0f);
    EXPECT_EQ(recorded_buttons(), (std::vector<uint32_t>{SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}));
    engine->cancel_recording();
}

} // namespace
