#include "Game/Input/PlayerInputScheme.h"

#include <SDL2/SDL_scancode.h>
#include <glm/geometric.hpp>

#include "Game/Input/ScreenToWorld.h"

void PlayerInputScheme::bind(InputBinder& binder) {
    bind_axis_vec2(binder, &movement, "Movement")
        .add(input_code_keyboard(SDL_SCANCODE_W), {0.0f, 1.0f})
        .add(input_code_keyboard(SDL_SCANCODE_A), {-1.0f, 0.0f})
        .add(input_code_keyboard(SDL_SCANCODE_S), {0.0f, -1.0f})
        .add(input_code_keyboard(SDL_SCANCODE_D), {1.0f, 0.0f});
    bind_axis_vec2(binder, &aim, "Aim")
        .add(input_code_mouse(MousePositionX), {1.0f, 0.0f})
        .add(input_code_mouse(MousePositionY), {0.0f, 1.0f});
    bind_axis_vec2(binder, &aim_keyboard, "Aim Keyboard")
        .add(input_code_keyboard(SDL_SCANCODE_RIGHT), {1.0f, 0.0f})
        .add(input_code_keyboard(SDL_SCANCODE_LEFT), {-1.0f, 0.0f})
        .add(input_code_keyboard(SDL_SCANCODE_UP), {0.0f, 1.0f})
        .add(input_code_keyboard(SDL_SCANCODE_DOWN), {0.0f, -1.0f});
    bind_is_down(binder, &shoot, "Shoot")
        .add(input_code_mouse(MouseLeft), {1.0f, 0.0f})
        .add(input_code_keyboard(SDL_SCANCODE_SPACE), {1.0f, 0.0f});
    bind_was_pressed(binder, &click, "Click").add(input_code_mouse(MouseLeft), {1.0f, 0.0f});
    bind_was_pressed(binder, &pause_game, "Pause game").add(input_code_keyboard(SDL_SCANCODE_ESCAPE), {1.0f, 0.0f});
}

void PlayerInputScheme::after_read() {
    aim = screen_to_world(camera, aim);
    keyboard_aim = glm::length(aim_keyboard) > 0.0f;
    aim_world = aim;
}
