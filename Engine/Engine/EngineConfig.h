#pragma once

#include <cstdint>
#include <functional>

#include "Engine/Graphics/WindowConfig.h"

// The window fields (title, size, vsync, debug output) come first, from WindowConfig, which the render back end
// takes alone.
struct EngineConfig : WindowConfig {
    // Without a window no render back end, event polling, frame rendering or editor UI exists.
    bool has_window = true;
    // Nanoseconds read by the simulation clock; empty means the monotonic clock. Runs that must not depend on
    // the machine's speed pass a clock of their own.
    std::function<uint64_t()> time_source;
    // Told every failure a user action met (a recording that cannot be played or written, a failed reload),
    // besides the log and the panel where it happened: the launcher puts it on the terminal.
    std::function<void(std::string_view)> report_failure;
};
