#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Engine/Input/InputAxes.h"
#include "Engine/Input/InputScheme.h"
#include "Engine/Input/InputState.h"
#include "Support/InputEvents.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

// One field of every kind; the hooks record the order of a refresh.
class TestScheme : public InputSchemeBase {
public:
    void bind(InputBinder& binder) override {
        ++binds;
        calls.push_back("bind");
        bind_axis_float(binder, &throttle, "Throttle").add(input_code_keyboard(SDL_SCANCODE_W), {0.5f, 9.0f});
        bind_axis_vec2(binder, &pointer, "Pointer")
            .add(input_code_mouse(MousePositionX), {1.0f, 0.0f})
            .add(input_code_mouse(MousePositionY), {0.0f, 1.0f});
        bind_is_down(binder, &fire, "Fire").add(input_code_mouse(MouseLeft), {1.0f, 0.0f});
        bind_was_pressed(binder, &click, "Click").add(input_code_mouse(MouseLeft), {1.0f, 0.0f});
        // Same axis as the trigger above: the press belongs to the name, so this one never sees it.
        bind_was_pressed(binder, &click_again, "Click");
    }
    void before_read() override { calls.push_back(fire ? "before:fire" : "before"); }
    void after_read() override { calls.push_back(fire ? "after:fire" : "after"); }

    int binds = 0;
    std::vector<std::string> calls;
    float throttle = -1.0f;
    glm::vec2 pointer{-1.0f};
    bool fire = false;
    bool click = false;
    bool click_again = false;
};

class EmptyScheme : public InputSchemeBase {
public:
    void bind(InputBinder&) override { ++binds; }
    int binds = 0;
};

class Schemes : public ::testing::Test {
protected:
    void frame(std::initializer_list<SDL_Event> events) { input_frame(input, axes, ++tick, events, {&scheme}); }

    InputState input;
    InputAxes axes{&input};
    TestScheme scheme;
    uint32_t tick = 0;
};

} // namespace

TEST_F(Schemes, BindsOnTheFirstRefreshAndThenReadsEveryField) {
    EXPECT_TRUE(scheme.targets().empty()) << "registration alone does not bind";
    input.set_viewport({0, 0, 200, 100});
    frame({key_event(SDL_SCANCODE_W, true), mouse_motion_event(50, 25, 0, 0)});
    ASSERT_EQ(scheme.targets().size(), 5u);
    EXPECT_EQ(scheme.targets()[0].kind, InputTargetAxisFloat);
    EXPECT_EQ(scheme.targets()[1].kind, InputTargetAxisVec2);
    EXPECT_EQ(scheme.targets()[2].kind, InputTargetIsDown);
    EXPECT_EQ(scheme.targets()[3].kind, InputTargetWasPressed);
    EXPECT_EQ(scheme.targets()[1].name, "Pointer");
    EXPECT_EQ(scheme.targets()[1].target, &scheme.pointer);
    EXPECT_EQ(scheme.calls, (std::vector<std::string>{"bind", "before", "after"}));

    EXPECT_EQ(scheme.throttle, 0.5f) << "the x of the axis";
    EXPECT_EQ(scheme.pointer, glm::vec2(0.25f, 0.75f));
    EXPECT_FALSE(scheme.fire);

    frame({});
    EXPECT_EQ(scheme.binds, 1);
    EXPECT_EQ(axes.axes().size(), 4u);
}

TEST_F(Schemes, ButtonsHoldAndTriggersFireOncePerPress) {
    frame({mouse_button_event(SDL_BUTTON_LEFT, true, 0, 0)});
    EXPECT_TRUE(scheme.fire);
    EXPECT_TRUE(scheme.click);
    EXPECT_FALSE(scheme.click_again) << "the first trigger of the name took the press";
    for (int i = 0; i < 5; ++i) {
        frame({});
        EXPECT_TRUE(scheme.fire);
        EXPECT_FALSE(scheme.click);
    }
    // Hooks see the fields of the previous and of this refresh.
    EXPECT_EQ(scheme.calls.back(), "after:fire");
    frame({mouse_button_event(SDL_BUTTON_LEFT, false, 0, 0)});
    EXPECT_FALSE(scheme.fire);
    EXPECT_FALSE(scheme.click);
    EXPECT_EQ(scheme.calls[scheme.calls.size() - 2], "before:fire");
    frame({mouse_button_event(SDL_BUTTON_LEFT, true, 0, 0)});
    EXPECT_TRUE(scheme.click);
}

TEST(InputSchemeBinding, ASchemeWithoutTargetsBindsOnEveryRefresh) {
    InputState input;
    InputAxes axes{&input};
    EmptyScheme scheme;
    for (uint32_t t = 1; t <= 3; ++t) {
        input_frame(input, axes, t, {}, {&scheme});
    }
    EXPECT_EQ(scheme.binds, 3);
}

TEST(InputSchemeBinding, ASecondSchemeOfTheSameNamesReadsTheFirstAxes) {
    InputState input;
    InputAxes axes{&input};
    TestScheme first;
    TestScheme second;
    input_frame(input, axes, 1, {}, {&first});
    testing::internal::CaptureStdout();
    input_frame(input, axes, 2, {key_event(SDL_SCANCODE_W, true)}, {&second});
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Tried to create an axis that already exists"), std::string::npos);
    EXPECT_EQ(second.throttle, 0.5f);
    EXPECT_EQ(axes.axes().at("Throttle").bindings.size(), 1u);
}

TEST(SceneInputSchemes, RegisteredSchemesRefreshInOrderUntilTheSceneStops) {
    std::vector<std::string> order;
    struct Recording : EmptyScheme {
        Recording(std::vector<std::string>* order, std::string name) : order(order), name(std::move(name)) {}
        void before_read() override { order->push_back(name); }
        std::vector<std::string>* order;
        std::string name;
    };
    Recording a{&order, "a"};
    Recording b{&order, "b"};
    TestScheme reader;
    SceneHarness harness{[&](HarnessScene& scene) {
        scene.register_input_scheme(a);
        scene.register_input_scheme(b);
        scene.register_input_scheme(reader);
    }};
    ASSERT_EQ(harness.scene->input_schemes().size(), 3u);
    // The schemes read the engine's input through the engine's axes.
    harness.engine.input().handle_event(key_event(SDL_SCANCODE_W, true));
    harness.scene->update_input_schemes();
    EXPECT_EQ(reader.throttle, 0.5f);
    EXPECT_TRUE(harness.engine.input_axes().axes().contains("Throttle"));
    harness.scene->update_input_schemes();
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "a", "b"}));
    harness.scene->stop();
    EXPECT_TRUE(harness.scene->input_schemes().empty());
}
