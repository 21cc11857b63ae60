#pragma once
// A scene and a system that write what happens to them into one shared log, for order checks.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Engine/System.h"

namespace engine_test {

using Log = std::vector<std::string>;

class LoggingSystem : public SystemBase {
public:
    LoggingSystem(std::string_view name, Log* log) : SystemBase(name), m_log(log) {}
    ~LoggingSystem() override { m_log->push_back(fmt::format("{}:destroy", name())); }
    void on_attach(SceneBase&) override { m_log->push_back(fmt::format("{}:attach", name())); }
    void update(const SimulationTick&) override { m_log->push_back(fmt::format("{}:update", name())); }

private:
    Log* m_log;
};

struct SystemSpec {
    std::string name;
    int32_t group;
};

// Registers the given systems at start; `script` runs at every tick with the frame number (from 1).
class TestScene : public SceneBase {
public:
    explicit TestScene(Log* log, std::vector<SystemSpec> systems = {}) : m_log(log), m_specs(std::move(systems)) {}

    std::function<void(TestScene&, uint32_t frame)> script;
    uint32_t frames = 0;
    int starts = 0;
    int stops = 0;
    std::vector<SimulationTick> ticks;

    void on_start() override {
        ++starts;
        m_log->push_back("scene:start");
        for (const SystemSpec& spec : m_specs) {
            register_system<LoggingSystem>(spec.group, spec.name, m_log);
        }
    }
    void on_stop() override {
        ++stops;
        m_log->push_back("scene:stop");
    }
    void on_tick(const SimulationTick& tick) override {
        ++frames;
        ticks.push_back(tick);
        m_log->push_back("scene:tick");
        if (script) {
            script(*this, frames);
        }
    }
    void on_start_rendering() override { m_log->push_back("scene:start_rendering"); }
    void on_stop_rendering() override { m_log->push_back("scene:stop_rendering"); }
    void on_render(const SimulationTick&) override { m_log->push_back("scene:render"); }
    void on_editor_ui(const SimulationTick&) override { m_log->push_back("scene:editor_ui"); }

    Log& log() { return *m_log; }

private:
    Log* m_log;
    std::vector<SystemSpec> m_specs;
};

inline EngineConfig windowless_config() {
    EngineConfig config;
    config.has_window = false;
    return config;
}

} // namespace engine_test
