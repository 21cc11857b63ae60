#pragma once
// A windowless engine with a scene whose start hook a test fills in, ticked by hand; event recorders;
// capture of standard output; a working directory that holds the built assets.bin.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Event/EventBus.h"
#include "Launcher.h"

namespace test_support {

class HarnessScene final : public SceneBase {
public:
    std::function<void(HarnessScene&)> setup;

    void on_start() override;
    void on_stop() override;
    void on_tick(const SimulationTick&) override {}
    void on_start_rendering() override {}
    void on_stop_rendering() override {}
    void on_render(const SimulationTick&) override {}
    void on_editor_ui(const SimulationTick&) override {}
};

EngineConfig windowless_config();

// A 1280 x 720 window whose every frame is 1/60 s however loaded the machine is, so a run repeats itself.
EngineConfig fixed_clock_window_config();

// Builds a simulation tick of dt seconds; fixed ticks also carry the fixed step. `share` is the part of a fixed
// step left over after the tick (fixed_time_accumulated / dt), which places the drawn Transforms between the last
// two fixed poses: 0 right after a fixed tick, as a 60 Hz frame has it.
SimulationTick make_tick(uint32_t number, float dt, bool fixed, float share = 0.0f);

// Starts a harness scene on a windowless engine (the engine itself is not run).
class SceneHarness {
public:
    explicit SceneHarness(std::function<void(HarnessScene&)> setup);
    ~SceneHarness();
    SceneHarness(const SceneHarness&) = delete;
    SceneHarness& operator=(const SceneHarness&) = delete;

    // One scene tick (flush, hook, groups), then the bus dispatch.
    void tick(float dt = 1.0f / 60.0f, bool fixed = false, float share = 0.0f);

    Engine engine;
    std::shared_ptr<HarnessScene> scene;
    uint32_t ticks = 0;
};

template <typename E>
class EventRecorder {
public:
    explicit EventRecorder(EventBus& bus) : m_bus(&bus) { bus.subscribe<E>(this); }
    ~EventRecorder() { m_bus->unsubscribe_all(this); }
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;

    void handle(const E& event) { events.push_back(event); }

    std::vector<E> events;

private:
    EventBus* m_bus;
};

// Sends standard output to a file until finish() returns what was written.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    std::string finish();

private:
    TempDir m_dir;
    int m_saved = -1;
};

// Makes a fresh directory holding the built assets.bin the working directory, and returns to the old
// one when it goes away.
class AssetsWorkingDir {
public:
    AssetsWorkingDir();
    ~AssetsWorkingDir();
    AssetsWorkingDir(const AssetsWorkingDir&) = delete;
    AssetsWorkingDir& operator=(const AssetsWorkingDir&) = delete;
    const std::filesystem::path& path() const { return m_dir.path(); }

private:
    TempDir m_dir;
    std::filesystem::path m_previous;
};

// The lines of a log capture, stripped of colour escapes and the column padding.
std::vector<std::string> log_messages(const std::string& capture);

} // namespace test_support
