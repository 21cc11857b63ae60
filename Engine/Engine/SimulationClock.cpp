#include "Engine/Engine/SimulationClock.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <thread>

uint64_t monotonic_ns() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

SimulationClock::SimulationClock(TimeSource source) : m_source(std::move(source)) {
    uint64_t now = m_source();
    m_last_ns = now;
    m_start_ns = now;
    m_fixed_delta_time = std::bit_cast<float>(0x3C888889u);
}

bool SimulationClock::advance(SimulationTick& out) {
    uint64_t now = m_source();
    float application_time = static_cast<float>(now - m_start_ns) / 1e9f;
    float dt = static_cast<float>(now - m_last_ns) / 1e9f * m_simulation_timescale;
    m_last_ns = now;

    m_frame_accumulator += dt;
    if (m_min_frame_time > m_frame_accumulator) {
        std::this_thread::yield();
        return false;
    }
    float delta = std::max(m_min_frame_time, dt);
    m_frame_accumulator = 0.0f;

    bool run_tick = m_frozen == 0 || m_step != 0 || m_step_fixed != 0;
    if (run_tick) {
        m_tick += 1;
        m_time += delta;
        m_fixed_time_accumulated += delta;
    }

    // At most one fixed tick a frame: whole steps beyond the first are dropped, not caught up.
    bool run_fixed = m_fixed_time_accumulated >= m_fixed_delta_time;
    if (run_fixed) {
        m_fixed_tick += 1;
        m_step_fixed = 0;
        m_fixed_time_accumulated -= std::trunc(m_fixed_time_accumulated / m_fixed_delta_time) * m_fixed_delta_time;
        m_fixed_time += m_fixed_delta_time;
    }
    m_step = 0;

    out.quit = m_quit;
    out.application_time = application_time;
    out.time = m_time;
    out.fixed_time = m_fixed_time;
    out.delta_time = delta;
    out.fixed_delta_time = m_fixed_delta_time;
    out.fixed_time_accumulated = m_fixed_time_accumulated;
    out.tick = m_tick;
    out.fixed_tick = m_fixed_tick;
    out.simulation_timescale = m_simulation_timescale;
    out.run_simulation_tick = run_tick ? 1 : 0;
    out.run_simulation_tick_fixed = run_fixed ? 1 : 0;
    out.is_simulation_frozen = m_frozen;
    return true;
}

void SimulationClock::set_fixed_delta(float seconds) {
    if (!std::isfinite(seconds)) {
        return;
    }
    m_fixed_delta_time = std::clamp(seconds, kMinFixedDelta, kMaxFixedDelta);
}

void SimulationClock::set_timescale(float scale) {
    if (!std::isfinite(scale)) {
        return;
    }
    m_simulation_timescale = std::clamp(scale, kMinTimescale, kMaxTimescale);
}
