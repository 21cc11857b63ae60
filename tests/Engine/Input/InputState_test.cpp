#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Engine/Input/InputState.h"
#include "Support/InputEvents.h"

using namespace test_support;

namespace {

constexpr uint32_t kSlotW = 26;
constexpr uint32_t kSlotMouseX = 544;
constexpr uint32_t kSlotMouseY = 545;
constexpr uint32_t kSlotRelX = 548;
constexpr uint32_t kSlotRelY = 549;
constexpr uint32_t kSlotWheelX = 550;
constexpr uint32_t kSlotWheelY = 551;

InputSlot slot_at(const InputState& input, uint32_t slot) { return input.slot({0, slot}); }

// Every slot's value, to show that an ignored event writes nothing.
std::vector<float> all_values(const InputState& input) {
    std::vector<float> values;
    for (uint32_t s = 0; s < kInputSlotCount; ++s) {
        values.push_back(slot_at(input, s).value);
    }
    return values;
}

// As a damaged recording could carry it: the bytes of the scancode field, whatever the enum allows.
SDL_Event key_event_with_raw_scancode(uint32_t raw) {
    SDL_Event event = key_event(SDL_SCANCODE_A, true);
    static_assert(sizeof(event.key.keysym.scancode) == sizeof(raw));
    std::memcpy(&event.key.keysym.scancode, &raw, sizeof raw);
    return event;
}

} // namespace

TEST(InputCodes, MakersPlaceEachDeviceInItsSlots) {
    EXPECT_EQ(input_code_keyboard(26), (InputCode{0, 26}));
    EXPECT_EQ(input_code_mouse(0), (InputCode{1, 539}));
    EXPECT_EQ(input_code_mouse(12), (InputCode{1, 551}));
    EXPECT_EQ(input_code_controller_button(0), (InputCode{2, 518}));
    EXPECT_EQ(input_code_controller_button(20), (InputCode{2, 538}));
    EXPECT_EQ(input_code_controller_axis(5), (InputCode{3, 517}));
}

TEST(InputState, NewStateIsIdle) {
    InputState input;
    EXPECT_EQ(input.viewport(), (ViewportRect{0, 0, 400, 400}));
    EXPECT_EQ(input.tick(), 0u);
    EXPECT_EQ(input.last_changed(), (InputCode{0, 0}));
    EXPECT_FALSE(input.has_controller());
    for (uint32_t s = 0; s < kInputSlotCount; ++s) {
        ASSERT_EQ(slot_at(input, s).value, 0.0f);
        ASSERT_EQ(slot_at(input, s).tick, 0u);
    }
    EXPECT_THROW(input.slot({0, 1024}), std::out_of_range);
}

TEST(InputState, KeysWriteTheirScancodeSlotWithTickAndTime) {
    InputState input;
    input.begin_tick(5, 0.25f);
    input.handle_event(key_event(SDL_SCANCODE_W, true));
    InputSlot w = slot_at(input, kSlotW);
    EXPECT_EQ(w.value, 1.0f);
    EXPECT_EQ(w.tick, 5u);
    EXPECT_EQ(w.time, 0.25f);
    EXPECT_EQ(input.last_changed(), input_code_keyboard(SDL_SCANCODE_W));

    // Held: the value stays, with the tick of the press.
    input.begin_tick(6, 0.3f);
    EXPECT_EQ(slot_at(input, kSlotW).value, 1.0f);
    EXPECT_EQ(slot_at(input, kSlotW).tick, 5u);

    // A repeat writes 1 again with the new tick.
    input.begin_tick(7, 0.35f);
    input.handle_event(key_event(SDL_SCANCODE_W, true, true));
    EXPECT_EQ(slot_at(input, kSlotW).tick, 7u);

    // Pressed and released in one frame: 0 with the current tick.
    input.begin_tick(8, 0.4f);
    input.handle_event(key_event(SDL_SCANCODE_W, true));
    input.handle_event(key_event(SDL_SCANCODE_W, false));
    EXPECT_EQ(slot_at(input, kSlotW).value, 0.0f);
    EXPECT_EQ(slot_at(input, kSlotW).tick, 8u);
}

TEST(InputState, PointerPositionsAreNormalisedToTheViewportWithYUp) {
    struct Case {
        int32_t x, y;
        float mouse_x, mouse_y;
    };
    const Case cases[] = {
        {300, 150, 0.5f, 0.5f},   // centre of {100, 50, 400, 200}
        {100, 250, 0.0f, 0.0f},   // bottom left
        {500, 50, 1.0f, 1.0f},    // top right
        {200, 100, 0.25f, 0.75f}, // a quarter in from the left, a quarter down from the top
    };
    for (const Case& c : cases) {
        InputState input;
        input.set_viewport({100, 50, 400, 200});
        input.handle_event(mouse_motion_event(c.x, c.y, 0, 0));
        EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseX).value, c.mouse_x) << c.x << "," << c.y;
        EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseY).value, c.mouse_y) << c.x << "," << c.y;

        // Button events carry the position too.
        InputState buttons;
        buttons.set_viewport({100, 50, 400, 200});
        buttons.handle_event(mouse_button_event(SDL_BUTTON_LEFT, true, c.x, c.y));
        EXPECT_FLOAT_EQ(slot_at(buttons, kSlotMouseX).value, c.mouse_x);
        EXPECT_FLOAT_EQ(slot_at(buttons, kSlotMouseY).value, c.mouse_y);
    }
}

TEST(InputState, RelativeMotionIsInViewportSizesAndZeroedByTheNextTick) {
    InputState input;
    input.set_viewport({100, 50, 400, 200});
    input.begin_tick(3, 0.05f);
    // Right 40 pixels and up 20 (SDL's y grows downwards), with left and right buttons held.
    input.handle_event(mouse_motion_event(300, 150, 40, -20, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK));
    EXPECT_FLOAT_EQ(slot_at(input, kSlotRelX).value, 0.1f);
    EXPECT_FLOAT_EQ(slot_at(input, kSlotRelY).value, 0.1f);
    const float buttons[] = {1.0f, 0.0f, 1.0f, 0.0f, 0.0f};
    for (uint32_t n = 0; n < 5; ++n) {
        EXPECT_EQ(input.slot(input_code_mouse(n)).value, buttons[n]) << "mouse button " << n;
    }
    EXPECT_EQ(input.last_changed(), input_code_mouse(MouseExtra2));

    input.begin_tick(4, 0.1f);
    EXPECT_EQ(slot_at(input, kSlotRelX).value, 0.0f);
    EXPECT_EQ(slot_at(input, kSlotRelY).value, 0.0f);
    EXPECT_EQ(slot_at(input, kSlotRelX).tick, 3u) << "begin_tick clears the value only";
    EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseX).value, 0.5f) << "the position stays";
}

TEST(InputState, AZeroSizeViewportGivesFiniteValues) {
    InputState input;
    input.set_viewport({10, 20, 0, 0});
    input.handle_event(mouse_motion_event(13, 22, 5, -4));
    // Sizes count as one pixel.
    EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseX).value, 3.0f);
    EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseY).value, -1.0f);
    EXPECT_FLOAT_EQ(slot_at(input, kSlotRelX).value, 5.0f);
    EXPECT_FLOAT_EQ(slot_at(input, kSlotRelY).value, 4.0f);
}

// Values at the int limits (a live platform never sends them; the recording reader refuses them) are still
// differences of whole numbers, worked out here in double from the rule: no wrap-around, no overflow.
TEST(InputState, PointerArithmeticAtTheIntLimitsDoesNotWrap) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        ViewportRect viewport;
        int32_t x, y, yrel;
    };
    for (const Case& c : {Case{{kMin, kMin, 400, 200}, kMax, kMax, kMin}, Case{{kMax, kMax, 1, 1}, kMin, kMin, kMin},
                          Case{{0, 0, 400, 200}, kMin, kMax, kMax}}) {
        InputState input;
        input.set_viewport(c.viewport);
        input.handle_event(mouse_motion_event(c.x, c.y, 0, c.yrel));
        const double x = (static_cast<double>(c.x) - c.viewport.x) / c.viewport.width;
        const double y = 1.0 - (static_cast<double>(c.y) - c.viewport.y) / c.viewport.height;
        const double rel_y = -static_cast<double>(c.yrel) / c.viewport.height;
        EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseX).value, static_cast<float>(x)) << c.x;
        EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseY).value, static_cast<float>(y)) << c.y;
        EXPECT_FLOAT_EQ(slot_at(input, kSlotRelY).value, static_cast<float>(rel_y)) << c.yrel;

        input.handle_event(mouse_button_event(SDL_BUTTON_LEFT, true, c.x, c.y));
        EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseX).value, static_cast<float>(x));
        EXPECT_FLOAT_EQ(slot_at(input, kSlotMouseY).value, static_cast<float>(y));
    }
}

TEST(InputState, MouseButtonsOneToFiveWriteTheirCodes) {
    for (uint8_t button = 1; button <= 5; ++button) {
        InputState input;
        input.begin_tick(2, 0.0f);
        input.handle_event(mouse_button_event(button, true, 0, 0));
        EXPECT_EQ(input.slot(input_code_mouse(button - 1u)).value, 1.0f);
        EXPECT_EQ(input.last_changed(), input_code_mouse(button - 1u));
        input.handle_event(mouse_button_event(button, false, 0, 0));
        EXPECT_EQ(input.slot(input_code_mouse(button - 1u)).value, 0.0f);
    }
}

TEST(InputState, WheelIsPerNotchFlippedByDirectionAndZeroedByTheNextTick) {
    InputState input;
    input.begin_tick(1, 0.0f);
    input.handle_event(mouse_wheel_event(0.5f, 1.0f));
    EXPECT_EQ(slot_at(input, kSlotWheelX).value, 0.5f);
    EXPECT_EQ(slot_at(input, kSlotWheelY).value, 1.0f);
    input.handle_event(mouse_wheel_event(0.0f, 2.0f, true));
    EXPECT_EQ(slot_at(input, kSlotWheelY).value, -2.0f);
    input.begin_tick(2, 0.0f);
    EXPECT_EQ(slot_at(input, kSlotWheelX).value, 0.0f);
    EXPECT_EQ(slot_at(input, kSlotWheelY).value, 0.0f);
}

TEST(InputState, ControllerAxesAndButtons) {
    struct Case {
        int16_t value;
        float expected;
    };
    const Case cases[] = {{32767, 1.0f}, {-32768, -1.0000305f}, {0, 0.0f}, {16384, 0.50001526f}};
    for (const Case& c : cases) {
        InputState input;
        input.handle_event(controller_axis_event(SDL_CONTROLLER_AXIS_RIGHTY, c.value));
        EXPECT_FLOAT_EQ(input.slot(input_code_controller_axis(SDL_CONTROLLER_AXIS_RIGHTY)).value, c.expected);
    }
    InputState input;
    input.handle_event(controller_button_event(SDL_CONTROLLER_BUTTON_X, true));
    EXPECT_EQ(slot_at(input, 518 + SDL_CONTROLLER_BUTTON_X).value, 1.0f);
    input.handle_event(controller_button_event(SDL_CONTROLLER_BUTTON_X, false));
    EXPECT_EQ(slot_at(input, 518 + SDL_CONTROLLER_BUTTON_X).value, 0.0f);
}

// Events may come from a recording file, so their indices are checked before they reach a slot.
TEST(InputState, OutOfRangeIndicesFromEventsWriteNothing) {
    const SDL_Event events[] = {
        key_event_with_raw_scancode(512),  key_event_with_raw_scancode(100000), mouse_button_event(0, true, 0, 0),
        mouse_button_event(6, true, 0, 0), mouse_button_event(255, true, 0, 0), controller_axis_event(6, 32767),
        controller_axis_event(255, 32767), controller_button_event(21, true),   controller_button_event(255, true),
    };
    for (const SDL_Event& event : events) {
        InputState input;
        input.set_viewport({0, 0, 1, 1});
        input.handle_event(event);
        std::vector<float> values = all_values(input);
        // Button events still carry the pointer position (0, 0 here: x 0 and y 1 - 0 = 1).
        values[kSlotMouseY] = 0.0f;
        EXPECT_EQ(values, std::vector<float>(kInputSlotCount, 0.0f)) << "event type " << event.type;
    }
}

TEST(InputState, ResetReleasesEverySlotAndRebuildRestoresANewState) {
    InputState input;
    input.set_viewport({1, 2, 3, 4});
    input.begin_tick(9, 1.5f);
    input.handle_event(key_event(SDL_SCANCODE_SPACE, true));
    input.handle_event(mouse_button_event(SDL_BUTTON_RIGHT, true, 2, 3));
    input.reset();
    EXPECT_EQ(all_values(input), std::vector<float>(kInputSlotCount, 0.0f));
    EXPECT_EQ(input.slot(input_code_keyboard(SDL_SCANCODE_SPACE)).tick, 0u);
    EXPECT_EQ(input.tick(), 9u) << "reset keeps the frame";

    input.handle_event(key_event(SDL_SCANCODE_SPACE, true));
    input.rebuild();
    EXPECT_EQ(input.viewport(), (ViewportRect{0, 0, 400, 400}));
    EXPECT_EQ(input.tick(), 0u);
    EXPECT_EQ(input.time(), 0.0f);
    EXPECT_EQ(input.last_changed(), (InputCode{0, 0}));
    EXPECT_EQ(all_values(input), std::vector<float>(kInputSlotCount, 0.0f));
}

TEST(InputState, OtherEventTypesAreIgnored) {
    InputState input;
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    input.handle_event(event);
    event.type = SDL_WINDOWEVENT;
    input.handle_event(event);
    EXPECT_EQ(all_values(input), std::vector<float>(kInputSlotCount, 0.0f));
    EXPECT_EQ(input.last_changed(), (InputCode{0, 0}));
}

namespace {

// Virtual joysticks that SDL maps as game controllers stand in for real pads.
class VirtualControllers : public ::testing::Test {
protected:
    void SetUp() override {
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            GTEST_SKIP() << "no game controller subsystem: " << SDL_GetError();
        }
    }
    void TearDown() override { quit(); }

    void quit() {
        // Last first: detaching renumbers the devices after it.
        while (!m_attached.empty()) {
            SDL_JoystickDetachVirtual(m_attached.back());
            m_attached.pop_back();
        }
        if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0) {
            SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        }
    }

    // Returns the device index of a new virtual controller, as carried by a device-added event.
    int attach() {
        int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                              SDL_CONTROLLER_BUTTON_MAX, 0);
        EXPECT_GE(index, 0) << SDL_GetError();
        m_attached.push_back(index);
        return index;
    }

    static SDL_Event device_event(uint32_t type, int32_t which) {
        SDL_Event event{};
        event.type = type;
        event.cdevice.which = which;
        return event;
    }

    std::vector<int> m_attached;
};

} // namespace

TEST_F(VirtualControllers, OneControllerIsOpenedAndAnyRemovalClosesIt) {
    InputState input;
    const int first = attach();
    const int second = attach();
    ASSERT_TRUE(SDL_IsGameController(first));

    input.handle_event(device_event(SDL_CONTROLLERDEVICEADDED, first));
    ASSERT_TRUE(input.has_controller());
    input.handle_event(device_event(SDL_CONTROLLERDEVICEADDED, second));
    EXPECT_TRUE(input.has_controller());
    // Only the first device has an open controller.
    EXPECT_NE(SDL_GameControllerFromInstanceID(SDL_JoystickGetDeviceInstanceID(first)), nullptr);
    EXPECT_EQ(SDL_GameControllerFromInstanceID(SDL_JoystickGetDeviceInstanceID(second)), nullptr);

    // Whichever device goes, the open one is closed.
    input.handle_event(device_event(SDL_CONTROLLERDEVICEREMOVED, 12345));
    EXPECT_FALSE(input.has_controller());
    EXPECT_EQ(SDL_GameControllerFromInstanceID(SDL_JoystickGetDeviceInstanceID(first)), nullptr);
    input.handle_event(device_event(SDL_CONTROLLERDEVICEREMOVED, 12345));
    EXPECT_FALSE(input.has_controller());

    // A device that is not a game controller is not opened.
    input.handle_event(device_event(SDL_CONTROLLERDEVICEADDED, 99));
    EXPECT_FALSE(input.has_controller());
}
