#pragma once
// Base class of scenes: systems in nine ordered groups, event handlers, and the scene's own handlers for
// system transitions, pause requests and viewport changes.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Common/Assets/AssetLoader.h"
#include "Common/Assets/AssetPackage.h"
#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/Engine/SimulationTick.h"
#include "Engine/Engine/System.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventHandler.h"
#include "Engine/Graphics/Camera.h"
#include "Engine/Input/InputScheme.h"
#include "Engine/Log.h"
#include "Engine/Physics/JointMap.h"
#include "Engine/Physics/VelocityConstraint.h"
#include "Engine/TypeName.h"
#include "Engine/ViewportRect.h"

class Engine;
class EventBus;
class ThreadPool;
class Renderer;
class RenderContext;

// The drag payload of a row of the "Scene" window: where the dragged system sits.
struct SystemMovePayload {
    uint64_t group;
    uint64_t index;
};
static_assert(sizeof(SystemMovePayload) == 16);

// Every scene reads its package afresh from the working directory when it starts.
inline constexpr std::string_view kSceneAssetsPath = "./assets.bin";

class SceneBase {
public:
    using SystemList = std::vector<std::unique_ptr<SystemBase>>;

    SceneBase() = default;
    virtual ~SceneBase();
    virtual void on_start() = 0;
    virtual void on_stop() = 0;
    virtual void on_tick(const SimulationTick& tick) = 0;
    virtual void on_start_rendering() = 0;
    virtual void on_stop_rendering() = 0;
    virtual void on_render(const SimulationTick& tick) = 0;
    virtual void on_editor_ui(const SimulationTick& tick) = 0;

    SceneBase(const SceneBase&) = delete;
    SceneBase& operator=(const SceneBase&) = delete;

    // Called by the engine. start reads kSceneAssetsPath unless it is handed a package already read (a reload
    // reads and checks the file before it stops the running scene).
    void start(Engine& engine, std::optional<AssetLoadResult> loaded = std::nullopt);
    void start_rendering();
    void stop();
    void stop_rendering();
    void engine_tick(const SimulationTick& tick);
    void render(const SimulationTick& tick);
    // What a rendered frame changes beyond the picture, for a replayed record that is not shown: the Render
    // group's undrawn steps, in frames whose tick ran.
    void render_undrawn(const SimulationTick& tick);
    void editor_ui(const SimulationTick& tick);
    void update_input_schemes();

    // Moves the first system of that name found outside `group` to the end of `group`.
    void transition_system(std::string_view name, int32_t group);
    // A transition that remembers the group the system left, for unpark_system.
    void park_system(std::string_view name, int32_t group);
    // Puts a parked system back in the group it left, at its registration place among the systems there, so
    // a park and unpark leaves the run order as it was. A system moved on purpose since is left alone.
    void unpark_system(std::string_view name);

    // A row drop of the "Scene" window: the dragged system goes to `to_group` at the dropped row's place
    // (one less when it came from an earlier row of the same group). False, and nothing changes, for a
    // payload or row out of range or a drop on the dragged row itself.
    bool move_system(const SystemMovePayload& from, uint32_t to_group, size_t to_row);

    // Editor window listing the handlers and the systems by group, with drag and drop between groups.
    void draw_scene_window();

    // Registration, used by a scene's on_start. Systems are attached later, by start or start_rendering.
    template <typename T, typename... Args>
    T& register_system(int32_t group, Args&&... args);
    template <typename T, typename... Args>
    T& register_event_handler(Args&&... args);
    // The scene keeps the scheme itself as a member; it is refreshed every live frame until the scene stops.
    template <typename T>
    void register_input_scheme(T& scheme);

    // The scene's own event handlers.
    void handle(const TransitionSystemEvent& event);
    void handle(const PauseRequestEvent& event);
    void handle(const ViewportResizedEvent& event);

    bool has_engine() const { return m_engine != nullptr; }
    Engine& engine() const { return *m_engine; }
    EventBus& event_bus() const;
    ThreadPool& thread_pool() const;
    Renderer& renderer() const;
    RenderContext& render_context() const;
    Camera& camera() { return m_camera; }
    const ViewportRect& viewport() const { return m_viewport; }
    EntityPool& entity_pool() { return m_entity_pool; }
    AssetPackage& assets() { return m_assets; }
    // Takes the package away, for the engine to start the scene again on it when a restart fails.
    AssetPackage release_assets();
    // Rows gathered during a fixed step; solved and emptied between the Fixed and PostFixed groups.
    ConstraintList& constraints() { return m_constraints; }
    JointMap& joints() { return m_joints; }
    bool paused() const { return m_paused; }
    const std::array<SystemList, SystemGroup::MAX>& systems() const { return m_systems; }
    const std::vector<std::unique_ptr<EventHandlerInterface>>& event_handlers() const { return m_event_handlers; }
    const std::vector<InputSchemeBase*>& input_schemes() const { return m_input_schemes; }

private:
    static Camera default_scene_camera();
    static size_t checked_group(int32_t group);
    // The system of that name in any group but `skip` (MAX: any group), or nothing.
    std::unique_ptr<SystemBase>* find_system(std::string_view name, size_t skip, size_t& group);
    void attach_group(uint32_t group);
    // Runs a start hook; when the package could not be read, a failure of the hook (a lookup in the empty
    // package) is reported as the file's fault, with the file's own reason.
    template <typename Hook>
    void run_start_hook(Hook&& hook);

    Camera m_camera = default_scene_camera();
    ViewportRect m_viewport{0, 0, 400, 400};
    EntityPool m_entity_pool;
    ConstraintList m_constraints;
    JointMap m_joints;
    AssetPackage m_assets;
    // Why the package of the last start could not be read; empty when it was.
    std::string m_assets_failure;
    Engine* m_engine = nullptr;
    std::vector<std::unique_ptr<EventHandlerInterface>> m_event_handlers;
    std::array<SystemList, SystemGroup::MAX> m_systems;
    std::vector<InputSchemeBase*> m_input_schemes;
    bool m_paused = false;
    uint32_t m_next_rank = 0;
};

template <typename T, typename... Args>
T& SceneBase::register_system(int32_t group, Args&&... args) {
    SystemList& list = m_systems[checked_group(group)];
    auto system = std::make_unique<T>(std::forward<Args>(args)...);
    system->set_group(static_cast<uint32_t>(group));
    system->set_rank(m_next_rank++);
    LOGF("Registering system {} for group {}", system->name(), SystemBase::group_name(group));
    T& ref = *system;
    list.push_back(std::move(system));
    return ref;
}

template <typename T, typename... Args>
T& SceneBase::register_event_handler(Args&&... args) {
    LOGF("Registering event handler {}", type_name<T>());
    auto handler = std::make_unique<T>(event_bus(), std::forward<Args>(args)...);
    T& ref = *handler;
    m_event_handlers.push_back(std::move(handler));
    return ref;
}

template <typename T>
void SceneBase::register_input_scheme(T& scheme) {
    LOGF("Registering input scheme {}", type_name<T>());
    m_input_schemes.push_back(&scheme);
}
