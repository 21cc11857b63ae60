#include "Engine/Engine/Engine.h"

#include <exception>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "Engine/Engine/EditorLayout.h"
#include "Engine/Engine/Interrupt.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Log.h"

Engine::Engine(const EngineConfig& config)
    : m_config(config), m_clock(config.time_source ? config.time_source : TimeSource(monotonic_ns)),
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
        start_render_backend();
    }
    m_running = true;
    m_thread_pool.init(16, PoolMode::Threaded);
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
    if (m_config.has_window && m_render_context.has_backend()) {
        m_render_context.shutdown();
    }
    m_event_bus.unsubscribe_all(this);
    m_running = false;
    m_thread_pool.shutdown();
}

void Engine::start_render_backend() {
    std::unique_ptr<RenderContextBase> backend = create_render_context(RenderBackendOpenGL);
    if (!backend) {
        throw std::runtime_error("No render back end");
    }
    m_render_context = RenderContext(std::move(backend));
    Result result = m_render_context.init(m_config);
    if (result.failed) {
        // Nothing after this point works without a back end: end the run here rather than crash later.
        {
            LogGuard error(LogLevelError, LogEngine, 1);
            LOGF("Render back end init failed: {}", result.message);
        }
        m_render_context.shutdown();
        m_render_context = RenderContext();
        throw std::runtime_error(result.message);
    }
    m_render_context.set_display_mode(0);
    install_editor_layout_settings();
    m_renderer.init(m_render_context);
    m_viewport_target = m_render_context.create_framebuffer(m_config.width, m_config.height);
    m_event_bus.publish(WindowResizedEvent{
        ViewportRect{0, 0, static_cast<int32_t>(m_config.width), static_cast<int32_t>(m_config.height)}});
}

void Engine::switch_scene() {
    LogGuard scope(LogLevelInfo, LogEngine, 1);
    LOGF("Loading new scene...");
    // A reload reads and checks the package before the running scene stops: a damaged or missing file then
    // keeps the scene running instead of ending the game.
    const bool restart = m_current_scene && m_pending_scene == m_current_scene;
    std::optional<AssetLoadResult> reloaded;
    if (restart) {
        reloaded = load_assets(kSceneAssetsPath);
        if (reloaded->failed) {
            m_pending_scene.reset();
            report_failure(m_control_bar_notice,
                           fmt::format("Reload failed, the running scene is kept: {}", reloaded->message));
            return;
        }
    }
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
    if (!restart) {
        // The first start: a failure ends the run, with the reason on the terminal.
        start_current_scene(std::nullopt);
        LOGF("Done");
        return;
    }
    // A package can load and still lack what the scene needs. The scene then starts again on the package it
    // ran on, so that the game goes on.
    AssetPackage previous = m_current_scene->release_assets();
    try {
        start_current_scene(std::move(reloaded));
    } catch (const std::exception& error) {
        report_failure(m_control_bar_notice, fmt::format("Reload failed, the running scene is kept: {}", error.what()));
        m_current_scene->stop();
        if (m_config.has_window) {
            m_current_scene->stop_rendering();
        }
        start_current_scene(AssetLoadResult{std::move(previous), {}, false});
    }
    LOGF("Done");
}

void Engine::start_current_scene(std::optional<AssetLoadResult> loaded) {
    LOGF("Starting new scene");
    m_current_scene->start(*this, std::move(loaded));
    if (m_config.has_window) {
        LOGF("Starting new scene rendering");
        m_current_scene->start_rendering();
    }
}

void Engine::report_failure(PanelNotice& panel, const std::string& line) {
    {
        LogGuard error(LogLevelError, LogEngine, 1);
        LOGF("{}", line);
    }
    panel.show(line);
    if (m_config.report_failure) {
        m_config.report_failure(line);
    }
}

void Engine::run() {
    startup();
    SimulationTick tick;
    do {
        tick = run_frame();
    } while (!tick.quit);
    shutdown();
}

SimulationTick Engine::run_frame() {
    SimulationTick tick;
    while (!m_clock.advance(tick)) {
    }
    if (m_pending_scene) {
        switch_scene();
    }
    if (replaying()) {
        replay_frame(tick);
    } else {
        live_frame(tick);
    }
    return tick;
}

void Engine::live_frame(const SimulationTick& tick) {
    m_input.begin_tick(tick.tick, tick.application_time);
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
    // In the editor the pointer stays mapped to the panel; a layout change reaches it through the panel.
    if (!m_editor_mode) {
        m_input.set_viewport(event.rect);
    }
}

void Engine::handle(const TimescaleEvent& event) { m_clock.set_timescale(event.timescale); }

void Engine::handle(const FixedDeltaTimeEvent& event) { m_clock.set_fixed_delta(event.fixed_delta_time); }

void Engine::handle(const DisplayModeEvent& event) {
    if (m_render_context.has_backend()) {
        m_render_context.set_display_mode(event.mode);
    }
}

ViewportRect Engine::live_viewport() const {
    return m_editor_mode && m_viewport_panel_drawn ? m_game_viewport : m_window_rect;
}

void Engine::handle(const ToggleEditorEvent&) {
    m_editor_mode = !m_editor_mode;
    // Back in the editor, scene and input get the panel's rectangle again, not the window's: the panel
    // only publishes when it moves. Its first draw after the entry publishes anyway, so a panel laid out
    // anew (or never drawn yet) corrects what is published here.
    const ViewportRect rect = live_viewport();
    m_viewport_publish_pending = m_editor_mode;
    m_input.set_viewport(rect);
    m_event_bus.publish(ViewportResizedEvent{rect});
}
