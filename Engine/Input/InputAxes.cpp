#include "Engine/Input/InputAxes.h"

#include <cstdio>

#include <glm/geometric.hpp>

#include "Engine/Input/InputState.h"

namespace {

// Takes the bindings of duplicate creations, which nothing ever reads.
InputAxis g_dummy_axis;

bool is_one(float x) { return (x - 1.0f) * (x - 1.0f) < 1e-8f; }

} // namespace

InputAxisRef InputAxes::create_axis(const std::string& name) {
    if (m_axes.contains(name)) {
        std::fputs("Tried to create an axis that already exists", stdout);
        return {&g_dummy_axis, &g_dummy_axis.bindings};
    }
    InputAxis& axis = m_axes[name];
    return {&axis, &axis.bindings};
}

glm::vec2 InputAxes::value(const std::string& name) const {
    auto found = m_axes.find(name);
    if (found == m_axes.end()) {
        return {0.0f, 0.0f};
    }
    const InputAxis& axis = found->second;
    const uint32_t current_tick = m_input->tick();
    glm::vec2 v{0.0f, 0.0f};
    if (axis.most_recent_source_only != 0) {
        // Ties keep the first binding met; never-written slots (tick 0) are never taken.
        uint32_t best = 0;
        for (const auto& [code, weight] : axis.bindings) {
            const InputSlot slot = m_input->slot(code);
            if (slot.tick > best) {
                best = slot.tick;
                v = slot.value * weight;
            }
        }
        if (axis.current_tick_only != 0 && best != current_tick) {
            return {0.0f, 0.0f};
        }
    } else {
        for (const auto& [code, weight] : axis.bindings) {
            const InputSlot slot = m_input->slot(code);
            if (axis.current_tick_only != 0 && slot.tick != current_tick) {
                continue;
            }
            v += slot.value * weight;
        }
    }
    const float length = glm::length(v);
    if (axis.dead_zone > length) {
        return {0.0f, 0.0f};
    }
    if (axis.normalise != 0 && length != 0.0f) {
        v /= length;
    }
    if (axis.clamp_to_unit_length != 0) {
        const float clamped_length = glm::length(v);
        if (clamped_length > 1.0f) {
            v /= clamped_length;
        }
    }
    return v;
}

bool InputAxes::is_down(const std::string& name) const { return is_one(value(name).x); }

bool InputAxes::was_pressed(const std::string& name) {
    if (is_one(value(name).x)) {
        return m_held_names.insert(name).second;
    }
    m_held_names.erase(name);
    return false;
}
