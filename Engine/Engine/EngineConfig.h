#pragma once

#include <cstdint>
#include <string_view>

struct EngineConfig {
    std::string_view title = "Pellmar";
    uint32_t width = 1280;
    uint32_t height = 720;
    bool vsync = true;
    bool debug_output = true;
    // Without a window no render back end, event polling, frame rendering or editor UI exists.
    bool has_window = true;
};
