#pragma once
// The controls of the editor tools and the editor toggle.

#include <glm/vec2.hpp>

#include "Engine/Input/InputScheme.h"

struct Camera;

class EditorInputScheme : public InputSchemeBase {
public:
    explicit EditorInputScheme(Camera* camera) : camera(camera) {}

    void bind(InputBinder& binder) override;
    // Keeps this frame's mouse values as the previous ones before they are refreshed.
    void before_read() override;
    void after_read() override;
    // The next refresh reports no mouse motion: a restarted run does not pan or cut along the way from wherever
    // the run before left the mouse.
    void forget_motion() { m_forget_motion = true; }

    glm::vec2 mouse{0.0f}; // viewport units
    bool clicked = false;
    bool mouse_down = false;
    bool editor_camera_pan_active = false;
    bool snap_camera_to_play_area = false;
    float wheel = 0.0f;
    bool reset = false;
    bool toggle_editor = false;
    Camera* camera = nullptr;
    glm::vec2 mouse_world{0.0f};
    glm::vec2 previous_mouse_world{0.0f};
    glm::vec2 previous_mouse{0.0f};

private:
    bool m_forget_motion = false;
};
