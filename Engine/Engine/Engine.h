#pragma once
// The engine: owns the clock, the event bus, the render back end and the scenes, and runs the main loop.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Common/Assets/AssetLoader.h"
#include "Engine/Engine/EngineConfig.h"
#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/PanelNotice.h"
#include "Engine/Engine/Recording.h"
#include "Engine/Engine/SimulationClock.h"
#include "Engine/Engine/SimulationTick.h"
#include "Engine/Engine/WindowVisibility.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/RenderContext.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Handle.h"
#include "Engine/Input/InputAxes.h"
#include "Engine/Input/InputState.h"
#include "Engine/ThreadPool.h"
#include "Engine/ViewportRect.h"

class SceneBase;

class Engine {
public:
    explicit Engine(const EngineConfig& config);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Start-up, the main loop until the quit flag is seen, shut-down.
    void run();
    // The loop's parts, for drivers that step frames themselves: start-up, one frame (its tick record is
    // returned), shut-down.
    void startup();
    SimulationTick run_frame();
    void shutdown();
    // The scene becomes current at the start of the next frame; it replaces any scene already pending.
    void set_scene(std::shared_ptr<SceneBase> scene);

    void poll_events(const SimulationTick& tick);
    // A platform window resize: the window rectangle changes, and outside the editor the scene's viewport.
    void window_resized(int32_t width, int32_t height);
    void render_frame(const SimulationTick& tick);
    // Frames are put on screen: a window with a working back end.
    bool draws_frames() const { return m_config.has_window && m_render_context.has_backend(); }

    EventBus& event_bus() { return m_event_bus; }
    InputState& input() { return m_input; }
    InputAxes& input_axes() { return m_input_axes; }
    ThreadPool& thread_pool() { return m_thread_pool; }
    RenderContext& render_context() { return m_render_context; }
    Renderer& renderer() { return m_renderer; }
    const EngineConfig& config() const { return m_config; }
    const SimulationClock& clock() const { return m_clock; }
    const ViewportRect& window_rect() const { return m_window_rect; }
    const ViewportRect& game_viewport() const { return m_game_viewport; }
    bool running() const { return m_running; }
    bool editor_mode() const { return m_editor_mode; }
    // False while the window is minimised or hidden: frames then run the simulation but draw nothing.
    bool window_visible() const { return ::window_visible(m_window_visibility); }
    const std::shared_ptr<SceneBase>& current_scene() const { return m_current_scene; }
    const std::shared_ptr<SceneBase>& pending_scene() const { return m_pending_scene; }

    // The engine's own handlers of the control events.
    void handle(const QuitEvent& event);
    void handle(const FreezeToggleEvent& event);
    void handle(const StepEvent& event);
    void handle(const ReloadEvent& event);
    void handle(const WindowResizedEvent& event);
    void handle(const TimescaleEvent& event);
    void handle(const FixedDeltaTimeEvent& event);
    void handle(const DisplayModeEvent& event);
    void handle(const ToggleEditorEvent& event);

    // Editor panels, drawn by render_frame.
    void draw_viewport_panel();
    void draw_control_bar(const SimulationTick& tick);
    void draw_recording_panel();

    // Input recording and play-back ("Recording" panel). States: 0 idle, 1 recording, 2 playing, 3 paused.
    // Record, Play and Play Paused reseed the random generators and restart the current scene at the next frame.
    void start_recording();
    void cancel_recording();
    // Writes the records to "recording.bin"; a file that cannot be written is reported.
    void finish_recording();
    // Reads "recording.bin"; a missing or damaged file leaves the engine idle with one log line.
    void play_recording(bool paused, int32_t start_index);
    void stop_playing();
    void pause_playing();
    void resume_playing();
    // Paused play-back: forward by delta records, or (delta < 1) restart and replay up to index + delta.
    void seek_recording(int32_t delta);

    uint32_t recording_state() const { return m_recording_state; }
    bool replaying() const { return m_recording_state == kReplayPlaying || m_recording_state == kReplayPaused; }
    const std::vector<TickRecord>& records() const { return m_records; }
    uint64_t total_recorded_events() const { return m_total_recorded_events; }
    int32_t replay_index() const { return m_replay_index; }
    int32_t replay_steps() const { return m_replay_steps; }

    static constexpr uint32_t kRecordingIdle = 0;
    static constexpr uint32_t kRecordingActive = 1;
    static constexpr uint32_t kReplayPlaying = 2;
    static constexpr uint32_t kReplayPaused = 3;

    // The failure line each panel shows until the next action there; empty when none.
    const std::string& control_bar_notice() const { return m_control_bar_notice.text(); }
    const std::string& recording_notice() const { return m_recording_notice.text(); }

private:
    void start_render_backend();
    void draw_workspace_backdrop();
    void draw_simulation_ticks(const SimulationTick& tick);
    void draw_main_menu();
    void switch_scene();
    // Starts the current scene, with its rendering when there is a window.
    void start_current_scene(std::optional<AssetLoadResult> loaded);
    // A user action failed: the log's error line, the panel's line and the configured report.
    void report_failure(PanelNotice& panel, const std::string& line);
    void live_frame(const SimulationTick& tick);
    void replay_frame(const SimulationTick& live);
    // Reseeds the C runtime's and the global generator with 0, restarts the current scene at the next frame
    // and gives the input a fresh state: the start of every recorded or replayed run.
    void restart_for_replay();
    // The game's view now: in the editor the "Viewport" panel once it has been drawn, else the window.
    ViewportRect live_viewport() const;
    // A replayed record's view for the scene, whose camera shape the aim is read through.
    void use_recorded_viewport(const ViewportRect& recorded);
    // After a play-back: the scene and the input state back on the live view.
    void use_live_viewport();
    // Releases what the input state holds through events, so that a recording keeps the release.
    void release_held_input();
    // Whether a polled event goes on to the input state and into the recording, or stays with the GUI.
    bool reaches_game(const SDL_Event& event) const;
    bool game_holds_mouse_button(uint32_t sdl_button) const;
    // In the editor: a pointer event at (x, y) falls on the viewport's picture with no window of the GUI above
    // it and the GUI not busy with a press of its own.
    bool lands_on_picture(float x, float y) const;

    EngineConfig m_config;
    SimulationClock m_clock;
    ThreadPool m_thread_pool;
    EventBus m_event_bus;
    InputState m_input;
    InputAxes m_input_axes{&m_input};
    RenderContext m_render_context;
    Renderer m_renderer;
    ViewportRect m_window_rect;
    WindowVisibility m_window_visibility;
    bool m_running = false;
    std::shared_ptr<SceneBase> m_pending_scene;
    std::shared_ptr<SceneBase> m_current_scene;
    ViewportRect m_game_viewport{0, 0, 400, 400};
    Handle m_viewport_target = kInvalidHandle;
    std::vector<TickRecord> m_records;
    uint64_t m_total_recorded_events = 0;
    uint32_t m_recording_state = 0;
    int32_t m_replay_index = 0;
    int32_t m_replay_steps = 0;
    bool m_editor_mode = false;
    // The "Viewport" panel has been drawn, so m_game_viewport is its rectangle; its next draw publishes it
    // even when unchanged.
    bool m_viewport_panel_drawn = false;
    bool m_viewport_publish_pending = false;
    bool m_ui_captures_keyboard = false;
    bool m_ui_captures_mouse = false;
    // The GUI's id of the viewport's picture, the item that owns the presses on it.
    uint32_t m_picture_item = 0;
    // While recording, a release of held input asked for by the viewport panel waits for the next frame's
    // record, so that the play-back applies it at the same point of the run.
    bool m_release_pending = false;
    // The "Recording" panel's "Start at index".
    int32_t m_panel_start_index = 0;

    // The "Control Bar"'s own values: the time scale is not read back from the clock, and the fixed step
    // is taken from the tick the first time the panel is drawn.
    float m_panel_timescale = 1.0f;
    float m_panel_fixed_delta = 0.0f;
    bool m_panel_fixed_delta_set = false;

    PanelNotice m_control_bar_notice;
    PanelNotice m_recording_notice;
};
