#include "Engine/Input/InputScheme.h"

namespace {

InputAxisRef add_target(InputBinder& binder, uint32_t kind, void* field, const std::string& name) {
    binder.targets->push_back({kind, field, name});
    return binder.axes->create_axis(name);
}

} // namespace

InputAxisRef InputSchemeBase::bind_axis_float(InputBinder& binder, float* field, const std::string& name) {
    return add_target(binder, InputTargetAxisFloat, field, name);
}

InputAxisRef InputSchemeBase::bind_axis_vec2(InputBinder& binder, glm::vec2* field, const std::string& name) {
    return add_target(binder, InputTargetAxisVec2, field, name);
}

InputAxisRef InputSchemeBase::bind_is_down(InputBinder& binder, bool* field, const std::string& name) {
    return add_target(binder, InputTargetIsDown, field, name);
}

InputAxisRef InputSchemeBase::bind_was_pressed(InputBinder& binder, bool* field, const std::string& name) {
    return add_target(binder, InputTargetWasPressed, field, name);
}

void InputSchemeBase::update(InputAxes& axes) {
    if (m_targets.empty()) {
        InputBinder binder{&m_targets, &axes};
        bind(binder);
    }
    before_read();
    for (const InputTarget& target : m_targets) {
        switch (target.kind) {
        case InputTargetAxisFloat:
            *static_cast<float*>(target.target) = axes.value(target.name).x;
            break;
        case InputTargetAxisVec2:
            *static_cast<glm::vec2*>(target.target) = axes.value(target.name);
            break;
        case InputTargetIsDown:
            *static_cast<bool*>(target.target) = axes.is_down(target.name);
            break;
        case InputTargetWasPressed:
            *static_cast<bool*>(target.target) = axes.was_pressed(target.name);
            break;
        default:
            break;
        }
    }
    after_read();
}
