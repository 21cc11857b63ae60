// The recording file: the layout byte for byte, the round trip, and damaged files.

#include "Engine/Engine/Recording.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "Engine/Engine/SimulationClock.h"
#include "Support/InputEvents.h"

using namespace test_support;

namespace {

RecordedEvent raw(const SDL_Event& event) {
    RecordedEvent r;
    std::memcpy(r.data(), &event, r.size());
    return r;
}

TickRecord record(uint32_t n, std::vector<SDL_Event> events) {
    TickRecord r;
    r.tick.application_time = 0.5f + static_cast<float>(n);
    r.tick.time = 0.25f * static_cast<float>(n);
    r.tick.fixed_time = 0.125f * static_cast<float>(n);
    r.tick.delta_time = 1.0f / 60.0f;
    r.tick.fixed_delta_time = 1.0f / 60.0f;
    r.tick.fixed_time_accumulated = 0.004f;
    r.tick.tick = n + 1;
    r.tick.fixed_tick = n;
    r.tick.simulation_timescale = 1.5f;
    r.tick.run_simulation_tick = 1;
    r.tick.run_simulation_tick_fixed = static_cast<uint8_t>(n % 2);
    r.tick.is_simulation_frozen = 0;
    r.viewport = ViewportRect{10, -20, 640, 360};
    for (const SDL_Event& e : events) {
        r.events.push_back(raw(e));
    }
    return r;
}

std::vector<TickRecord> sample() {
    return {
        record(0, {key_event(SDL_SCANCODE_W, true), mouse_motion_event(100, 200, 3, -4)}),
        record(1, {}),
        record(2, {mouse_button_event(SDL_BUTTON_LEFT, true, 5, 6), mouse_wheel_event(0.0f, -1.0f),
                   controller_axis_event(SDL_CONTROLLER_AXIS_LEFTX, -32000),
                   controller_button_event(SDL_CONTROLLER_BUTTON_A, true), key_event(SDL_SCANCODE_W, false)}),
    };
}

std::string bytes_of(const std::vector<TickRecord>& records) {
    std::ostringstream out(std::ios::binary);
    write_recording(records, out);
    return out.str();
}

template <typename T>
T at(const std::string& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(RecordingFile, LaysOutEachRecordAsSixtyThreeBytesAndItsEvents) {
    const std::vector<TickRecord> records = sample();
    const std::string bytes = bytes_of(records);
    ASSERT_EQ(bytes.size(), 8u + (63u + 2u * 56u) + 63u + (63u + 5u * 56u));
    EXPECT_EQ(at<uint64_t>(bytes, 0), 3u);
    // The third record starts after the first two.
    const size_t r = 8 + (63 + 2 * 56) + 63;
    EXPECT_EQ(at<float>(bytes, r + 0), 2.5f);
    EXPECT_EQ(at<float>(bytes, r + 4), 0.5f);
    EXPECT_EQ(at<float>(bytes, r + 8), 0.25f);
    EXPECT_EQ(at<float>(bytes, r + 12), 1.0f / 60.0f);
    EXPECT_EQ(at<float>(bytes, r + 20), 0.004f);
    EXPECT_EQ(at<uint32_t>(bytes, r + 24), 3u);
    EXPECT_EQ(at<uint32_t>(bytes, r + 28), 2u);
    EXPECT_EQ(at<float>(bytes, r + 32), 1.5f);
    EXPECT_EQ(at<uint8_t>(bytes, r + 36), 1);
    EXPECT_EQ(at<uint8_t>(bytes, r + 37), 0);
    EXPECT_EQ(at<uint8_t>(bytes, r + 38), 0);
    EXPECT_EQ(at<int32_t>(bytes, r + 39), 10);
    EXPECT_EQ(at<int32_t>(bytes, r + 43), -20);
    EXPECT_EQ(at<int32_t>(bytes, r + 47), 640);
    EXPECT_EQ(at<int32_t>(bytes, r + 51), 360);
    EXPECT_EQ(at<uint64_t>(bytes, r + 55), 5u);
    EXPECT_EQ(std::memcmp(bytes.data() + r + 63, records[2].events[0].data(), 56), 0);
    EXPECT_EQ(at<uint32_t>(bytes, r + 63 + 4 * 56), static_cast<uint32_t>(SDL_KEYUP));
}

TEST(RecordingFile, ReadsBackWhatItWroteByteForByte) {
    const std::vector<TickRecord> records = sample();
    const std::string bytes = bytes_of(records);
    std::istringstream in(bytes, std::ios::binary);
    std::vector<TickRecord> read;
    read.push_back(record(9, {key_event(SDL_SCANCODE_A, true)})); // replaced, not appended to
    const Result result = read_recording(read, in);
    ASSERT_FALSE(result.failed) << result.message;
    ASSERT_EQ(read.size(), records.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(std::memcmp(&read[i].tick.application_time, &records[i].tick.application_time, 36), 0);
        EXPECT_EQ(read[i].tick.run_simulation_tick_fixed, records[i].tick.run_simulation_tick_fixed);
        EXPECT_EQ(read[i].tick.quit, 0);
        EXPECT_EQ(read[i].viewport, records[i].viewport);
        EXPECT_EQ(read[i].events, records[i].events);
    }
    EXPECT_EQ(bytes_of(read), bytes);
}

TEST(RecordingFile, AnEmptyRecordingIsItsCountAlone) {
    const std::string bytes = bytes_of({});
    EXPECT_EQ(bytes, std::string(8, '\0'));
    std::istringstream in(bytes, std::ios::binary);
    std::vector<TickRecord> read = sample();
    EXPECT_FALSE(read_recording(read, in).failed);
    EXPECT_TRUE(read.empty());
}

struct Damage {
    const char* name;
    std::function<void(std::string&)> apply;
    const char* message; // a part of the failure message
};

// Offsets into the bytes of sample(): the first record's first event, and its event count.
constexpr size_t kFirstEvent = 8 + 63;
constexpr size_t kFirstEventCount = 8 + 55;
constexpr size_t kFirstTick = 8;

template <typename T>
void put(std::string& bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// Rewrites the first event with one made by `make`.
std::function<void(std::string&)> first_event(std::function<SDL_Event()> make) {
    return [make](std::string& bytes) {
        const SDL_Event e = make();
        std::memcpy(bytes.data() + kFirstEvent, &e, sizeof e);
    };
}

class DamagedRecording : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedRecording, FailsWithAMessageAndLeavesNoRecord) {
    std::string bytes = bytes_of(sample());
    GetParam().apply(bytes);
    std::istringstream in(bytes, std::ios::binary);
    std::vector<TickRecord> read = sample();
    const Result result = read_recording(read, in);
    EXPECT_TRUE(result.failed);
    EXPECT_NE(result.message.find(GetParam().message), std::string::npos) << result.message;
    EXPECT_TRUE(read.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedRecording,
    ::testing::Values(
        Damage{"empty", [](std::string& b) { b.clear(); }, "too short"},
        Damage{"count_cut", [](std::string& b) { b.resize(5); }, "too short"},
        // Too short for three records of 63 bytes: the count alone gives it away.
        Damage{"truncated_record", [](std::string& b) { b.resize(8 + 40); }, "cannot fit"},
        Damage{"truncated_event", [](std::string& b) { b.resize(kFirstEvent + 30); }, "cannot fit"},
        // The last record's five events no longer fit in what is left.
        Damage{"truncated_events_of_the_last_record", [](std::string& b) { b.resize(b.size() - 10); }, "cannot fit"},
        Damage{"last_record_missing", [](std::string& b) { b.resize(b.size() - (63 + 5 * 56)); }, "cut short"},
        Damage{"huge_record_count", [](std::string& b) { put<uint64_t>(b, 0, uint64_t{1} << 62); }, "cannot fit"},
        Damage{"record_count_one_too_many", [](std::string& b) { put<uint64_t>(b, 0, 4); }, "cut short"},
        Damage{"huge_event_count",
               [](std::string& b) { put<uint64_t>(b, kFirstEventCount, std::numeric_limits<uint64_t>::max()); },
               "cannot fit"},
        Damage{"trailing_bytes", [](std::string& b) { b.append(7, '\0'); }, "unexpected bytes"},
        Damage{"window_event", first_event([] {
                   SDL_Event e{};
                   e.type = SDL_WINDOWEVENT;
                   return e;
               }),
               "not a valid input event"},
        Damage{"quit_event", first_event([] {
                   SDL_Event e{};
                   e.type = SDL_QUIT;
                   return e;
               }),
               "not a valid input event"},
        Damage{"unknown_type", first_event([] {
                   SDL_Event e{};
                   e.type = 0x7777;
                   return e;
               }),
               "not a valid input event"},
        Damage{"scancode_out_of_range", first_event([] {
                   SDL_Event e = key_event(SDL_SCANCODE_A, true);
                   const uint32_t scancode = 4096;
                   std::memcpy(&e.key.keysym.scancode, &scancode, sizeof scancode);
                   return e;
               }),
               "not a valid input event"},
        Damage{"scancode_negative", first_event([] {
                   SDL_Event e = key_event(SDL_SCANCODE_A, true);
                   const int32_t scancode = -1;
                   std::memcpy(&e.key.keysym.scancode, &scancode, sizeof scancode);
                   return e;
               }),
               "not a valid input event"},
        Damage{"mouse_button_zero", first_event([] { return mouse_button_event(0, true, 1, 1); }),
               "not a valid input event"},
        Damage{"mouse_button_nine", first_event([] { return mouse_button_event(9, true, 1, 1); }),
               "not a valid input event"},
        Damage{"key_state_garbage", first_event([] {
                   SDL_Event e = key_event(SDL_SCANCODE_A, true);
                   e.key.state = 7;
                   return e;
               }),
               "not a valid input event"},
        Damage{"controller_axis_out_of_range", first_event([] { return controller_axis_event(6, 100); }),
               "not a valid input event"},
        Damage{"controller_button_out_of_range", first_event([] { return controller_button_event(200, true); }),
               "not a valid input event"},
        Damage{"wheel_not_finite",
               first_event([] { return mouse_wheel_event(std::numeric_limits<float>::quiet_NaN(), 0.0f); }),
               "not a valid input event"},
        Damage{"delta_time_nan", [](std::string& b) { put<float>(b, 8 + 12, std::numeric_limits<float>::quiet_NaN()); },
               "impossible tick"},
        Damage{"fixed_delta_zero", [](std::string& b) { put<float>(b, 8 + 16, 0.0f); }, "impossible tick"},
        Damage{"flag_not_a_bool", [](std::string& b) { put<uint8_t>(b, 8 + 36, 9); }, "impossible tick"},
        // Times no clock produces: each froze a play-back in the bullet walk, or reached the systems unchecked.
        Damage{"delta_time_1e20", [](std::string& b) { put<float>(b, kFirstTick + 12, 1e20f); }, "impossible tick"},
        Damage{"delta_time_1e30", [](std::string& b) { put<float>(b, kFirstTick + 12, 1e30f); }, "impossible tick"},
        Damage{"delta_time_infinite",
               [](std::string& b) { put<float>(b, kFirstTick + 12, std::numeric_limits<float>::infinity()); },
               "impossible tick"},
        Damage{"delta_time_negative", [](std::string& b) { put<float>(b, kFirstTick + 12, -0.01f); },
               "impossible tick"},
        Damage{"delta_time_of_the_last_record_1e20",
               [](std::string& b) { put<float>(b, b.size() - 5 * 56 - 63 + 12, 1e20f); }, "record 2 of 3"},
        Damage{"fixed_delta_above_a_second", [](std::string& b) { put<float>(b, kFirstTick + 16, 1.5f); },
               "impossible tick"},
        Damage{"timescale_above_the_slider", [](std::string& b) { put<float>(b, kFirstTick + 32, 5.5f); },
               "impossible tick"},
        Damage{"timescale_1e30", [](std::string& b) { put<float>(b, kFirstTick + 32, 1e30f); }, "impossible tick"},
        Damage{"timescale_negative", [](std::string& b) { put<float>(b, kFirstTick + 32, -1.0f); }, "impossible tick"},
        Damage{"application_time_negative", [](std::string& b) { put<float>(b, kFirstTick + 0, -1.0f); },
               "impossible tick"},
        Damage{"application_time_beyond_the_clock", [](std::string& b) { put<float>(b, kFirstTick + 0, 1e11f); },
               "impossible tick"},
        Damage{"time_negative", [](std::string& b) { put<float>(b, kFirstTick + 4, -2.0f); }, "impossible tick"},
        // Viewports and pointers near the int limits: no window produces them, and they overflowed the input state.
        Damage{"viewport_x_int_min",
               [](std::string& b) { put<int32_t>(b, kFirstTick + 39, std::numeric_limits<int32_t>::min()); },
               "impossible viewport"},
        Damage{"viewport_y_int_max",
               [](std::string& b) { put<int32_t>(b, kFirstTick + 43, std::numeric_limits<int32_t>::max()); },
               "impossible viewport"},
        Damage{"viewport_width_negative", [](std::string& b) { put<int32_t>(b, kFirstTick + 47, -1); },
               "impossible viewport"},
        Damage{"viewport_height_beyond_any_screen",
               [](std::string& b) { put<int32_t>(b, kFirstTick + 51, kMaxWindowPixels + 1); }, "impossible viewport"},
        Damage{"motion_x_int_min",
               first_event([] { return mouse_motion_event(std::numeric_limits<int32_t>::min(), 0, 0, 0); }),
               "not a valid input event"},
        Damage{"motion_yrel_int_min",
               first_event([] { return mouse_motion_event(0, 0, 0, std::numeric_limits<int32_t>::min()); }),
               "not a valid input event"},
        Damage{"motion_xrel_beyond_any_screen",
               first_event([] { return mouse_motion_event(0, 0, kMaxWindowPixels + 1, 0); }),
               "not a valid input event"},
        Damage{"button_y_int_max", first_event([] {
                   return mouse_button_event(SDL_BUTTON_LEFT, true, 0, std::numeric_limits<int32_t>::max());
               }),
               "not a valid input event"}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

// What the clock and a window can produce, up to their bounds: read, and written back byte for byte.
class RecordingAtTheBounds : public ::testing::TestWithParam<Damage> {};

TEST_P(RecordingAtTheBounds, IsReadAndWrittenBackUnchanged) {
    std::string bytes = bytes_of(sample());
    GetParam().apply(bytes);
    std::istringstream in(bytes, std::ios::binary);
    std::vector<TickRecord> read;
    const Result result = read_recording(read, in);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_EQ(read.size(), 3u);
    EXPECT_EQ(bytes_of(read), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecordingAtTheBounds,
    ::testing::Values(
        Damage{"delta_time_zero", [](std::string& b) { put<float>(b, kFirstTick + 12, 0.0f); }, ""},
        Damage{"delta_time_longest_frame",
               [](std::string& b) { put<float>(b, kFirstTick + 12, SimulationClock::kMaxDeltaTime); }, ""},
        Damage{"fixed_delta_shortest",
               [](std::string& b) { put<float>(b, kFirstTick + 16, SimulationClock::kMinFixedDelta); }, ""},
        Damage{"fixed_delta_longest",
               [](std::string& b) { put<float>(b, kFirstTick + 16, SimulationClock::kMaxFixedDelta); }, ""},
        Damage{"timescale_zero", [](std::string& b) { put<float>(b, kFirstTick + 32, 0.0f); }, ""},
        Damage{"timescale_five", [](std::string& b) { put<float>(b, kFirstTick + 32, 5.0f); }, ""},
        Damage{"viewport_far_left_and_up",
               [](std::string& b) {
                   put<int32_t>(b, kFirstTick + 39, -kMaxWindowPixels);
                   put<int32_t>(b, kFirstTick + 43, -kMaxWindowPixels);
               },
               ""},
        Damage{"viewport_collapsed",
               [](std::string& b) {
                   put<int32_t>(b, kFirstTick + 47, 0);
                   put<int32_t>(b, kFirstTick + 51, 0);
               },
               ""},
        Damage{"viewport_widest", [](std::string& b) { put<int32_t>(b, kFirstTick + 47, kMaxWindowPixels); }, ""},
        Damage{"motion_at_the_reach", first_event([] {
                   return mouse_motion_event(-kMaxWindowPixels, kMaxWindowPixels, kMaxWindowPixels, -kMaxWindowPixels);
               }),
               ""}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST(RecordingFile, CapturesOnlyTheRecordedInputTypes) {
    for (uint32_t type : {SDL_KEYDOWN, SDL_KEYUP, SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP,
                          SDL_MOUSEWHEEL, SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLERBUTTONUP}) {
        EXPECT_TRUE(is_recorded_event_type(type)) << type;
    }
    for (uint32_t type : {SDL_QUIT, SDL_WINDOWEVENT, SDL_TEXTINPUT, SDL_CONTROLLERDEVICEADDED,
                          SDL_CONTROLLERDEVICEREMOVED, SDL_JOYAXISMOTION}) {
        EXPECT_FALSE(is_recorded_event_type(type)) << type;
    }
}

} // namespace
