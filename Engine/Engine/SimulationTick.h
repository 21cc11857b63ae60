#pragma once

#include <cstdint>

// The timing record of one frame, written by the clock and read by every system.
struct SimulationTick {
    uint8_t quit = 0;
    float application_time = 0.0f;
    float time = 0.0f;
    float fixed_time = 0.0f;
    float delta_time = 0.0f;
    float fixed_delta_time = 0.0f;
    float fixed_time_accumulated = 0.0f;
    uint32_t tick = 0;
    uint32_t fixed_tick = 0;
    float simulation_timescale = 1.0f;
    uint8_t run_simulation_tick = 0;
    uint8_t run_simulation_tick_fixed = 0;
    uint8_t is_simulation_frozen = 0;
};
