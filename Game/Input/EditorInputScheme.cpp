#include "Game/Input/EditorInputScheme.h"

#include <SDL2/SDL_scancode.h>

#include "Game/Input/ScreenToWorld.h"

void EditorInputScheme::bind(InputBinder& binder) {
    bind_axis_vec2(binder, &mouse, "Mouse")
        .add(input_code_mouse(MousePositionX), {1.0f, 0.0f})
        .add(input_code_mouse(MousePositionY), {0.0f, 1.0f});
    bind_was_pressed(binder, &clicked, "Clicked").add(input_code_mouse(MouseLeft), {1.0f, 0.0f});
    bind_is_down(binder, &mouse_down, "Mouse Down").add(input_code_mouse(MouseLeft), {1.0f, 0.0f});
    bind_is_down(binder, &editor_camera_pan_active, "EditorCameraPanActive")
        .add(input_code_mouse(MouseRight), {1.0f, 0.0f});
    bind_was_pressed(binder, &snap_camera_to_play_area, "snapCameraToPlayArea")
        .add(input_code_keyboard(SDL_SCANCODE_Q), {1.0f, 0.0f});
    bind_axis_float(binder, &wheel, "Wheel").add(input_code_mouse(MouseWheelY), {1.0f, 0.0f});
    bind_was_pressed(binder, &reset, "reset").add(input_code_keyboard(SDL_SCANCODE_R), {1.0f, 0.0f});
    bind_was_pressed(binder, &toggle_editor, "toggle_editor")
        .add(input_code_keyboard(SDL_SCANCODE_GRAVE), {1.0f, 0.0f});
}

void EditorInputScheme::before_read() {
    previous_mouse = mouse;
    previous_mouse_world = mouse_world;
}

void EditorInputScheme::after_read() {
    mouse_world = screen_to_world(camera, mouse);
    if (m_forget_motion) {
        m_forget_motion = false;
        previous_mouse = mouse;
        previous_mouse_world = mouse_world;
    }
}
