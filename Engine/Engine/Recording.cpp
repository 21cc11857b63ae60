#include "Engine/Engine/Recording.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <istream>
#include <ostream>

#include <SDL.h>
#include <fmt/format.h>

#include "Engine/Engine/SimulationClock.h"
#include "Engine/Input/InputCode.h"

static_assert(sizeof(SDL_Event) == kRecordedEventSize, "a recording stores the platform's 56-byte events");
static_assert(std::endian::native == std::endian::little, "the file is little-endian and written as in memory");

namespace {

SDL_Event as_sdl(const RecordedEvent& raw) {
    SDL_Event event;
    std::memcpy(&event, raw.data(), sizeof event);
    return event;
}

bool is_state(uint8_t state) { return state == SDL_PRESSED || state == SDL_RELEASED; }

template <typename T>
void put(std::ostream& out, const T& value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

// Reads from the stream while keeping count of the bytes the file still holds.
class Reader {
public:
    Reader(std::istream& in, uint64_t size) : m_in(in), m_left(size) {}

    template <typename T>
    bool get(T& value) {
        if (m_left < sizeof value) {
            return false;
        }
        m_in.read(reinterpret_cast<char*>(&value), sizeof value);
        if (!m_in) {
            return false;
        }
        m_left -= sizeof value;
        return true;
    }
    uint64_t left() const { return m_left; }

private:
    std::istream& m_in;
    uint64_t m_left;
};

bool within(float value, float low, float high) { return value >= low && value <= high; }

// A record from the file holds only what the clock can produce: finite times within its bounds, so that the
// simulation neither divides by zero nor runs on NaN nor takes a step no live frame could take.
bool tick_is_sane(const SimulationTick& t) {
    for (float f : {t.application_time, t.time, t.fixed_time, t.delta_time, t.fixed_delta_time,
                    t.fixed_time_accumulated, t.simulation_timescale}) {
        if (!std::isfinite(f)) {
            return false;
        }
    }
    using Clock = SimulationClock;
    return within(t.application_time, 0.0f, Clock::kMaxApplicationTime) && t.time >= 0.0f && t.fixed_time >= 0.0f &&
           within(t.delta_time, 0.0f, Clock::kMaxDeltaTime) &&
           within(t.fixed_delta_time, Clock::kMinFixedDelta, Clock::kMaxFixedDelta) &&
           t.fixed_time_accumulated >= 0.0f &&
           within(t.simulation_timescale, Clock::kMinTimescale, Clock::kMaxTimescale) && t.run_simulation_tick <= 1 &&
           t.run_simulation_tick_fixed <= 1 && t.is_simulation_frozen <= 1;
}

bool pixel_in_reach(int32_t v) { return v >= -kMaxWindowPixels && v <= kMaxWindowPixels; }

// A viewport some window could have: no side below zero or beyond any screen.
bool viewport_is_sane(const ViewportRect& v) {
    return pixel_in_reach(v.x) && pixel_in_reach(v.y) && v.width >= 0 && v.width <= kMaxWindowPixels && v.height >= 0 &&
           v.height <= kMaxWindowPixels;
}

} // namespace

bool is_recorded_event_type(uint32_t type) {
    switch (type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
    case SDL_CONTROLLERAXISMOTION:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        return true;
    default:
        return false;
    }
}

bool is_valid_recorded_event(const RecordedEvent& raw) {
    const SDL_Event event = as_sdl(raw);
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        // Read as raw bytes: a value outside the scancode enum must not be loaded as one.
        uint32_t scancode = 0;
        std::memcpy(&scancode, &event.key.keysym.scancode, sizeof scancode);
        return scancode < kKeyboardSlotCount && is_state(event.key.state);
    }
    case SDL_MOUSEMOTION:
        return pixel_in_reach(event.motion.x) && pixel_in_reach(event.motion.y) && pixel_in_reach(event.motion.xrel) &&
               pixel_in_reach(event.motion.yrel);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        // Left, middle, right and the two extra buttons: the ones the input state has slots for.
        return event.button.button >= 1 && event.button.button <= 5 && is_state(event.button.state) &&
               pixel_in_reach(event.button.x) && pixel_in_reach(event.button.y);
    case SDL_MOUSEWHEEL:
        return std::isfinite(event.wheel.preciseX) && std::isfinite(event.wheel.preciseY);
    case SDL_CONTROLLERAXISMOTION:
        return event.caxis.axis < kControllerAxisCount;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        return event.cbutton.button < kControllerButtonCount && is_state(event.cbutton.state);
    default:
        return false;
    }
}

void write_recording(const std::vector<TickRecord>& records, std::ostream& out) {
    put(out, static_cast<uint64_t>(records.size()));
    for (const TickRecord& r : records) {
        const SimulationTick& t = r.tick;
        put(out, t.application_time);
        put(out, t.time);
        put(out, t.fixed_time);
        put(out, t.delta_time);
        put(out, t.fixed_delta_time);
        put(out, t.fixed_time_accumulated);
        put(out, t.tick);
        put(out, t.fixed_tick);
        put(out, t.simulation_timescale);
        put(out, t.run_simulation_tick);
        put(out, t.run_simulation_tick_fixed);
        put(out, t.is_simulation_frozen);
        put(out, r.viewport.x);
        put(out, r.viewport.y);
        put(out, r.viewport.width);
        put(out, r.viewport.height);
        put(out, static_cast<uint64_t>(r.events.size()));
        for (const RecordedEvent& e : r.events) {
            out.write(reinterpret_cast<const char*>(e.data()), static_cast<std::streamsize>(e.size()));
        }
    }
}

Result read_recording(std::vector<TickRecord>& records, std::istream& in) {
    records.clear();
    const std::istream::pos_type start = in.tellg();
    in.seekg(0, std::ios::end);
    const std::istream::pos_type end = in.tellg();
    in.seekg(start);
    if (!in || start < 0 || end < start) {
        return Result::fail("the file cannot be read");
    }
    Reader reader(in, static_cast<uint64_t>(end - start));

    uint64_t count = 0;
    if (!reader.get(count)) {
        return Result::fail("the file is too short for its record count");
    }
    if (count > reader.left() / kRecordHeaderSize) {
        return Result::fail(fmt::format("{} records cannot fit in the file's {} bytes", count, reader.left()));
    }
    std::vector<TickRecord> read;
    read.reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
        TickRecord r;
        SimulationTick& t = r.tick;
        uint64_t events = 0;
        const bool whole = reader.get(t.application_time) && reader.get(t.time) && reader.get(t.fixed_time) &&
                           reader.get(t.delta_time) && reader.get(t.fixed_delta_time) &&
                           reader.get(t.fixed_time_accumulated) && reader.get(t.tick) && reader.get(t.fixed_tick) &&
                           reader.get(t.simulation_timescale) && reader.get(t.run_simulation_tick) &&
                           reader.get(t.run_simulation_tick_fixed) && reader.get(t.is_simulation_frozen) &&
                           reader.get(r.viewport.x) && reader.get(r.viewport.y) && reader.get(r.viewport.width) &&
                           reader.get(r.viewport.height) && reader.get(events);
        if (!whole) {
            return Result::fail(fmt::format("record {} of {} is cut short", i, count));
        }
        t.quit = 0;
        if (!tick_is_sane(t)) {
            return Result::fail(fmt::format("record {} of {} holds an impossible tick", i, count));
        }
        if (!viewport_is_sane(r.viewport)) {
            return Result::fail(fmt::format("record {} of {} holds an impossible viewport", i, count));
        }
        if (events > reader.left() / kRecordedEventSize) {
            return Result::fail(fmt::format("record {} of {}: {} events cannot fit in the {} bytes left", i, count,
                                            events, reader.left()));
        }
        r.events.resize(events);
        for (uint64_t k = 0; k < events; ++k) {
            RecordedEvent& e = r.events[k];
            if (!reader.get(e)) {
                return Result::fail(fmt::format("record {} of {} is cut short", i, count));
            }
            if (!is_valid_recorded_event(e)) {
                return Result::fail(fmt::format("record {} of {}: event {} is not a valid input event (type 0x{:x})", i,
                                                count, k, as_sdl(e).type));
            }
        }
        read.push_back(std::move(r));
    }
    if (reader.left() != 0) {
        return Result::fail(fmt::format("{} unexpected bytes follow the last record", reader.left()));
    }
    records = std::move(read);
    return Result::ok();
}
