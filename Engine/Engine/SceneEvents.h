#pragma once
// Events that a scene handles or publishes itself.

#include <cstdint>
#include <string>

// Moves the system of that name to the given group.
struct TransitionSystemEvent {
    std::string name;
    uint32_t group = 0;
};

struct PauseRequestEvent {
    uint8_t paused = 0;
    uint8_t toggle = 0;
};

struct PauseChangedEvent {
    uint8_t paused = 0;
};
