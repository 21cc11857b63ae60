#include <gtest/gtest.h>

#include "Engine/Graphics/FramePacer.h"

namespace {

constexpr uint64_t kMs = 1'000'000;

TEST(FramePacer, UnknownOrImplausibleRefreshRatesFallBackToSixtyHertz) {
    EXPECT_EQ(frame_period_ns(0), 1'000'000'000ull / 60);
    EXPECT_EQ(frame_period_ns(-75), 1'000'000'000ull / 60);
    EXPECT_EQ(frame_period_ns(100000), 1'000'000'000ull / 60);
    EXPECT_EQ(frame_period_ns(144), 1'000'000'000ull / 144);
}

// Frames presented at the given times (ms) against a 10 ms period: the sleep each one gets.
TEST(FramePacer, FastFramesSleepToTheCadenceLateFramesRestartIt) {
    struct Step {
        uint64_t presented_ms;
        uint64_t sleep_ms;
    };
    const Step steps[] = {
        {100, 0}, // the first frame starts the cadence: next at 110
        {101, 9}, // an instant frame sleeps to 110
        {112, 8}, // next was 120
        {135, 0}, // late: no sleep, the cadence restarts at 145
        {136, 9}, // not rushed to catch up
        {146, 9}, // 145 + 10 = 155
    };
    FramePacer pacer{10 * kMs, 0};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.presented_ms);
        EXPECT_EQ(frame_pacer_wait(pacer, step.presented_ms * kMs), step.sleep_ms * kMs);
    }
}

} // namespace
