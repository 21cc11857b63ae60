#include "Editor/EditorCameraControllerSystem.h"

#include <algorithm>

#include "Engine/Graphics/Camera.h"
#include "Engine/Graphics/DebugLines.h"
#include "Game/Input/EditorInputScheme.h"

EditorCameraControllerSystem::EditorCameraControllerSystem(SceneBase&, EditorInputScheme* input)
    : SystemBase(kName), m_input(input) {}

void EditorCameraControllerSystem::update(const SimulationTick&) {
    // A small cross marks the world point under the mouse.
    const glm::vec2 p = m_input->mouse_world;
    DebugLines& lines = debug_lines();
    debug_line(lines, {p.x - kCrossHalf, p.y}, {p.x + kCrossHalf, p.y}, DebugName::Default);
    debug_line(lines, {p.x, p.y - kCrossHalf}, {p.x, p.y + kCrossHalf}, DebugName::Default);
    move_camera();
}

void EditorCameraControllerSystem::update_undrawn(const SimulationTick&) { move_camera(); }

void EditorCameraControllerSystem::move_camera() {
    if (!m_input->editor_camera_pan_active) {
        return;
    }
    const glm::vec2 d = m_input->mouse - m_input->previous_mouse;
    const float z = -m_input->wheel / 10.0f;
    Camera& cam = camera();
    const float h = cam.size;
    const float a = cam.aspect;
    // The view is 2ha wide and 2h high: moving by the mouse's share of it keeps the grabbed point under it.
    cam.position.x -= 2.0f * h * a * d.x;
    cam.position.y -= 2.0f * h * d.y;
    float size = h;
    if (z != 0.0f) {
        size = std::clamp((1.0f + z) * h, kMinSize, kMaxSize);
    }
    cam.set_ortho(size, a, cam.depth);
}
