// In game mode the welcome panel lies over the game: a click on one of its buttons presses the button and nothing
// else. The real game scene runs on an engine with its window on the offscreen driver and a clock of 1/60 s a frame;
// the platform events go through the engine's own polling and capture while a recording runs. The offscreen driver
// gives the GUI no pointer of its own, so the panel's button is pressed with ImGui::ActivateItem, as the GUI does
// for the click that the test pushes at the same place.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Recording.h"
#include "Engine/EntityPool.h"
#include "Engine/Input/InputCode.h"
#include "Engine/TypeId.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Scenes/GameScene.h"
#include "Support/GlContext.h"
#include "Support/InputEvents.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

class PanelClick : public ::testing::Test {
protected:
    void SetUp() override {
        use_offscreen_video_driver();
        engine = std::make_unique<Engine>(fixed_clock_window_config());
        scene = std::make_shared<GameScene>();
        engine->set_scene(scene);
        engine->startup();
        frames(5);
        ASSERT_FALSE(engine->editor_mode());
    }
    void TearDown() override {
        if (engine) {
            engine->shutdown();
        }
    }

    // Runs n frames; counts the bullets of the ship that exist after each.
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            engine->run_frame();
            for (const BulletEntity& bullet : scene->entity_pool().list<BulletEntity>().entities()) {
                if (bullet.owner.entity_type_id == entity_type_id<PlayerEntity>()) {
                    ++ship_bullets;
                }
            }
            ship_shot = ship_shot || scene->player_input().shoot;
        }
    }

    void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    // The recorded mouse button events.
    size_t recorded_buttons() const {
        size_t n = 0;
        for (const TickRecord& record : engine->records()) {
            for (const RecordedEvent& raw : record.events) {
                SDL_Event event;
                std::memcpy(&event, raw.data(), sizeof event);
                n += event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP ? 1 : 0;
            }
        }
        return n;
    }

    float left_button() const { return engine->input().slot(input_code_mouse(MouseLeft)).value; }

    AssetsWorkingDir dir;
    std::unique_ptr<Engine> engine;
    std::shared_ptr<GameScene> scene;
    size_t ship_bullets = 0;
    bool ship_shot = false;
};

TEST_F(PanelClick, AClickOnAPanelButtonPressesTheButtonOnlyAndIsNotRecorded) {
    engine->start_recording();
    frames(3);
    ASSERT_EQ(engine->recording_state(), Engine::kRecordingActive);
    ImGuiWindow* panel = ImGui::FindWindowByName("Pellmar");
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->Active) << "the welcome panel is drawn in game mode";
    const ImVec2 on_panel = panel->Rect().GetCenter();
    const int32_t x = static_cast<int32_t>(on_panel.x);
    const int32_t y = static_cast<int32_t>(on_panel.y);

    // The click on "Load large structure": the GUI presses the button, the game sees neither press nor release.
    push(mouse_motion_event(x, y, 0, 0));
    frames(1);
    push(mouse_button_event(SDL_BUTTON_LEFT, true, x, y));
    ImGui::ActivateItem(panel->GetID("Load large structure"));
    frames(1);
    EXPECT_EQ(left_button(), 0.0f);
    push(mouse_button_event(SDL_BUTTON_LEFT, false, x, y));
    frames(20);
    const PlayerEntity* ship = nullptr;
    for (const PlayerEntity& player : scene->entity_pool().list<PlayerEntity>().entities()) {
        ship = &player;
    }
    ASSERT_NE(ship, nullptr);
    EXPECT_NEAR(ship->body.position.x, 7.0f, 0.5f) << "the button was pressed: the ship starts at (7, 3)";
    EXPECT_NEAR(ship->body.position.y, 3.0f, 0.5f);
    EXPECT_FALSE(ship_shot);
    EXPECT_EQ(ship_bullets, 0u) << "the click fired the cannon";
    EXPECT_EQ(recorded_buttons(), 0u) << "what the game did not see is no game input";

    // The same click beside the panel is the game's: the ship shoots, and the recording keeps press and release.
    const int32_t beside = static_cast<int32_t>(panel->Rect().Min.x) - 40;
    ASSERT_GT(beside, 0);
    push(mouse_button_event(SDL_BUTTON_LEFT, true, beside, y));
    frames(10);
    EXPECT_EQ(left_button(), 1.0f);
    push(mouse_button_event(SDL_BUTTON_LEFT, false, beside, y));
    frames(2);
    EXPECT_EQ(left_button(), 0.0f);
    EXPECT_TRUE(ship_shot);
    EXPECT_GT(ship_bullets, 0u);
    EXPECT_EQ(recorded_buttons(), 2u);
    engine->cancel_recording();
}

// In the editor the welcome panel has a tile beside the viewport. A click into the viewport (which focuses it, as
// the GUI does for the click) gives it the keyboard but leaves it behind the other windows, so that one the user
// floats over it stays in front.
TEST_F(PanelClick, ClickingIntoTheViewportLeavesItBehindThePanels) {
    engine->handle(ToggleEditorEvent{});
    frames(3);
    ASSERT_TRUE(engine->editor_mode());
    ImGuiWindow* viewport = ImGui::FindWindowByName("Viewport");
    ImGuiWindow* panel = ImGui::FindWindowByName("Pellmar");
    ASSERT_NE(viewport, nullptr);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->Active);
    EXPECT_FALSE(viewport->Rect().Overlaps(panel->Rect())) << "the panel lies in a tile of its own";
    const auto display_place = [](const ImGuiWindow* window) {
        const ImVector<ImGuiWindow*>& windows = GImGui->Windows; // back to front
        for (int i = 0; i < windows.Size; ++i) {
            if (windows[i] == window) {
                return i;
            }
        }
        return -1;
    };
    const ImGuiWindow* backdrop = ImGui::FindWindowByName("DockSpace");
    ASSERT_NE(backdrop, nullptr);
    EXPECT_LT(display_place(backdrop), display_place(viewport)) << "the viewport lies on the workspace backdrop";
    EXPECT_LT(display_place(viewport), display_place(panel));
    ImGui::FocusWindow(viewport);
    frames(2);
    EXPECT_EQ(GImGui->NavWindow, viewport) << "the viewport has the focus";
    EXPECT_LT(display_place(viewport), display_place(panel)) << "and the panel stays in front of it";
    EXPECT_LT(display_place(backdrop), display_place(viewport));
}

TEST_F(PanelClick, AShotHeldOverThePanelStaysTheGamesUntilReleased) {
    ImGuiWindow* panel = ImGui::FindWindowByName("Pellmar");
    ASSERT_NE(panel, nullptr);
    const ImVec2 on_panel = panel->Rect().GetCenter();
    const int32_t beside = static_cast<int32_t>(panel->Rect().Min.x) - 40;
    // Pressed beside the panel, dragged onto it and let go there: the game gets the release of its press, so the
    // cannon stops; a second press on the panel while nothing is held is the panel's again.
    push(mouse_button_event(SDL_BUTTON_LEFT, true, beside, static_cast<int32_t>(on_panel.y)));
    frames(2);
    EXPECT_EQ(left_button(), 1.0f);
    push(mouse_motion_event(static_cast<int32_t>(on_panel.x), static_cast<int32_t>(on_panel.y), 40, 0,
                            SDL_BUTTON_LMASK));
    push(
        mouse_button_event(SDL_BUTTON_LEFT, false, static_cast<int32_t>(on_panel.x), static_cast<int32_t>(on_panel.y)));
    frames(2);
    EXPECT_EQ(left_button(), 0.0f);
    EXPECT_FALSE(scene->player_input().shoot);
    push(mouse_button_event(SDL_BUTTON_LEFT, true, static_cast<int32_t>(on_panel.x), static_cast<int32_t>(on_panel.y)));
    frames(2);
    EXPECT_EQ(left_button(), 0.0f);
    EXPECT_FALSE(scene->player_input().shoot);
    push(
        mouse_button_event(SDL_BUTTON_LEFT, false, static_cast<int32_t>(on_panel.x), static_cast<int32_t>(on_panel.y)));
    frames(2);

    // While the game holds a button the panel takes no press, as the GUI itself ignores a pointer that is busy
    // elsewhere: the right button pressed over the panel during a shot is the game's (it pans the view).
    push(mouse_button_event(SDL_BUTTON_LEFT, true, beside, static_cast<int32_t>(on_panel.y)));
    frames(2);
    push(
        mouse_button_event(SDL_BUTTON_RIGHT, true, static_cast<int32_t>(on_panel.x), static_cast<int32_t>(on_panel.y)));
    frames(2);
    EXPECT_EQ(engine->input().slot(input_code_mouse(MouseRight)).value, 1.0f);
    EXPECT_TRUE(scene->editor_input().editor_camera_pan_active);
}

} // namespace
