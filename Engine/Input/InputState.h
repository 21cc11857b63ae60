#pragma once
// The engine's record of the current input: one slot per input source, each with the tick and time of its
// last write, fed from platform events as they are polled.

#include <array>
#include <cstdint>

#include "Engine/Input/InputCode.h"
#include "Engine/ViewportRect.h"

union SDL_Event;
struct _SDL_GameController;

struct InputSlot {
    float value = 0.0f;
    uint32_t tick = 0; // tick of the last write
    float time = 0.0f; // application time of the last write
};

class InputState {
public:
    InputState() = default;
    ~InputState();
    InputState(const InputState&) = delete;
    InputState& operator=(const InputState&) = delete;

    void handle_event(const SDL_Event& event);
    // Relative motion and wheel read 0 again until this tick's events say otherwise.
    void begin_tick(uint32_t tick, float application_time);
    void set_viewport(const ViewportRect& rect);
    // Releases every held key and button (and forgets all other values).
    void reset();
    // Back to the state of a new input state, in place (readers keep their pointer); an open controller
    // stays.
    void rebuild();

    uint32_t tick() const { return m_tick; }
    float time() const { return m_time; }
    const ViewportRect& viewport() const { return m_viewport; }
    InputCode last_changed() const { return m_last_changed; }
    // A slot of 1024 or more is an out-of-range error.
    InputSlot slot(InputCode code) const { return m_slots.at(code.slot); }
    bool has_controller() const { return m_controller != nullptr; }

private:
    void write(InputCode code, float value);
    void write_pointer(int32_t x, int32_t y);

    ViewportRect m_viewport{0, 0, 400, 400};
    uint32_t m_tick = 0;
    float m_time = 0.0f;
    InputCode m_last_changed{};
    std::array<InputSlot, kInputSlotCount> m_slots{};
    _SDL_GameController* m_controller = nullptr;
};
