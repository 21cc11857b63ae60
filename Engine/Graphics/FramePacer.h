#pragma once
// Caps the frame rate when the swap does not wait for the display (no vsync, the offscreen driver, a
// minimised window): without it the loop submits thousands of frames a second.

#include <cstdint>

// Refresh rate assumed when the display does not report one.
inline constexpr int32_t kDefaultRefreshHz = 60;

struct FramePacer {
    uint64_t period_ns = 1'000'000'000ull / kDefaultRefreshHz;
    // Earliest start of the next frame; 0 before the first frame.
    uint64_t next_ns = 0;
};

// Frame period for a reported refresh rate; 0 or an implausible value means unknown.
uint64_t frame_period_ns(int32_t refresh_hz);

// Called once a frame has been presented at time `now_ns`: how long to sleep before the next frame starts.
// Frames keep a steady cadence; a frame that ran late starts the cadence again from now instead of
// rushing the following frames to catch up.
uint64_t frame_pacer_wait(FramePacer& pacer, uint64_t now_ns);
