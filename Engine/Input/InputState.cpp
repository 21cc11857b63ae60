#include "Engine/Input/InputState.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <SDL2/SDL.h>

static_assert(sizeof(SDL_Scancode) == sizeof(uint32_t));

namespace {

// A zero-size viewport (a collapsed panel) must not turn pointer positions into infinities.
float pixels_at_least_one(int32_t size) { return static_cast<float>(std::max(size, 1)); }

// Pixel differences in a wide type: recorded or odd platform values near the int limits must not overflow.
float pixel_difference(int32_t a, int32_t b) {
    return static_cast<float>(static_cast<int64_t>(a) - static_cast<int64_t>(b));
}

float pressed_value(uint8_t state) { return state == SDL_PRESSED ? 1.0f : 0.0f; }

} // namespace

InputState::~InputState() {
    if (m_controller != nullptr) {
        SDL_GameControllerClose(m_controller);
    }
}

void InputState::write(InputCode code, float value) {
    m_slots[code.slot] = {value, m_tick, m_time};
    m_last_changed = code;
}

void InputState::write_pointer(int32_t x, int32_t y) {
    const float width = pixels_at_least_one(m_viewport.width);
    const float height = pixels_at_least_one(m_viewport.height);
    write(input_code_mouse(MousePositionX), pixel_difference(x, m_viewport.x) / width);
    write(input_code_mouse(MousePositionY), 1.0f - pixel_difference(y, m_viewport.y) / height);
}

void InputState::handle_event(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        // Indices from events are checked: replayed events come from a file.
        // Read as raw bytes: a recorded value outside the scancode enum must not be loaded as one.
        uint32_t scancode = 0;
        std::memcpy(&scancode, &event.key.keysym.scancode, sizeof scancode);
        if (scancode < kKeyboardSlotCount) {
            write(input_code_keyboard(scancode), pressed_value(event.key.state));
        }
        break;
    }
    case SDL_MOUSEMOTION: {
        write_pointer(event.motion.x, event.motion.y);
        write(input_code_mouse(MouseRelativeX),
              static_cast<float>(event.motion.xrel) / pixels_at_least_one(m_viewport.width));
        write(input_code_mouse(MouseRelativeY),
              pixel_difference(0, event.motion.yrel) / pixels_at_least_one(m_viewport.height));
        for (uint32_t bit = 0; bit < 5; ++bit) {
            write(input_code_mouse(MouseLeft + bit), ((event.motion.state >> bit) & 1u) != 0 ? 1.0f : 0.0f);
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        write_pointer(event.button.x, event.button.y);
        const uint32_t button = event.button.button;
        if (button >= 1 && button <= 5) {
            write(input_code_mouse(button - 1), pressed_value(event.button.state));
        }
        break;
    }
    case SDL_MOUSEWHEEL: {
        const float flip = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0f : 1.0f;
        write(input_code_mouse(MouseWheelX), flip * event.wheel.preciseX);
        write(input_code_mouse(MouseWheelY), flip * event.wheel.preciseY);
        break;
    }
    case SDL_CONTROLLERAXISMOTION: {
        const uint32_t axis = event.caxis.axis;
        if (axis < kControllerAxisCount) {
            write(input_code_controller_axis(axis), static_cast<float>(event.caxis.value) / 32767.0f);
        }
        break;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        const uint32_t button = event.cbutton.button;
        if (button < kControllerButtonCount) {
            write(input_code_controller_button(button), pressed_value(event.cbutton.state));
        }
        break;
    }
    case SDL_CONTROLLERDEVICEADDED:
        // One controller at a time; a second one is ignored.
        if (m_controller == nullptr && SDL_IsGameController(event.cdevice.which)) {
            m_controller = SDL_GameControllerOpen(event.cdevice.which);
        }
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        if (m_controller != nullptr) {
            SDL_GameControllerClose(m_controller);
            m_controller = nullptr;
        }
        break;
    default:
        break;
    }
}

void InputState::begin_tick(uint32_t tick, float application_time) {
    m_tick = tick;
    m_time = application_time;
    for (uint32_t n : {MouseRelativeX, MouseRelativeY, MouseWheelX, MouseWheelY}) {
        m_slots[input_code_mouse(n).slot].value = 0.0f;
    }
}

void InputState::set_viewport(const ViewportRect& rect) { m_viewport = rect; }

void InputState::reset() { m_slots.fill(InputSlot{}); }

void InputState::rebuild() {
    m_viewport = {0, 0, 400, 400};
    m_tick = 0;
    m_time = 0.0f;
    m_last_changed = {};
    reset();
}
