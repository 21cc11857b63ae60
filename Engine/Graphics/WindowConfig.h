#pragma once
// What the render back end needs to open its window: the window part of the engine's configuration.

#include <cstdint>
#include <string_view>

struct WindowConfig {
    std::string_view title = "Pellmar";
    uint32_t width = 1280;
    uint32_t height = 720;
    bool vsync = true;
    bool debug_output = true;
};
