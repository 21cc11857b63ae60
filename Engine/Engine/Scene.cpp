#include "Engine/Engine/Scene.h"

#include <algorithm>
#include <utility>

#include "Common/Assets/AssetLoader.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/TypeId.h"

namespace {

// Attached at scene start; Render and UnusedRender wait for the start of rendering.
constexpr uint32_t kStartGroups[] = {
    SystemGroup::PreTick,    SystemGroup::Tick,     SystemGroup::Fixed,  SystemGroup::PostFixed,
    SystemGroup::AfterFixed, SystemGroup::EditorUi, SystemGroup::Unused,
};
constexpr uint32_t kRenderGroups[] = {SystemGroup::Render, SystemGroup::UnusedRender};

} // namespace

SceneBase::~SceneBase() = default;

EventBus& SceneBase::event_bus() const { return m_engine->event_bus(); }

ThreadPool& SceneBase::thread_pool() const { return m_engine->thread_pool(); }

Renderer& SceneBase::renderer() const { return m_engine->renderer(); }

RenderContext& SceneBase::render_context() const { return m_engine->render_context(); }

Camera SceneBase::default_scene_camera() {
    Camera camera;
    camera.set_ortho(1.0f, 1.0f, 1.0f);
    return camera;
}

size_t SceneBase::checked_group(int32_t group) {
    if (group < 0 || group >= static_cast<int32_t>(SystemGroup::MAX)) {
        throw std::out_of_range(fmt::format("system group {} is out of range", group));
    }
    return static_cast<size_t>(group);
}

void SceneBase::attach_group(uint32_t group) {
    for (auto& system : m_systems[group]) {
        system->attach(*this);
    }
}

template <typename Hook>
void SceneBase::run_start_hook(Hook&& hook) {
    try {
        hook();
    } catch (const std::exception& error) {
        if (!m_assets_failure.empty()) {
            throw std::runtime_error(
                fmt::format("{} could not be loaded: {} ({})", kSceneAssetsPath, m_assets_failure, error.what()));
        }
        // The package loaded but lacks what the scene needs (an older one, one without the game's assets).
        if (const auto* missing = dynamic_cast<const MissingAssetError*>(&error)) {
            throw std::runtime_error(fmt::format("{} has no {} \"{}\" ({})", kSceneAssetsPath, missing->kind,
                                                 missing->wanted, missing->what()));
        }
        throw;
    }
}

void SceneBase::start(Engine& engine, std::optional<AssetLoadResult> loaded) {
    LogGuard scope(LogLevelInfo, LogScene, 1);
    m_engine = &engine;
    // Every start is the same known state, so a reload, a recording and its play-backs begin alike.
    m_paused = false;
    EventBus& bus = event_bus();
    bus.subscribe<TransitionSystemEvent>(this);
    bus.subscribe<PauseRequestEvent>(this);
    bus.subscribe<ViewportResizedEvent>(this);

    // A missing or damaged file leaves the package empty; the loader logs why.
    if (!loaded) {
        loaded = load_assets(kSceneAssetsPath);
    }
    m_assets = std::move(loaded->package);
    m_assets_failure = loaded->failed ? loaded->message : std::string();

    // Systems and handlers may look assets up as they attach: a miss there is a failed start too.
    run_start_hook([this] {
        on_start();
        for (auto& handler : m_event_handlers) {
            handler->subscribe();
        }
        for (uint32_t group : kStartGroups) {
            attach_group(group);
        }
    });
}

void SceneBase::start_rendering() {
    LogGuard scope(LogLevelInfo, LogScene, 1);
    run_start_hook([this] {
        on_start_rendering();
        for (uint32_t group : kRenderGroups) {
            attach_group(group);
        }
    });
}

AssetPackage SceneBase::release_assets() { return std::exchange(m_assets, AssetPackage{}); }

void SceneBase::stop() {
    LogGuard scope(LogLevelInfo, LogScene, 1);
    for (auto& handler : m_event_handlers) {
        handler->unsubscribe();
    }
    m_event_handlers.clear();
    for (SystemList& list : m_systems) {
        list.clear();
    }
    m_input_schemes.clear();
    if (m_engine != nullptr) {
        event_bus().unsubscribe_all(this);
    }
    on_stop();
}

void SceneBase::stop_rendering() {
    LogGuard scope(LogLevelInfo, LogScene, 1);
    on_stop_rendering();
}

void SceneBase::engine_tick(const SimulationTick& tick) {
    LogGuard scope(LogLevelInfo, LogScene, 1);
    m_entity_pool.flush([this](EntityId id) {
        auto* body =
            static_cast<PhysicsBody*>(m_entity_pool.list_of(id).get_component(component_type_id<PhysicsBody>(), id));
        if (body != nullptr) {
            m_joints.remove_body(*body);
        }
    });
    // Lines drawn in a step live until the same kind of step starts again.
    debug_lines_tick().clear();
    if (tick.run_simulation_tick_fixed) {
        debug_lines_fixed().clear();
    }
    on_tick(tick);
    for (auto& system : m_systems[SystemGroup::Tick]) {
        system->run_system(tick);
    }
    if (tick.run_simulation_tick_fixed) {
        for (auto& system : m_systems[SystemGroup::Fixed]) {
            system->run_system(tick);
        }
        solve_velocity_constraints(m_constraints, kSolverIterations);
        for (auto& system : m_systems[SystemGroup::PostFixed]) {
            system->run_system(tick);
        }
    }
    for (auto& system : m_systems[SystemGroup::AfterFixed]) {
        system->run_system(tick);
    }
}

void SceneBase::render(const SimulationTick& tick) {
    LogGuard scope(LogLevelInfo, LogScene, 1);
    debug_lines_render().clear();
    Renderer& draw = renderer();
    if (!m_paused) {
        draw.advance_time(tick.delta_time);
    }
    draw.set_world_camera(m_camera);
    if (tick.run_simulation_tick) {
        for (auto& system : m_systems[SystemGroup::Render]) {
            system->run_system(tick);
        }
        on_render(tick);
        draw.upload_batches(render_context());
    }
    // Every rendered frame shows the debug lines, also when its tick did not run.
    draw.add_debug_lines(debug_lines_tick());
    draw.add_debug_lines(debug_lines_fixed());
    draw.add_debug_lines(debug_lines_render());
    draw.debug_line_batch().upload(render_context());
}

void SceneBase::render_undrawn(const SimulationTick& tick) {
    if (!tick.run_simulation_tick) {
        return;
    }
    for (auto& system : m_systems[SystemGroup::Render]) {
        system->update_undrawn(tick);
    }
}

void SceneBase::editor_ui(const SimulationTick& tick) {
    for (auto& system : m_systems[SystemGroup::EditorUi]) {
        system->run_system(tick);
    }
    on_editor_ui(tick);
    draw_scene_window();
}

void SceneBase::update_input_schemes() {
    for (InputSchemeBase* scheme : m_input_schemes) {
        scheme->update(engine().input_axes());
    }
}

std::unique_ptr<SystemBase>* SceneBase::find_system(std::string_view name, size_t skip, size_t& group) {
    for (size_t g = 0; g < m_systems.size(); ++g) {
        if (g == skip) {
            continue;
        }
        SystemList& list = m_systems[g];
        auto it = std::find_if(list.begin(), list.end(), [&](const auto& s) { return s->name() == name; });
        if (it != list.end()) {
            group = g;
            return &*it;
        }
    }
    return nullptr;
}

namespace {

void log_move(size_t from, size_t to) {
    LogGuard scope(LogLevelInfo, LogScene, 1);
    LOGF("Move from group {} to {}", SystemBase::group_name(static_cast<int32_t>(from)),
         SystemBase::group_name(static_cast<int32_t>(to)));
}

void log_not_found() {
    LogGuard scope(LogLevelError, LogScene, 1);
    LOGF("Failed to transition system, not found");
}

} // namespace

void SceneBase::transition_system(std::string_view name, int32_t group) {
    LOGF("Transitioning system {}", name);
    const size_t target = checked_group(group);
    size_t from = 0;
    std::unique_ptr<SystemBase>* slot = find_system(name, target, from);
    if (slot == nullptr) {
        // Already there: it stays, and a park no longer takes it back elsewhere.
        for (auto& system : m_systems[target]) {
            if (system->name() == name) {
                system->set_parked_from(-1);
            }
        }
        log_not_found();
        return;
    }
    log_move(from, target);
    std::unique_ptr<SystemBase> system = std::move(*slot);
    m_systems[from].erase(m_systems[from].begin() + (slot - m_systems[from].data()));
    system->set_group(static_cast<uint32_t>(target));
    system->set_parked_from(-1);
    m_systems[target].push_back(std::move(system));
}

void SceneBase::park_system(std::string_view name, int32_t group) {
    const size_t target = checked_group(group);
    size_t from = 0;
    if (find_system(name, target, from) == nullptr) {
        // Parked already: the record of where it came from stays, so that one unpark restores it however
        // often it was parked.
        LOGF("Transitioning system {}", name);
        log_not_found();
        return;
    }
    transition_system(name, group);
    m_systems[target].back()->set_parked_from(static_cast<int32_t>(from));
}

void SceneBase::unpark_system(std::string_view name) {
    LOGF("Transitioning system {}", name);
    size_t from = 0;
    std::unique_ptr<SystemBase>* slot = nullptr;
    // The parked one of that name: a scene may hold two systems of one name.
    for (size_t g = 0; g < m_systems.size() && slot == nullptr; ++g) {
        for (auto& system : m_systems[g]) {
            if (system->name() == name && system->parked_from() >= 0) {
                slot = &system;
                from = g;
                break;
            }
        }
    }
    if (slot == nullptr) {
        log_not_found();
        return;
    }
    const auto target = static_cast<size_t>((*slot)->parked_from());
    log_move(from, target);
    std::unique_ptr<SystemBase> system = std::move(*slot);
    m_systems[from].erase(m_systems[from].begin() + (slot - m_systems[from].data()));
    system->set_group(static_cast<uint32_t>(target));
    system->set_parked_from(-1);
    // Before the first system registered after it: its start-up place when the others are at theirs.
    SystemList& list = m_systems[target];
    auto at = std::find_if(list.begin(), list.end(), [&](const auto& s) { return s->rank() > system->rank(); });
    list.insert(at, std::move(system));
}

void SceneBase::handle(const TransitionSystemEvent& event) {
    transition_system(event.name, static_cast<int32_t>(event.group));
}

void SceneBase::handle(const PauseRequestEvent& event) {
    m_paused = event.toggle ? !m_paused : event.paused != 0;
    event_bus().publish(PauseChangedEvent{static_cast<uint8_t>(m_paused ? 1 : 0)});
}

void SceneBase::handle(const ViewportResizedEvent& event) {
    m_viewport = event.rect;
    // Each side counts as at least one pixel, so the aspect stays finite.
    float aspect =
        static_cast<float>(std::max(event.rect.width, 1)) / static_cast<float>(std::max(event.rect.height, 1));
    m_camera.set_ortho(m_camera.size, aspect, m_camera.depth);
    Camera ui;
    ui.set_ortho(1.0f, aspect, m_camera.depth);
    renderer().set_ui_camera(ui);
}
