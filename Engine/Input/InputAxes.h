#pragma once
// Named axes over the input state: each combines weighted input sources into one vec2.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include <glm/vec2.hpp>

#include "Engine/Input/InputCode.h"

class InputState;

// Bindings are keyed by the slot alone: the device only says how a code was made.
struct InputCodeSlotHash {
    size_t operator()(InputCode code) const { return std::hash<uint32_t>{}(code.slot); }
};
struct InputCodeSlotEqual {
    bool operator()(InputCode a, InputCode b) const { return a.slot == b.slot; }
};

using InputBindings = std::unordered_map<InputCode, glm::vec2, InputCodeSlotHash, InputCodeSlotEqual>;

struct InputAxis {
    InputBindings bindings;
    uint8_t clamp_to_unit_length = 0;
    uint8_t normalise = 0;
    uint8_t current_tick_only = 0;
    uint8_t most_recent_source_only = 0;
    float dead_zone = 0.0f;
};

struct InputAxisRef {
    InputAxis* axis = nullptr;
    InputBindings* bindings = nullptr;

    // A code that the axis already holds keeps its first weight.
    InputAxisRef& add(InputCode code, glm::vec2 weight) {
        bindings->emplace(code, weight);
        return *this;
    }
};

class InputAxes {
public:
    explicit InputAxes(const InputState* input) : m_input(input) {}

    // A name that exists already is reported, and the caller gets the unused shared dummy axis.
    InputAxisRef create_axis(const std::string& name);
    // An unknown name reads (0, 0).
    glm::vec2 value(const std::string& name) const;
    bool is_down(const std::string& name) const;
    // True once when the axis reaches 1, and again only after it has been something else.
    bool was_pressed(const std::string& name);
    // Forgets which axes were held, so the next press of any counts: the start of a recorded or replayed run.
    void clear_edges() { m_held_names.clear(); }

    const std::unordered_map<std::string, InputAxis>& axes() const { return m_axes; }
    const InputState& input() const { return *m_input; }

private:
    const InputState* m_input;
    std::unordered_map<std::string, InputAxis> m_axes;
    std::unordered_set<std::string> m_held_names;
};
