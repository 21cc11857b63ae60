#include "InputEvents.h"

#include "Engine/Input/InputAxes.h"
#include "Engine/Input/InputScheme.h"
#include "Engine/Input/InputState.h"

namespace test_support {

SDL_Event key_event(SDL_Scancode scancode, bool down, bool repeat) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = scancode;
    return event;
}

SDL_Event mouse_motion_event(int32_t x, int32_t y, int32_t xrel, int32_t yrel, uint32_t button_state) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.xrel = xrel;
    event.motion.yrel = yrel;
    event.motion.state = button_state;
    return event;
}

SDL_Event mouse_button_event(uint8_t button, bool down, int32_t x, int32_t y) {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = x;
    event.button.y = y;
    return event;
}

SDL_Event mouse_wheel_event(float precise_x, float precise_y, bool flipped) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    event.wheel.preciseX = precise_x;
    event.wheel.preciseY = precise_y;
    event.wheel.x = static_cast<Sint32>(precise_x);
    event.wheel.y = static_cast<Sint32>(precise_y);
    return event;
}

SDL_Event controller_axis_event(uint8_t axis, int16_t value) {
    SDL_Event event{};
    event.type = SDL_CONTROLLERAXISMOTION;
    event.caxis.axis = axis;
    event.caxis.value = value;
    return event;
}

SDL_Event controller_button_event(uint8_t button, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
    event.cbutton.button = button;
    event.cbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    return event;
}

void input_frame(InputState& input, InputAxes& axes, uint32_t tick, std::initializer_list<SDL_Event> events,
                 std::initializer_list<InputSchemeBase*> schemes) {
    input.begin_tick(tick, static_cast<float>(tick) / 60.0f);
    for (const SDL_Event& event : events) {
        input.handle_event(event);
    }
    for (InputSchemeBase* scheme : schemes) {
        scheme->update(axes);
    }
}

} // namespace test_support
