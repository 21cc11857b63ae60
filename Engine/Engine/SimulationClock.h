#pragma once
// Turns wall time into the per-frame SimulationTick: a variable tick each frame the simulation runs and at
// most one fixed tick a frame.

#include <cstdint>
#include <functional>

#include "Engine/Engine/SimulationTick.h"

// Nanoseconds of a monotonic clock; injectable so that tests can drive the clock with exact values.
using TimeSource = std::function<uint64_t()>;

uint64_t monotonic_ns();

class SimulationClock {
public:
    // Bounds of the controls: a fixed step of zero or below would break the step quotient, and the time
    // scale follows the range of its slider.
    static constexpr float kMinFixedDelta = 0.001f;
    static constexpr float kMaxFixedDelta = 1.0f;
    static constexpr float kMinTimescale = 0.0f;
    static constexpr float kMaxTimescale = 5.0f;
    // The furthest the clock can reach: its nanosecond counter's whole range, in seconds. No frame lasts
    // longer, so no frame's delta exceeds it at the largest time scale.
    static constexpr float kMaxApplicationTime = 18446744073.709551615f;
    static constexpr float kMaxDeltaTime = kMaxApplicationTime * kMaxTimescale;

    explicit SimulationClock(TimeSource source = monotonic_ns);

    // One update: true when a frame is due and `out` was filled.
    bool advance(SimulationTick& out);

    void set_fixed_delta(float seconds);
    void set_timescale(float scale);
    void request_quit() { m_quit = 1; }
    void request_step() { m_step = 1; }
    void request_step_fixed() { m_step_fixed = 1; }
    bool toggle_freeze() {
        m_frozen = m_frozen ? 0 : 1;
        return m_frozen != 0;
    }

    float fixed_delta() const { return m_fixed_delta_time; }
    float timescale() const { return m_simulation_timescale; }
    bool frozen() const { return m_frozen != 0; }
    bool quit_requested() const { return m_quit != 0; }
    bool step_fixed_pending() const { return m_step_fixed != 0; }

private:
    TimeSource m_source;
    uint64_t m_last_ns = 0;
    uint64_t m_start_ns = 0;
    uint32_t m_tick = 0;
    uint32_t m_fixed_tick = 0;
    float m_time = 0.0f;
    float m_fixed_time = 0.0f;
    float m_fixed_time_accumulated = 0.0f;
    float m_fixed_delta_time = 1.0f / 60.0f;
    float m_frame_accumulator = 0.0f;
    float m_min_frame_time = 0.0f;
    uint8_t m_quit = 0;
    uint8_t m_frozen = 0;
    uint8_t m_step = 0;
    uint8_t m_step_fixed = 0;
    float m_simulation_timescale = 1.0f;
};
