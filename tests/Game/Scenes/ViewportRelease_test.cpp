// In the editor the game has the keyboard while the "Viewport" panel has the focus, and the mouse while the
// pointer is over it. What the game holds when the panel loses either is let go: the ship stops flying and
// firing instead of going on with a key or button whose release the GUI took. The real game scene runs on a
// windowless engine; the panel is drawn in a GUI frame of its own before each engine frame, with the GUI's
// pointer where the test puts it (the offscreen driver gives the GUI no pointer), and what the game got of the
// keyboard and mouse goes straight into its input state.

#include <cfloat>
#include <memory>

#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Graphics/RenderContext.h"
#include "Engine/Graphics/RenderContextBase.h"
#include "Engine/Input/InputCode.h"
#include "Game/Scenes/GameScene.h"
#include "Support/HeadlessGui.h"
#include "Support/InputEvents.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

const ImVec2 kNowhere(-FLT_MAX, -FLT_MAX);

// The panel shows the game's picture through the back end; here there is no picture to show.
class NoPictures final : public RenderContextBase {
public:
    Result init(const WindowConfig&) override { return Result::ok(); }
    void shutdown() override {}
    bool poll_event(SDL_Event&) override { return false; }
    void begin_frame() override {}
    void end_frame() override {}
    void idle_frame() override {}
    void set_display_mode(uint32_t) override {}
    Handle create_buffer(uint32_t, uint32_t, uint64_t, const void*) override { return kInvalidHandle; }
    void set_buffer_data(Handle, uint64_t, const void*) override {}
    void set_buffer_sub_data(Handle, uint64_t, uint64_t, const void*) override {}
    Handle create_mesh(const MeshLayout&, const Handle*) override { return kInvalidHandle; }
    Handle create_shader(const ShaderDefinition&) override { return kInvalidHandle; }
    Handle create_texture(const TextureLayout&) override { return kInvalidHandle; }
    void destroy_texture(Handle) override {}
    void write_texture(Handle, const TextureWrite&, const void*) override {}
    Handle create_framebuffer(uint32_t, uint32_t) override { return kInvalidHandle; }
    void resize_framebuffer(Handle, uint32_t, uint32_t) override {}
    uint32_t framebuffer_color_texture(Handle) override { return 0; }
    void execute(const RenderCommandList&) override {}
};

class ViewportRelease : public ::testing::Test {
protected:
    void SetUp() override {
        engine.render_context() = RenderContext(std::make_unique<NoPictures>());
        engine.set_scene(scene);
        engine.startup();
        frame(kNowhere);
        viewport = ImGui::FindWindowByName("Viewport");
        ASSERT_NE(viewport, nullptr);
    }
    void TearDown() override { engine.shutdown(); }

    // The panel in a GUI frame with the pointer at `mouse`, then one engine frame.
    void frame(ImVec2 mouse) {
        ImGui::GetIO().MousePos = mouse;
        ImGui::NewFrame();
        engine.draw_viewport_panel();
        ImGui::Render();
        engine.run_frame();
    }
    ImVec2 on_viewport() const { return viewport->Rect().GetCenter(); }

    // The viewport takes keyboard and pointer, and the game gets W held and the left button pressed on it.
    void fly_and_fire() {
        ImGui::FocusWindow(viewport);
        frame(on_viewport());
        frame(on_viewport());
        ASSERT_EQ(GImGui->NavWindow, viewport);
        ASSERT_EQ(GImGui->HoveredWindow, viewport);
        engine.input().handle_event(key_event(SDL_SCANCODE_W, true));
        engine.input().handle_event(mouse_button_event(SDL_BUTTON_LEFT, true, static_cast<int32_t>(on_viewport().x),
                                                       static_cast<int32_t>(on_viewport().y)));
        for (int i = 0; i < 3; ++i) {
            frame(on_viewport());
            ASSERT_EQ(held_w(), 1.0f);
            ASSERT_EQ(held_left(), 1.0f);
            ASSERT_EQ(scene->player_input().movement.y, 1.0f) << "the ship flies";
            ASSERT_TRUE(scene->player_input().shoot) << "and fires";
        }
    }
    void expect_let_go() {
        EXPECT_EQ(held_w(), 0.0f);
        EXPECT_EQ(held_left(), 0.0f);
        EXPECT_EQ(scene->player_input().movement.y, 0.0f) << "the ship still flies";
        EXPECT_FALSE(scene->player_input().shoot) << "the ship still fires";
    }

    float held_w() { return engine.input().slot(input_code_keyboard(SDL_SCANCODE_W)).value; }
    float held_left() { return engine.input().slot(input_code_mouse(MouseLeft)).value; }

    AssetsWorkingDir dir;
    HeadlessGui gui;
    Engine engine{windowless_config()};
    std::shared_ptr<GameScene> scene = std::make_shared<GameScene>();
    ImGuiWindow* viewport = nullptr;
};

TEST_F(ViewportRelease, LosingTheFocusLetsGoOfHeldKeysAndButtons) {
    fly_and_fire();
    // The focus goes elsewhere (a click beside every panel); the pointer stays over the viewport.
    ImGui::FocusWindow(nullptr);
    frame(on_viewport());
    ASSERT_NE(GImGui->NavWindow, viewport);
    ASSERT_EQ(GImGui->HoveredWindow, viewport);
    expect_let_go();
    frame(on_viewport());
    expect_let_go();
}

TEST_F(ViewportRelease, LosingThePointerLetsGoOfHeldKeysAndButtons) {
    fly_and_fire();
    // The pointer leaves the panel, which keeps the focus.
    frame(kNowhere);
    ASSERT_EQ(GImGui->NavWindow, viewport);
    expect_let_go();
    frame(kNowhere);
    expect_let_go();
}

} // namespace
