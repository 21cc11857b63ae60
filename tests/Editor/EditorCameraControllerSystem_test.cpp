#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <glm/geometric.hpp>

#include "Editor/EditorCameraControllerSystem.h"
#include "Engine/Graphics/Camera.h"
#include "Engine/Graphics/DebugLines.h"
#include "Game/Input/EditorInputScheme.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

struct EditorCameraFixture {
    EditorCameraFixture()
        : harness([this](HarnessScene& scene) {
              system = &scene.register_system<EditorCameraControllerSystem>(SystemGroup::Render, scene, &input);
          }) {
        system->attach(*harness.scene);
        camera().position = glm::vec3(1.0f, 2.0f, 0.0f);
        camera().set_ortho(5.0f, 2.0f, 5.0f);
    }

    Camera& camera() { return harness.scene->camera(); }
    void frame() { system->update(make_tick(1, 1.0f / 60.0f, false)); }

    EditorInputScheme input{nullptr};
    EditorCameraControllerSystem* system = nullptr;
    SceneHarness harness;
};

struct EditorCameraCase {
    const char* name;
    bool pan;
    glm::vec2 previous_mouse;
    glm::vec2 mouse;
    float wheel;
    glm::vec2 position;
    float size;
};

class EditorCamera : public testing::TestWithParam<EditorCameraCase> {};

TEST_P(EditorCamera, RightButtonPansAndZooms) {
    const EditorCameraCase& c = GetParam();
    EditorCameraFixture f;
    f.input.editor_camera_pan_active = c.pan;
    f.input.previous_mouse = c.previous_mouse;
    f.input.mouse = c.mouse;
    f.input.wheel = c.wheel;
    f.frame();
    EXPECT_FLOAT_EQ(f.camera().position.x, c.position.x);
    EXPECT_FLOAT_EQ(f.camera().position.y, c.position.y);
    EXPECT_FLOAT_EQ(f.camera().size, c.size);
    EXPECT_FLOAT_EQ(f.camera().aspect, 2.0f);
    EXPECT_FLOAT_EQ(f.camera().depth, 5.0f);
    // The matrices follow the new position and size.
    const AxisAlignedArea seen = f.camera().visible_area;
    EXPECT_NEAR(seen.max.y - seen.min.y, 2.0f * c.size, 1e-5f * c.size);
    EXPECT_NEAR((seen.min.x + seen.max.x) * 0.5f, c.position.x, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorCamera,
    testing::Values(
        EditorCameraCase{"WheelWithoutButtonDoesNothing", false, {0.5f, 0.5f}, {0.6f, 0.5f}, 3.0f, {1.0f, 2.0f}, 5.0f},
        EditorCameraCase{"HeldStillStays", true, {0.5f, 0.5f}, {0.5f, 0.5f}, 0.0f, {1.0f, 2.0f}, 5.0f},
        // A tenth of the view's width (20) and height (10) the other way.
        EditorCameraCase{"DragMovesAgainstTheMouse", true, {0.5f, 0.5f}, {0.6f, 0.4f}, 0.0f, {-1.0f, 3.0f}, 5.0f},
        EditorCameraCase{"WheelUpZoomsIn", true, {0.5f, 0.5f}, {0.5f, 0.5f}, 1.0f, {1.0f, 2.0f}, 4.5f},
        EditorCameraCase{"WheelDownZoomsOut", true, {0.5f, 0.5f}, {0.5f, 0.5f}, -1.0f, {1.0f, 2.0f}, 5.5f},
        // A factor of 0 or below would flatten or mirror the view.
        EditorCameraCase{"HugeWheelStopsAtTheClosestZoom",
                         true,
                         {0.5f, 0.5f},
                         {0.5f, 0.5f},
                         30.0f,
                         {1.0f, 2.0f},
                         EditorCameraControllerSystem::kMinSize},
        EditorCameraCase{"HugeWheelDownStopsAtTheWidestZoom",
                         true,
                         {0.5f, 0.5f},
                         {0.5f, 0.5f},
                         -1e6f,
                         {1.0f, 2.0f},
                         EditorCameraControllerSystem::kMaxSize}),
    [](const testing::TestParamInfo<EditorCameraCase>& info) { return std::string(info.param.name); });

// The cross at the mouse's world position goes into the render group's buffer, with or without the right button,
// and only while its debug name is on.
TEST(EditorCameraCross, MarksTheMouseInTheWorld) {
    for (const bool pan : {false, true}) {
        EditorCameraFixture f;
        f.input.editor_camera_pan_active = pan;
        f.input.mouse_world = glm::vec2(3.0f, -1.5f);
        debug_lines_render().clear();
        debug_renderer_settings = DebugRendererSettings::defaults();
        f.frame();
        EXPECT_EQ(debug_lines_render().size(), 0u) << "the default name is off by default";

        debug_renderer_settings.names[DebugName::Default].enabled = 1;
        f.frame();
        const std::vector<DebugLine> lines = debug_lines_render().lines();
        debug_renderer_settings = DebugRendererSettings::defaults();
        debug_lines_render().clear();
        ASSERT_EQ(lines.size(), 2u) << "pan " << pan;
        EXPECT_LT(glm::distance(lines[0].a, glm::vec2(2.8f, -1.5f)), 1e-6f);
        EXPECT_LT(glm::distance(lines[0].b, glm::vec2(3.2f, -1.5f)), 1e-6f);
        EXPECT_LT(glm::distance(lines[1].a, glm::vec2(3.0f, -1.7f)), 1e-6f);
        EXPECT_LT(glm::distance(lines[1].b, glm::vec2(3.0f, -1.3f)), 1e-6f);
        for (const DebugLine& line : lines) {
            EXPECT_EQ(line.name, DebugName::Default);
            EXPECT_EQ(line.layer, DebugLayer::Default);
        }
    }
}

} // namespace
