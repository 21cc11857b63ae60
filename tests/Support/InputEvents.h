#pragma once
// Synthesized SDL events for feeding the input state, and a frame driver for input schemes.

#include <cstdint>
#include <initializer_list>

#include <SDL2/SDL.h>

class InputState;
class InputAxes;
class InputSchemeBase;

namespace test_support {

SDL_Event key_event(SDL_Scancode scancode, bool down, bool repeat = false);
SDL_Event mouse_motion_event(int32_t x, int32_t y, int32_t xrel, int32_t yrel, uint32_t button_state = 0);
SDL_Event mouse_button_event(uint8_t button, bool down, int32_t x, int32_t y);
SDL_Event mouse_wheel_event(float precise_x, float precise_y, bool flipped = false);
SDL_Event controller_axis_event(uint8_t axis, int16_t value);
SDL_Event controller_button_event(uint8_t button, bool down);

// One live frame: begin the tick (application time tick / 60), feed the events, refresh the schemes.
void input_frame(InputState& input, InputAxes& axes, uint32_t tick, std::initializer_list<SDL_Event> events,
                 std::initializer_list<InputSchemeBase*> schemes = {});

} // namespace test_support
