#include "Engine/Engine/Engine.h"

#include <exception>

#include "Engine/Engine/Interrupt.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Log.h"

Engine::Engine(const EngineConfig& config)
    : m_config(config),
      m_window_rect{0, 0, static_cast<int32_t>(config.width), static_cast<int32_t>(config.height)} {}

Engine::~Engine() {
    if (!m_running) {
        return;
    }
    // Reached while unwinding from a failed run: shut down, but never throw out of a destructor.
    try {
        shutdown();
    } catch (const std::exception& error) {
        LogGuard scope(LogLevelError, LogEngine, 1);
        LOGF("Shutdown failed: {}", error.what());
    }
}

void Engine::set_scene(std::shared_ptr<SceneBase> scene) { m_pending_scene = std::move(scene); }

void Engine::startup() {
    LogGuard scope(LogLevelInfo, LogEngine, 1);
    LOGF("Running startup");
    m_event_bus.subscribe<QuitEvent>(this);
    m_event_bus.subscribe<FreezeToggleEvent>(this);
    m_event_bus.subscribe<StepEvent>(this);
    m_event_bus.subscribe<ReloadEvent>(this);
    m_event_bus.subscribe<WindowResizedEvent>(this);
    m_event_bus.subscribe<TimescaleEvent>(this);
    m_event_bus.subscribe<FixedDeltaTimeEvent>(this);
    m_event_bus.subscribe<DisplayModeEvent>(this);
    m_event_bus.subscribe<ToggleEditorEvent>(this);

    if (m_config.has_window) {
        // RENDER: the OpenGL back end is created and initialised here (window, GL context, GUI), the display
        // mode set to windowed, the renderer initialised, the viewport render target created, and a
        // WindowResizedEvent with the configured size published.
    }
    m_running = true;
    m_thread_pool.init(16, 1);
    m_event_bus.publish(ViewportResizedEvent{m_window_rect});
}

void Engine::shutdown() {
    if (m_current_scene) {
        m_current_scene->stop();
        if (m_config.has_window) {
            m_current_scene->stop_rendering();
        }
    }
    m_event_bus.dispatch();
    if (m_config.has_window) {
        // RENDER: the render back end shuts down here (GUI back ends, GL context, window).
    }
    m_event_bus.unsubscribe_all(this);
    m_running = false;
    m_thread_pool.shutdown();
}

void Engine::switch_scene() {
    LogGuard scope(LogLevelInfo, LogEngine, 1);
    LOGF("Loading new scene...");
    if (m_current_scene) {
        LOGF("Stopping old scene");
        m_current_scene->stop();
        if (m_config.has_window) {
            LOGF("Stopping old scene rendering");
            m_current_scene->stop_rendering();
        }
    }
    m_current_scene = std::move(m_pending_scene);
    m_pending_scene.reset();
    LOGF("Starting new scene");
    m_current_scene->start(*this);
    if (m_config.has_window) {
        LOGF("Starting new scene rendering");
        m_current_scene->start_rendering();
    }
    LOGF("Done");
}

void Engine::run() {
    startup();
    SimulationTick tick;
    do {
        while (!m_clock.advance(tick)) {
        }
        if (m_pending_scene) {
            switch_scene();
        }
        if (m_recording_state == 2 || m_recording_state == 3) {
            // RECORDING: the replay frame feeds recorded ticks and events here.
        } else {
            // INPUT: the input state begins the tick here (relative motion and wheel slots zeroed).
            poll_events(tick);
            if (m_current_scene) {
                m_current_scene->update_input_schemes();
            }
            if (m_current_scene && tick.run_simulation_tick) {
                m_current_scene->engine_tick(tick);
            }
            m_event_bus.dispatch();
            render_frame(tick);
        }
    } while (!tick.quit);
    shutdown();
}

void Engine::poll_events(const SimulationTick&) {
    if (take_interrupt_request()) {
        m_event_bus.publish(QuitEvent{});
    }
    if (!m_config.has_window) {
        return;
    }
    // RECORDING: while recording, a new tick record is appended here.
    // RENDER: platform events are drained from the back end here.
}

void Engine::window_resized(int32_t width, int32_t height) {
    ViewportRect rect{0, 0, width, height};
    m_event_bus.publish(WindowResizedEvent{rect});
    if (!m_editor_mode) {
        m_event_bus.publish(ViewportResizedEvent{rect});
    }
}

void Engine::render_frame(const SimulationTick&) {
    if (!m_config.has_window) {
        return;
    }
    // RENDER: the frame is drawn here (editor workspace and panels, or the scene to the window).
}

void Engine::handle(const QuitEvent&) { m_clock.request_quit(); }

void Engine::handle(const FreezeToggleEvent&) { m_clock.toggle_freeze(); }

void Engine::handle(const StepEvent& event) {
    if (event.fixed) {
        m_clock.request_step_fixed();
    } else {
        m_clock.request_step();
    }
}

void Engine::handle(const ReloadEvent&) {
    // Without a current scene there is nothing to reload; a pending first scene is kept.
    if (m_current_scene) {
        m_pending_scene = m_current_scene;
    }
}

void Engine::handle(const WindowResizedEvent& event) {
    m_window_rect = event.rect;
    // INPUT: the input state's viewport follows the window here.
}

void Engine::handle(const TimescaleEvent& event) { m_clock.set_timescale(event.timescale); }

void Engine::handle(const FixedDeltaTimeEvent& event) { m_clock.set_fixed_delta(event.fixed_delta_time); }

void Engine::handle(const DisplayModeEvent&) {
    // RENDER: the back end's display mode is set here.
}

void Engine::handle(const ToggleEditorEvent&) {
    m_editor_mode = !m_editor_mode;
    // INPUT: the input state's viewport becomes the window here.
    m_event_bus.publish(ViewportResizedEvent{m_window_rect});
}
