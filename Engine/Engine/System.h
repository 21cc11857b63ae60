#pragma once
// Systems: named pieces of per-tick work that a scene runs as members of ordered groups.

#include <cstdint>
#include <string>
#include <string_view>

#include "Engine/Engine/SimulationTick.h"

class SceneBase;
class EventBus;
class EntityPool;
class ThreadPool;
struct AssetPackage;
struct Camera;
class Renderer;
class DebugLines;
struct ViewportRect;

// The nine system groups in run order; MAX is the count.
struct SystemGroup {
    enum : uint32_t {
        PreTick = 0,
        Tick = 1,
        Fixed = 2,
        PostFixed = 3,
        AfterFixed = 4,
        Render = 5,
        EditorUi = 6,
        Unused = 7,
        UnusedRender = 8,
        MAX = 9,
    };
};

class SystemBase {
public:
    explicit SystemBase(std::string_view name);
    // Removes the system's own subscriptions, so a system may subscribe in on_attach without undoing it.
    virtual ~SystemBase();
    virtual void on_attach(SceneBase& scene);
    virtual void update(const SimulationTick& tick) = 0;
    // A render step that is not drawn (a replayed record of a seek before the one it shows): a system whose
    // render step changes what the simulation reads later does that part here, and nothing else.
    virtual void update_undrawn(const SimulationTick& tick);

    SystemBase(const SystemBase&) = delete;
    SystemBase& operator=(const SystemBase&) = delete;

    void attach(SceneBase& scene);
    void run_system(const SimulationTick& tick) { update(tick); }

    void set_group(uint32_t group) { m_group = group; }
    uint32_t group() const { return m_group; }
    // Registration order within the scene: where the system goes back to when it is unparked.
    void set_rank(uint32_t rank) { m_rank = rank; }
    uint32_t rank() const { return m_rank; }
    // The group a park left (-1 when not parked, or moved on purpose since).
    void set_parked_from(int32_t group) { m_parked_from = group; }
    int32_t parked_from() const { return m_parked_from; }
    std::string_view name() const { return m_name; }
    SceneBase* scene() const { return m_scene; }
    bool attached() const { return m_scene != nullptr; }

    // The group's name from the fixed table ("PreTick" ... "UnusedRender", "MAX"); "Invalid" outside it.
    static std::string_view group_name(int32_t group);

    // Reached through the scene; valid once the system is attached.
    EventBus& event_bus() const;
    const ViewportRect& viewport() const;
    EntityPool& entity_pool() const;
    AssetPackage& assets() const;
    ThreadPool& thread_pool() const;
    Camera& camera() const;
    Renderer& renderer() const;
    // The debug-line buffer cleared at the start of the same kind of step as the group's: tick, fixed or
    // render. Parked groups never run and have none (std::logic_error).
    DebugLines& debug_lines() const;

private:
    std::string m_name;
    uint32_t m_group = 0;
    uint32_t m_rank = 0;
    int32_t m_parked_from = -1;
    SceneBase* m_scene = nullptr;
};
