#pragma once
// Input recordings: per recorded frame the tick record, the editor viewport and the raw platform events that
// reached the game, and their file "recording.bin".
//
// File layout, little-endian, packed, no header: u64 record count N, then N records of
//   9 x 4 bytes  application_time, time, fixed_time, delta_time, fixed_delta_time, fixed_time_accumulated (f32),
//                tick, fixed_tick (u32), simulation_timescale (f32)
//   3 x 1 byte   run_simulation_tick, run_simulation_tick_fixed, is_simulation_frozen
//   4 x 4 bytes  viewport x, y, width, height (i32)
//   8 bytes      u64 event count M
//   M x 56 bytes the raw events in capture order
// so a record takes 63 + 56 M bytes. The quit flag is not stored.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "Engine/Engine/SimulationTick.h"
#include "Engine/Result.h"
#include "Engine/ViewportRect.h"

inline constexpr const char* kRecordingFile = "recording.bin";
inline constexpr uint64_t kRecordedEventSize = 56;
inline constexpr uint64_t kRecordHeaderSize = 63;
// No window reaches this far: recorded pointer positions, motions and viewports beyond it are refused.
inline constexpr int32_t kMaxWindowPixels = 1 << 20;

// One platform event exactly as the platform library laid it out.
using RecordedEvent = std::array<uint8_t, kRecordedEventSize>;

struct TickRecord {
    SimulationTick tick;
    ViewportRect viewport;
    std::vector<RecordedEvent> events;
};

// The event types a recording keeps: keys, mouse, controller axes and buttons.
bool is_recorded_event_type(uint32_t type);
// A recorded type whose indices (scancode, button, axis) and values are in range: only such an event is
// captured and only such an event is read back.
bool is_valid_recorded_event(const RecordedEvent& event);

void write_recording(const std::vector<TickRecord>& records, std::ostream& out);
// Reads a whole file into `records`. The file is untrusted: every count is bounded by the bytes left, every
// event must be a valid recorded one and every tick record sane. On failure `records` is empty and the result
// says where the file went wrong; nothing large is allocated before the bytes are there.
Result read_recording(std::vector<TickRecord>& records, std::istream& in);
