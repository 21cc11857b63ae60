// The recording reader over arbitrary bytes, then every record it accepts fed to the input state as a replay
// feeds it. A refused file leaves no records and says why; an accepted one writes back byte for byte, holds
// only ticks the clock and viewports a window can produce, and gives the input state finite values without
// undefined arithmetic.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <SDL.h>

#include "Engine/Engine/Recording.h"
#include "Engine/Engine/SimulationClock.h"
#include "Engine/Input/InputState.h"
#include "FuzzCheck.h"

namespace {

bool within(float value, float low, float high) { return value >= low && value <= high; }

void check_tick(const SimulationTick& t) {
    for (float f : {t.application_time, t.time, t.fixed_time, t.delta_time, t.fixed_delta_time,
                    t.fixed_time_accumulated, t.simulation_timescale}) {
        fuzz_check(std::isfinite(f), "an accepted tick holds finite times");
    }
    fuzz_check(within(t.application_time, 0.0f, SimulationClock::kMaxApplicationTime),
               "an accepted tick's application time lies within the clock's reach");
    fuzz_check(t.time >= 0.0f && t.fixed_time >= 0.0f && t.fixed_time_accumulated >= 0.0f,
               "an accepted tick's times are not negative");
    fuzz_check(within(t.delta_time, 0.0f, SimulationClock::kMaxDeltaTime),
               "an accepted tick's delta lies within the clock's bounds");
    fuzz_check(within(t.fixed_delta_time, SimulationClock::kMinFixedDelta, SimulationClock::kMaxFixedDelta),
               "an accepted tick's fixed delta lies within the clock's bounds");
    fuzz_check(within(t.simulation_timescale, SimulationClock::kMinTimescale, SimulationClock::kMaxTimescale),
               "an accepted tick's timescale lies within the clock's bounds");
}

// A rectangle some window could have.
void check_viewport(const ViewportRect& v) {
    const auto reach = [](int32_t p) { return p >= -kMaxWindowPixels && p <= kMaxWindowPixels; };
    fuzz_check(reach(v.x) && reach(v.y) && v.width >= 0 && v.width <= kMaxWindowPixels && v.height >= 0 &&
                   v.height <= kMaxWindowPixels,
               "an accepted viewport lies within a window's reach");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes, std::ios::binary);
    // A record left from before: a refused file must not leave it behind.
    std::vector<TickRecord> records(1);
    const Result result = read_recording(records, in);
    if (result.failed) {
        fuzz_check(records.empty(), "a refused recording leaves no records");
        fuzz_check(!result.message.empty(), "a refused recording says why");
        return 0;
    }

    std::ostringstream out(std::ios::binary);
    write_recording(records, out);
    fuzz_check(out.str() == bytes, "an accepted recording writes back byte for byte");

    // As Engine::replay_frame feeds a record: its tick, its viewport, then its events in order.
    InputState input;
    for (const TickRecord& record : records) {
        check_tick(record.tick);
        check_viewport(record.viewport);
        input.begin_tick(record.tick.tick, record.tick.application_time);
        input.set_viewport(record.viewport);
        for (const RecordedEvent& raw : record.events) {
            SDL_Event event;
            std::memcpy(&event, raw.data(), sizeof event);
            input.handle_event(event);
        }
        for (uint32_t slot = 0; slot < kInputSlotCount; ++slot) {
            fuzz_check(std::isfinite(input.slot(InputCode{0, slot}).value), "every input value is finite");
        }
    }
    return 0;
}
