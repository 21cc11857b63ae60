#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/Engine/SimulationClock.h"

namespace {

// A clock driven by a hand-held time value.
struct ManualClock {
    std::shared_ptr<uint64_t> now = std::make_shared<uint64_t>(1'000'000'000ull);
    SimulationClock clock{[now = now] { return *now; }};

    SimulationTick frame(uint64_t elapsed_ns) {
        *now += elapsed_ns;
        SimulationTick tick;
        EXPECT_TRUE(clock.advance(tick));
        return tick;
    }
};

enum class Op { Frame, Freeze, Step, StepFixed, Timescale, FixedDelta };

struct Action {
    Op op;
    double value = 0.0; // nanoseconds of a frame, or the setter's argument
};

struct Expected {
    uint32_t tick;
    uint32_t fixed_tick;
    float time;
    float fixed_time;
    float accumulated;
    float delta;
    bool run;
    bool run_fixed;
    bool frozen;
};

struct ClockCase {
    std::string name;
    std::vector<Action> actions;
    Expected last; // the record of the last frame
};

class ClockCases : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockCases, LastRecordMatches) {
    const ClockCase& c = GetParam();
    ManualClock m;
    SimulationTick tick;
    for (const Action& a : c.actions) {
        switch (a.op) {
        case Op::Frame:
            tick = m.frame(static_cast<uint64_t>(a.value));
            break;
        case Op::Freeze:
            m.clock.toggle_freeze();
            break;
        case Op::Step:
            m.clock.request_step();
            break;
        case Op::StepFixed:
            m.clock.request_step_fixed();
            break;
        case Op::Timescale:
            m.clock.set_timescale(static_cast<float>(a.value));
            break;
        case Op::FixedDelta:
            m.clock.set_fixed_delta(static_cast<float>(a.value));
            break;
        }
    }
    EXPECT_EQ(tick.tick, c.last.tick);
    EXPECT_EQ(tick.fixed_tick, c.last.fixed_tick);
    EXPECT_FLOAT_EQ(tick.time, c.last.time);
    EXPECT_FLOAT_EQ(tick.fixed_time, c.last.fixed_time);
    EXPECT_NEAR(tick.fixed_time_accumulated, c.last.accumulated, 1e-6);
    EXPECT_FLOAT_EQ(tick.delta_time, c.last.delta);
    EXPECT_EQ(tick.run_simulation_tick != 0, c.last.run);
    EXPECT_EQ(tick.run_simulation_tick_fixed != 0, c.last.run_fixed);
    EXPECT_EQ(tick.is_simulation_frozen != 0, c.last.frozen);
}

constexpr double kMs = 1e6;

INSTANTIATE_TEST_SUITE_P(
    Clock, ClockCases,
    ::testing::Values(
        // 2.5 fixed steps in one frame: one fixed tick, half a step kept, the extra whole step dropped.
        ClockCase{"TwoAndAHalfSteps",
                  {{Op::FixedDelta, 0.25}, {Op::Frame, 625 * kMs}},
                  {1, 1, 0.625f, 0.25f, 0.125f, 0.625f, true, true, false}},
        // A second frame of 2.5 steps adds to the half step kept: 0.75 -> 3 steps due, one runs.
        ClockCase{"DroppedStepsAreNotCaughtUp",
                  {{Op::FixedDelta, 0.25}, {Op::Frame, 625 * kMs}, {Op::Frame, 625 * kMs}},
                  {2, 2, 1.25f, 0.5f, 0.0f, 0.625f, true, true, false}},
        // Time scale 0: ticks run and count, time stays, no fixed tick.
        ClockCase{"TimescaleZero",
                  {{Op::Timescale, 0.0}, {Op::Frame, 500 * kMs}, {Op::Frame, 500 * kMs}, {Op::Frame, 500 * kMs}},
                  {3, 0, 0.0f, 0.0f, 0.0f, 0.0f, true, false, false}},
        // Time scale 2 doubles the frame's delta.
        ClockCase{"TimescaleTwo",
                  {{Op::FixedDelta, 0.25}, {Op::Timescale, 2.0}, {Op::Frame, 125 * kMs}},
                  {1, 1, 0.25f, 0.25f, 0.0f, 0.25f, true, true, false}},
        // Frozen: no tick, time and accumulator stay, delta still reports the wall delta.
        ClockCase{"Frozen", {{Op::Freeze}, {Op::Frame, 100 * kMs}}, {0, 0, 0.0f, 0.0f, 0.0f, 0.1f, false, false, true}},
        // Lowering the fixed step while frozen: the fixed test holds on a frame whose tick does not run.
        ClockCase{"FrozenFixedTest",
                  {{Op::FixedDelta, 0.25},
                   {Op::Frame, 125 * kMs},
                   {Op::Freeze},
                   {Op::FixedDelta, 0.0625},
                   {Op::Frame, 10 * kMs}},
                  {1, 1, 0.125f, 0.0625f, 0.0f, 0.01f, false, true, true}},
        // A step while frozen runs exactly one tick, with that frame's delta.
        ClockCase{"StepWhileFrozen",
                  {{Op::FixedDelta, 0.25}, {Op::Freeze}, {Op::Step}, {Op::Frame, 100 * kMs}},
                  {1, 0, 0.1f, 0.0f, 0.1f, 0.1f, true, false, true}},
        // ...and the next frame is frozen again.
        ClockCase{"StepIsUsedUp",
                  {{Op::FixedDelta, 0.25}, {Op::Freeze}, {Op::Step}, {Op::Frame, 100 * kMs}, {Op::Frame, 100 * kMs}},
                  {1, 0, 0.1f, 0.0f, 0.1f, 0.1f, false, false, true}},
        // A fixed step while frozen ticks every frame until the accumulator reaches a step (frame 2 here).
        ClockCase{
            "StepFixedRunsUntilAFixedTick",
            {{Op::FixedDelta, 0.25}, {Op::Freeze}, {Op::StepFixed}, {Op::Frame, 125 * kMs}, {Op::Frame, 125 * kMs}},
            {2, 1, 0.25f, 0.25f, 0.0f, 0.125f, true, true, true}},
        ClockCase{"StepFixedIsClearedByTheFixedTick",
                  {{Op::FixedDelta, 0.25},
                   {Op::Freeze},
                   {Op::StepFixed},
                   {Op::Frame, 125 * kMs},
                   {Op::Frame, 125 * kMs},
                   {Op::Frame, 125 * kMs}},
                  {2, 1, 0.25f, 0.25f, 0.0f, 0.125f, false, false, true}},
        // Step requests while running change nothing visible.
        ClockCase{"StepWhileRunning",
                  {{Op::FixedDelta, 0.25}, {Op::Step}, {Op::StepFixed}, {Op::Frame, 125 * kMs}},
                  {1, 0, 0.125f, 0.0f, 0.125f, 0.125f, true, false, false}},
        // A fixed step of 0 or below is clamped to the smallest step, never divided by.
        ClockCase{"FixedDeltaZeroIsClamped",
                  {{Op::FixedDelta, 0.0}, {Op::Frame, 2.5 * kMs}},
                  {1, 1, 0.0025f, SimulationClock::kMinFixedDelta, 0.0005f, 0.0025f, true, true, false}},
        ClockCase{"NegativeFixedDeltaIsClamped",
                  {{Op::FixedDelta, -1.0}, {Op::Frame, 2.5 * kMs}},
                  {1, 1, 0.0025f, SimulationClock::kMinFixedDelta, 0.0005f, 0.0025f, true, true, false}},
        // The time scale is held to its slider range.
        ClockCase{"TimescaleAboveRangeIsClamped",
                  {{Op::FixedDelta, 1.0}, {Op::Timescale, 9.0}, {Op::Frame, 100 * kMs}},
                  {1, 0, 0.5f, 0.0f, 0.5f, 0.5f, true, false, false}},
        ClockCase{"NegativeTimescaleIsClamped",
                  {{Op::Timescale, -3.0}, {Op::Frame, 100 * kMs}},
                  {1, 0, 0.0f, 0.0f, 0.0f, 0.0f, true, false, false}}),
    [](const auto& info) { return info.param.name; });

TEST(SimulationClock, StartsAtOneSixtiethAndCountsApplicationTime) {
    ManualClock m;
    EXPECT_EQ(m.clock.fixed_delta(), 1.0f / 60.0f);
    SimulationTick tick = m.frame(250 * 1'000'000ull);
    tick = m.frame(250 * 1'000'000ull);
    EXPECT_FLOAT_EQ(tick.application_time, 0.5f);
    EXPECT_FLOAT_EQ(tick.fixed_delta_time, 1.0f / 60.0f);
    EXPECT_FLOAT_EQ(tick.simulation_timescale, 1.0f);
}

TEST(SimulationClock, NonFiniteControlsAreIgnored) {
    ManualClock m;
    m.clock.set_fixed_delta(0.5f);
    m.clock.set_timescale(2.0f);
    m.clock.set_fixed_delta(std::numeric_limits<float>::quiet_NaN());
    m.clock.set_timescale(std::numeric_limits<float>::infinity());
    EXPECT_EQ(m.clock.fixed_delta(), 0.5f);
    EXPECT_EQ(m.clock.timescale(), 2.0f);
}

TEST(SimulationClock, QuitIsCarriedByEveryLaterRecord) {
    ManualClock m;
    EXPECT_EQ(m.frame(1000).quit, 0);
    m.clock.request_quit();
    EXPECT_EQ(m.frame(1000).quit, 1);
    EXPECT_EQ(m.frame(1000).quit, 1);
}

TEST(SimulationClock, FreezeTogglesBack) {
    ManualClock m;
    EXPECT_TRUE(m.clock.toggle_freeze());
    EXPECT_FALSE(m.clock.toggle_freeze());
    EXPECT_TRUE(m.frame(1000).run_simulation_tick);
}

} // namespace
