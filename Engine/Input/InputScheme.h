#pragma once
// An input scheme: a plain object whose fields are refreshed every frame from named axes that it declares
// (with their input sources) once, on its first refresh.

#include <cstdint>
#include <string>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Input/InputAxes.h"

enum InputTargetKind : uint32_t {
    InputTargetAxisFloat = 0,
    InputTargetAxisVec2 = 1,
    InputTargetIsDown = 2,
    InputTargetWasPressed = 3,
};

// One declared field: a float (kind 0), a vec2 (kind 1) or a bool (kinds 2 and 3).
struct InputTarget {
    uint32_t kind = InputTargetAxisFloat;
    void* target = nullptr;
    std::string name;
};

struct InputBinder {
    std::vector<InputTarget>* targets = nullptr;
    InputAxes* axes = nullptr;
};

class InputSchemeBase {
public:
    InputSchemeBase() = default;
    virtual ~InputSchemeBase() = default;
    InputSchemeBase(const InputSchemeBase&) = delete;
    InputSchemeBase& operator=(const InputSchemeBase&) = delete;

    // Declares the targets and their bindings.
    virtual void bind(InputBinder& binder) = 0;
    virtual void before_read() {}
    virtual void after_read() {}

    // The per-frame refresh; binds first while nothing is declared.
    void update(InputAxes& axes);

    const std::vector<InputTarget>& targets() const { return m_targets; }

    // Each appends the target, creates the axis of that name and returns it for the bindings.
    static InputAxisRef bind_axis_float(InputBinder& binder, float* field, const std::string& name);
    static InputAxisRef bind_axis_vec2(InputBinder& binder, glm::vec2* field, const std::string& name);
    static InputAxisRef bind_is_down(InputBinder& binder, bool* field, const std::string& name);
    static InputAxisRef bind_was_pressed(InputBinder& binder, bool* field, const std::string& name);

private:
    std::vector<InputTarget> m_targets;
};
