#pragma once
// Events through which the panels, the platform and the game steer the engine.

#include <cstdint>

#include "Engine/ViewportRect.h"

struct QuitEvent {};
struct FreezeToggleEvent {};
struct StepEvent {
    uint8_t fixed = 0;
};
struct ReloadEvent {};
struct WindowResizedEvent {
    ViewportRect rect;
};
// Handled by the scene, which keeps its viewport and cameras in step with it.
struct ViewportResizedEvent {
    ViewportRect rect;
};
struct TimescaleEvent {
    float timescale = 1.0f;
};
struct FixedDeltaTimeEvent {
    float fixed_delta_time = 1.0f / 60.0f;
};
// 0 windowed, 1 borderless, 2 fullscreen.
struct DisplayModeEvent {
    uint32_t mode = 0;
};
struct ToggleEditorEvent {};
