#pragma once
// Whether anybody can see the window, followed from the platform's window events. A frame of a window that
// cannot be seen is not drawn: the simulation and its clock go on as before, only the picture is skipped.
// (SDL 2.26 reports minimised and hidden windows; it has no event for a window covered by others.)

#include <cstdint>

struct WindowVisibility {
    bool hidden = false;
    bool minimized = false;
};

inline bool window_visible(const WindowVisibility& v) { return !v.hidden && !v.minimized; }

// One SDL window event (the `event` byte of SDL_WindowEvent); events that say nothing about visibility
// change nothing.
void window_visibility_event(WindowVisibility& v, uint8_t window_event);
