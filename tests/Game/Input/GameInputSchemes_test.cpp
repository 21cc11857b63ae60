#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Engine/Graphics/Camera.h"
#include "Engine/Input/InputAxes.h"
#include "Engine/Input/InputState.h"
#include "Game/Input/EditorInputScheme.h"
#include "Game/Input/PlayerInputScheme.h"
#include "Support/InputEvents.h"

using namespace test_support;

namespace {

std::vector<std::string> target_names(const InputSchemeBase& scheme) {
    std::vector<std::string> names;
    for (const InputTarget& target : scheme.targets()) {
        names.push_back(target.name);
    }
    return names;
}

// Both schemes on one registry, as in the game scene, with a camera of half height 5 and aspect 2 at (3, -2):
// it sees x from -7 to 13 and y from -7 to 3.
class GameSchemes : public ::testing::Test {
protected:
    void SetUp() override {
        camera.set_ortho(5.0f, 2.0f, 1.0f);
        camera.position = {3.0f, -2.0f, 0.0f};
        camera.update_matrices();
        input.set_viewport({0, 0, 400, 200});
    }
    void frame(std::initializer_list<SDL_Event> events) {
        input_frame(input, axes, ++tick, events, {&player, &editor});
    }

    Camera camera;
    InputState input;
    InputAxes axes{&input};
    PlayerInputScheme player{&camera};
    EditorInputScheme editor{&camera};
    uint32_t tick = 0;
};

} // namespace

TEST_F(GameSchemes, DeclareTheirNamedFieldsInOrderWithoutClashing) {
    testing::internal::CaptureStdout();
    frame({});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(target_names(player),
              (std::vector<std::string>{"Movement", "Aim", "Aim Keyboard", "Shoot", "Click", "Pause game"}));
    EXPECT_EQ(target_names(editor),
              (std::vector<std::string>{"Mouse", "Clicked", "Mouse Down", "EditorCameraPanActive",
                                        "snapCameraToPlayArea", "Wheel", "reset", "toggle_editor"}));
    EXPECT_EQ(player.targets()[3].kind, InputTargetIsDown);
    EXPECT_EQ(player.targets()[4].kind, InputTargetWasPressed);
    EXPECT_EQ(editor.targets()[5].kind, InputTargetAxisFloat);
}

TEST_F(GameSchemes, WasdMoves) {
    struct Case {
        std::vector<SDL_Scancode> keys;
        glm::vec2 movement;
    };
    const Case cases[] = {
        {{SDL_SCANCODE_W}, {0.0f, 1.0f}},
        {{SDL_SCANCODE_A}, {-1.0f, 0.0f}},
        {{SDL_SCANCODE_S}, {0.0f, -1.0f}},
        {{SDL_SCANCODE_D}, {1.0f, 0.0f}},
        {{SDL_SCANCODE_W, SDL_SCANCODE_D}, {1.0f, 1.0f}},
        {{SDL_SCANCODE_W, SDL_SCANCODE_S}, {0.0f, 0.0f}},
        {{SDL_SCANCODE_UP}, {0.0f, 0.0f}},
    };
    for (const Case& c : cases) {
        input.reset();
        for (SDL_Scancode key : c.keys) {
            input.handle_event(key_event(key, true));
        }
        frame({});
        EXPECT_EQ(player.movement, c.movement) << c.keys.size() << " keys, first " << c.keys[0];
    }
}

TEST_F(GameSchemes, ArrowKeysAimAndSetKeyboardAim) {
    frame({});
    EXPECT_FALSE(player.keyboard_aim);
    frame({key_event(SDL_SCANCODE_RIGHT, true), key_event(SDL_SCANCODE_DOWN, true)});
    EXPECT_EQ(player.aim_keyboard, glm::vec2(1.0f, -1.0f));
    EXPECT_TRUE(player.keyboard_aim);
    frame({key_event(SDL_SCANCODE_RIGHT, false), key_event(SDL_SCANCODE_DOWN, false),
           key_event(SDL_SCANCODE_LEFT, true), key_event(SDL_SCANCODE_UP, true)});
    EXPECT_EQ(player.aim_keyboard, glm::vec2(-1.0f, 1.0f));
    frame({key_event(SDL_SCANCODE_LEFT, false), key_event(SDL_SCANCODE_UP, false)});
    EXPECT_FALSE(player.keyboard_aim);
}

TEST_F(GameSchemes, TheMouseIsAimedInWorldCoordinates) {
    struct Case {
        int32_t x, y;
        glm::vec2 world;
    };
    const Case cases[] = {
        {200, 100, {3.0f, -2.0f}}, // viewport centre: the camera position
        {300, 50, {8.0f, 0.5f}},   // (0.75, 0.75) in viewport units
        {0, 200, {-7.0f, -7.0f}},  // bottom left
        {400, 0, {13.0f, 3.0f}},   // top right
    };
    for (const Case& c : cases) {
        frame({mouse_motion_event(c.x, c.y, 0, 0)});
        EXPECT_NEAR(player.aim.x, c.world.x, 1e-5f) << c.x << "," << c.y;
        EXPECT_NEAR(player.aim.y, c.world.y, 1e-5f) << c.x << "," << c.y;
        EXPECT_EQ(player.aim_world, player.aim);
        EXPECT_NEAR(editor.mouse_world.x, c.world.x, 1e-5f);
        EXPECT_NEAR(editor.mouse_world.y, c.world.y, 1e-5f);
    }
    EXPECT_EQ(editor.mouse, glm::vec2(1.0f, 1.0f)) << "the editor keeps viewport units";
}

TEST_F(GameSchemes, ShootHoldsWhileClickAndPauseFireOnce) {
    frame({mouse_button_event(SDL_BUTTON_LEFT, true, 10, 10), key_event(SDL_SCANCODE_ESCAPE, true)});
    EXPECT_TRUE(player.shoot);
    EXPECT_TRUE(player.click);
    EXPECT_TRUE(player.pause_game);
    EXPECT_TRUE(editor.clicked);
    EXPECT_TRUE(editor.mouse_down);
    for (int i = 0; i < 3; ++i) {
        frame({});
        EXPECT_TRUE(player.shoot);
        EXPECT_TRUE(editor.mouse_down);
        EXPECT_FALSE(player.click);
        EXPECT_FALSE(player.pause_game);
        EXPECT_FALSE(editor.clicked);
    }
    frame({mouse_button_event(SDL_BUTTON_LEFT, false, 10, 10)});
    EXPECT_FALSE(player.shoot);
    // Space shoots too.
    frame({key_event(SDL_SCANCODE_SPACE, true)});
    EXPECT_TRUE(player.shoot);
    EXPECT_FALSE(player.click);
    frame({});
    EXPECT_TRUE(player.shoot);
}

TEST_F(GameSchemes, EditorTriggersFireInTheFrameOfThePress) {
    frame({key_event(SDL_SCANCODE_Q, true), key_event(SDL_SCANCODE_R, true), key_event(SDL_SCANCODE_GRAVE, true),
           mouse_button_event(SDL_BUTTON_RIGHT, true, 0, 0), mouse_wheel_event(0.0f, 1.0f)});
    EXPECT_TRUE(editor.snap_camera_to_play_area);
    EXPECT_TRUE(editor.reset);
    EXPECT_TRUE(editor.toggle_editor);
    EXPECT_TRUE(editor.editor_camera_pan_active);
    EXPECT_EQ(editor.wheel, 1.0f);
    EXPECT_FALSE(editor.mouse_down) << "the right button is not the left";
    frame({});
    EXPECT_FALSE(editor.snap_camera_to_play_area);
    EXPECT_FALSE(editor.reset);
    EXPECT_FALSE(editor.toggle_editor);
    EXPECT_TRUE(editor.editor_camera_pan_active);
    EXPECT_EQ(editor.wheel, 0.0f);
    frame({mouse_wheel_event(0.0f, 1.0f, true)});
    EXPECT_EQ(editor.wheel, -1.0f);
}

TEST_F(GameSchemes, PreviousMouseValuesLagOneFrame) {
    frame({mouse_motion_event(200, 100, 0, 0)});
    frame({mouse_motion_event(300, 50, 100, -50)});
    EXPECT_EQ(editor.previous_mouse, glm::vec2(0.5f, 0.5f));
    EXPECT_NEAR(editor.previous_mouse_world.x, 3.0f, 1e-5f);
    EXPECT_NEAR(editor.previous_mouse_world.y, -2.0f, 1e-5f);
    EXPECT_EQ(editor.mouse, glm::vec2(0.75f, 0.75f));
    frame({});
    EXPECT_EQ(editor.previous_mouse, glm::vec2(0.75f, 0.75f));
    EXPECT_NEAR(editor.previous_mouse_world.x, 8.0f, 1e-5f);
    EXPECT_NEAR(editor.previous_mouse_world.y, 0.5f, 1e-5f);
}

// A restarted run starts where the mouse is: its first refresh reports no motion, the ones after it lag again.
TEST_F(GameSchemes, AfterForgettingMotionTheNextRefreshHasNone) {
    frame({mouse_motion_event(200, 100, 0, 0)});
    editor.forget_motion();
    frame({mouse_motion_event(300, 50, 100, -50)});
    EXPECT_EQ(editor.previous_mouse, glm::vec2(0.75f, 0.75f));
    EXPECT_EQ(editor.previous_mouse_world, editor.mouse_world);
    EXPECT_NEAR(editor.mouse_world.x, 8.0f, 1e-5f);
    frame({mouse_motion_event(200, 100, -100, 50)});
    EXPECT_EQ(editor.previous_mouse, glm::vec2(0.75f, 0.75f));
    EXPECT_EQ(editor.mouse, glm::vec2(0.5f, 0.5f));
}

TEST_F(GameSchemes, AMovedCameraMovesTheWorldPosition) {
    frame({mouse_motion_event(300, 50, 0, 0)});
    camera.position = {-1.0f, 4.0f, 0.0f};
    camera.update_matrices();
    frame({});
    EXPECT_NEAR(player.aim.x, 4.0f, 1e-5f);
    EXPECT_NEAR(player.aim.y, 6.5f, 1e-5f);
}
