#include "Engine/Engine/System.h"

#include <array>
#include <stdexcept>

#include <fmt/format.h>

#include "Engine/Engine/Scene.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/DebugLines.h"

namespace {

constexpr std::array<std::string_view, SystemGroup::MAX + 1> kGroupNames = {
    "PreTick", "Tick", "Fixed", "PostFixed", "AfterFixed", "Render", "EditorUi", "Unused", "UnusedRender", "MAX",
};

} // namespace

SystemBase::SystemBase(std::string_view name) : m_name(name) {}

SystemBase::~SystemBase() {
    // A system that was never attached (a render system of a windowless run) has no scene and so no
    // subscriptions to remove.
    if (m_scene != nullptr && m_scene->has_engine()) {
        m_scene->event_bus().unsubscribe_all(this);
    }
}

void SystemBase::on_attach(SceneBase&) {}

void SystemBase::update_undrawn(const SimulationTick&) {}

void SystemBase::attach(SceneBase& scene) {
    m_scene = &scene;
    on_attach(scene);
}

std::string_view SystemBase::group_name(int32_t group) {
    if (group < 0 || group > static_cast<int32_t>(SystemGroup::MAX)) {
        return "Invalid";
    }
    return kGroupNames[static_cast<size_t>(group)];
}

EventBus& SystemBase::event_bus() const { return m_scene->event_bus(); }

const ViewportRect& SystemBase::viewport() const { return m_scene->viewport(); }

EntityPool& SystemBase::entity_pool() const { return m_scene->entity_pool(); }

AssetPackage& SystemBase::assets() const { return m_scene->assets(); }

ThreadPool& SystemBase::thread_pool() const { return m_scene->thread_pool(); }

Camera& SystemBase::camera() const { return m_scene->camera(); }

Renderer& SystemBase::renderer() const { return m_scene->renderer(); }

DebugLines& SystemBase::debug_lines() const {
    switch (m_group) {
    case SystemGroup::PreTick:
    case SystemGroup::Tick:
    case SystemGroup::AfterFixed:
        return debug_lines_tick();
    case SystemGroup::Fixed:
    case SystemGroup::PostFixed:
        return debug_lines_fixed();
    case SystemGroup::Render:
    case SystemGroup::EditorUi:
        return debug_lines_render();
    default:
        throw std::logic_error(
            fmt::format("system {} in group {} has no debug lines", m_name, group_name(static_cast<int32_t>(m_group))));
    }
}
