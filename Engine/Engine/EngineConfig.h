#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

struct EngineConfig {
    std::string_view title = "Pellmar";
    uint32_t width = 1280;
    uint32_t height = 720;
    bool vsync = true;
    bool debug_output = true;
    // Without a window no render back end, event polling, frame rendering or editor UI exists.
    bool has_window = true;
    // Nanoseconds read by the simulation clock; empty means the monotonic clock. Runs that must not depend on
    // the machine's speed pass a clock of their own.
    std::function<uint64_t()> time_source;
};
