#include "Engine/Engine/WindowVisibility.h"

#include <SDL.h>

void window_visibility_event(WindowVisibility& v, uint8_t window_event) {
    switch (window_event) {
    case SDL_WINDOWEVENT_HIDDEN:
        v.hidden = true;
        break;
    case SDL_WINDOWEVENT_SHOWN:
        v.hidden = false;
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        v.minimized = true;
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        v.minimized = false;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        // Something of the window is on screen again, whatever came before.
        v.hidden = false;
        v.minimized = false;
        break;
    default:
        break;
    }
}
