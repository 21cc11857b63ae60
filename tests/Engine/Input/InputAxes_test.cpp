#include <cmath>
#include <string>

#include <SDL2/SDL.h>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "Engine/Input/InputAxes.h"
#include "Engine/Input/InputState.h"
#include "Support/InputEvents.h"

using namespace test_support;

namespace {

const InputCode kW = input_code_keyboard(SDL_SCANCODE_W);
const InputCode kS = input_code_keyboard(SDL_SCANCODE_S);
const InputCode kD = input_code_keyboard(SDL_SCANCODE_D);

class Axes : public ::testing::Test {
protected:
    void frame(std::initializer_list<SDL_Event> events) { input_frame(input, axes, ++tick, events); }
    void press(SDL_Scancode key) { frame({key_event(key, true)}); }
    void release(SDL_Scancode key) { frame({key_event(key, false)}); }

    InputState input;
    InputAxes axes{&input};
    uint32_t tick = 0;
};

} // namespace

TEST_F(Axes, OppositeKeysCancel) {
    axes.create_axis("Move").add(kW, {0.0f, 1.0f}).add(kS, {0.0f, -1.0f});
    EXPECT_EQ(axes.value("Move"), glm::vec2(0.0f, 0.0f));
    press(SDL_SCANCODE_W);
    EXPECT_EQ(axes.value("Move"), glm::vec2(0.0f, 1.0f));
    press(SDL_SCANCODE_S);
    EXPECT_EQ(axes.value("Move"), glm::vec2(0.0f, 0.0f));
    release(SDL_SCANCODE_W);
    EXPECT_EQ(axes.value("Move"), glm::vec2(0.0f, -1.0f));
}

TEST_F(Axes, UnknownNamesReadZeroAndNeverFire) {
    EXPECT_EQ(axes.value("nothing"), glm::vec2(0.0f));
    EXPECT_FALSE(axes.is_down("nothing"));
    EXPECT_FALSE(axes.was_pressed("nothing"));
}

TEST_F(Axes, AHeldKeyIsDownEveryFrameButPressedOnce) {
    axes.create_axis("Fire").add(kW, {1.0f, 0.0f});
    press(SDL_SCANCODE_W);
    int down = 0;
    int pressed = 0;
    for (int i = 0; i < 10; ++i) {
        if (i > 0) {
            frame({});
        }
        down += axes.is_down("Fire") ? 1 : 0;
        pressed += axes.was_pressed("Fire") ? 1 : 0;
        if (i == 0) {
            EXPECT_EQ(pressed, 1) << "the first frame fires";
        }
    }
    EXPECT_EQ(down, 10);
    EXPECT_EQ(pressed, 1);
    release(SDL_SCANCODE_W);
    EXPECT_FALSE(axes.was_pressed("Fire"));
    press(SDL_SCANCODE_W);
    EXPECT_TRUE(axes.was_pressed("Fire"));
    EXPECT_FALSE(axes.was_pressed("Fire"));
}

TEST_F(Axes, DownMeansXWithinAHundredthOfAThousandthOfOne) {
    struct Case {
        float weight_x;
        bool down;
    };
    // (0.99995 - 1)^2 = 2.5e-9 < 1e-8; (0.999 - 1)^2 = 1e-6.
    const Case cases[] = {{0.99995f, true}, {0.999f, false}, {1.00005f, true}, {1.0f, true}, {0.0f, false}};
    press(SDL_SCANCODE_W);
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.weight_x);
        axes.create_axis(name).add(kW, {c.weight_x, 0.0f});
        EXPECT_EQ(axes.is_down(name), c.down) << name;
        EXPECT_EQ(axes.was_pressed(name), c.down) << name;
    }
    // Only x counts, also for a vec2 axis.
    axes.create_axis("y only").add(kW, {0.0f, 1.0f});
    EXPECT_FALSE(axes.is_down("y only"));
}

TEST_F(Axes, DeadZoneIsStrict) {
    const InputCode stick_x = input_code_controller_axis(SDL_CONTROLLER_AXIS_LEFTX);
    InputAxis* axis = axes.create_axis("Stick").add(stick_x, {1.0f, 0.0f}).axis;
    axis->dead_zone = 0.2f;
    struct Case {
        glm::vec2 weight;
        glm::vec2 expected;
    };
    // The stick at full deflection, so the weights are the readings.
    const Case cases[] = {{{0.1f, 0.1f}, {0.0f, 0.0f}}, {{0.2f, 0.0f}, {0.2f, 0.0f}}, {{0.0f, 0.3f}, {0.0f, 0.3f}}};
    frame({controller_axis_event(SDL_CONTROLLER_AXIS_LEFTX, 32767)});
    for (const Case& c : cases) {
        axis->bindings[stick_x] = c.weight;
        EXPECT_EQ(axes.value("Stick"), c.expected) << c.weight.x << "," << c.weight.y;
    }
}

TEST_F(Axes, NormaliseAndClampToUnitLength) {
    struct Case {
        uint8_t normalise, clamp;
        glm::vec2 weight_w, weight_d;
        glm::vec2 expected;
    };
    const float h = 1.0f / std::sqrt(2.0f);
    const Case cases[] = {
        {1, 0, {0.0f, 1.0f}, {1.0f, 0.0f}, {h, h}},        {0, 1, {0.0f, 1.0f}, {1.0f, 0.0f}, {h, h}},
        {1, 0, {0.0f, 0.5f}, {0.0f, 0.0f}, {0.0f, 1.0f}},  {0, 1, {0.0f, 0.5f}, {0.0f, 0.0f}, {0.0f, 0.5f}},
        {1, 0, {0.0f, 1.0f}, {0.0f, -1.0f}, {0.0f, 0.0f}}, // zero stays zero
        {0, 0, {0.0f, 1.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}},
    };
    press(SDL_SCANCODE_W);
    press(SDL_SCANCODE_D);
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "axis" + std::to_string(n++);
        InputAxisRef ref = axes.create_axis(name).add(kW, c.weight_w).add(kD, c.weight_d);
        ref.axis->normalise = c.normalise;
        ref.axis->clamp_to_unit_length = c.clamp;
        const glm::vec2 v = axes.value(name);
        EXPECT_FLOAT_EQ(v.x, c.expected.x) << name;
        EXPECT_FLOAT_EQ(v.y, c.expected.y) << name;
    }
}

TEST_F(Axes, CurrentTickOnlyIgnoresOlderWrites) {
    InputAxis* axis = axes.create_axis("Now").add(kW, {1.0f, 0.0f}).add(kS, {0.0f, 1.0f}).axis;
    axis->current_tick_only = 1;
    press(SDL_SCANCODE_W);
    EXPECT_EQ(axes.value("Now"), glm::vec2(1.0f, 0.0f));
    press(SDL_SCANCODE_S);
    EXPECT_EQ(axes.value("Now"), glm::vec2(0.0f, 1.0f)) << "W is still held but was written a tick ago";
    frame({});
    EXPECT_EQ(axes.value("Now"), glm::vec2(0.0f, 0.0f));
}

TEST_F(Axes, MostRecentSourceOnlyTakesTheLatestWrite) {
    const InputCode left = input_code_mouse(MouseLeft);
    InputAxisRef ref = axes.create_axis("Latest").add(left, {2.0f, 0.0f}).add(kW, {0.0f, 3.0f});
    ref.axis->most_recent_source_only = 1;
    EXPECT_EQ(axes.value("Latest"), glm::vec2(0.0f)) << "never-written sources are never taken";
    tick = 6;
    frame({mouse_button_event(SDL_BUTTON_LEFT, true, 0, 0)}); // tick 7
    EXPECT_EQ(axes.value("Latest"), glm::vec2(2.0f, 0.0f));
    frame({});
    frame({key_event(SDL_SCANCODE_W, true)}); // tick 9
    EXPECT_EQ(axes.value("Latest"), glm::vec2(0.0f, 3.0f)) << "the key alone, though the button is held";

    ref.axis->current_tick_only = 1;
    EXPECT_EQ(axes.value("Latest"), glm::vec2(0.0f, 3.0f));
    frame({});
    EXPECT_EQ(axes.value("Latest"), glm::vec2(0.0f)) << "the latest write is a tick old";
}

TEST_F(Axes, CreatingANameTwiceIsReportedAndKeepsTheFirstBindings) {
    InputAxisRef first = axes.create_axis("Shoot");
    first.add(kW, {1.0f, 0.0f});
    testing::internal::CaptureStdout();
    InputAxisRef second = axes.create_axis("Shoot");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Tried to create an axis that already exists");
    EXPECT_NE(second.axis, first.axis);
    second.add(kS, {1.0f, 0.0f});
    ASSERT_EQ(first.bindings->size(), 1u);
    EXPECT_TRUE(first.bindings->contains(kW));
    press(SDL_SCANCODE_S);
    EXPECT_EQ(axes.value("Shoot"), glm::vec2(0.0f)) << "the second binding went to the unused axis";
}

TEST_F(Axes, BindingsAreKeyedBySlotAndKeepTheirFirstWeight) {
    InputAxisRef ref = axes.create_axis("A");
    ref.add(kW, {1.0f, 0.0f});
    ref.add(kW, {5.0f, 5.0f});
    ref.add({InputDeviceMouse, kW.slot}, {7.0f, 7.0f});
    ASSERT_EQ(ref.bindings->size(), 1u);
    EXPECT_EQ(ref.bindings->at(kW), glm::vec2(1.0f, 0.0f));
}
