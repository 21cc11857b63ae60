// Input recording and play-back: the states of the "Recording" panel, the replay frame and the panel itself.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <istream>
#include <sstream>

#include <ext/stdio_filebuf.h>

#include <SDL.h>
#include <fmt/format.h>
#include <imgui.h>

#include "Engine/Engine/EditorLayout.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Log.h"
#include "Engine/Platform/FileReplace.h"
#include "Engine/Platform/RegularFile.h"
#include "Engine/Random.h"

namespace {

SDL_Event as_sdl(const RecordedEvent& raw) {
    SDL_Event event;
    std::memcpy(&event, raw.data(), sizeof event);
    return event;
}

RecordedEvent as_raw(const SDL_Event& event) {
    RecordedEvent raw;
    std::memcpy(raw.data(), &event, raw.size());
    return raw;
}

} // namespace

void Engine::restart_for_replay() {
    // Both generators, before the scene restarts: the recorded run and every play-back of it then see the same
    // random sequence from the scene's start on.
    std::srand(0);
    random_seed(0);
    if (m_current_scene) {
        m_pending_scene = m_current_scene;
    }
    // In place: the axes keep their pointer to the input state. The viewport in effect stays.
    const ViewportRect viewport = m_input.viewport();
    m_input.rebuild();
    m_input.set_viewport(viewport);
    m_input_axes.clear_edges();
    m_release_pending = false;
}

void Engine::start_recording() {
    m_recording_state = kRecordingActive;
    m_records.clear();
    m_records.shrink_to_fit();
    m_total_recorded_events = 0;
    restart_for_replay();
}

void Engine::cancel_recording() { m_recording_state = kRecordingIdle; }

void Engine::finish_recording() {
    m_recording_state = kRecordingIdle;
    std::ostringstream bytes(std::ios::binary);
    write_recording(m_records, bytes);
    // Written beside the old file and moved over it only when whole: a full disk keeps the previous one.
    const Result written = replace_file(kRecordingFile, bytes.view());
    if (written.failed) {
        report_failure(m_recording_notice, fmt::format("Cannot write {}: {}; the previous recording is kept",
                                                       kRecordingFile, written.message));
    }
}

void Engine::play_recording(bool paused, int32_t start_index) {
    std::vector<TickRecord> read;
    Result result;
    // Refused before any read when it is not a regular file: a named pipe would block the game.
    OpenedFile file = open_regular_file(kRecordingFile);
    if (file.fd < 0) {
        result = Result::fail(file.reason);
    } else {
        // The buffer owns the descriptor and closes it.
        __gnu_cxx::stdio_filebuf<char> buffer(file.fd, std::ios::in | std::ios::binary);
        std::istream in(&buffer);
        result = read_recording(read, in);
    }
    if (result.failed) {
        // Nothing changes: no restart, no play-back.
        m_recording_state = kRecordingIdle;
        report_failure(m_recording_notice, fmt::format("Cannot play {}: {}", kRecordingFile, result.message));
        return;
    }
    m_recording_state = paused ? kReplayPaused : kReplayPlaying;
    m_replay_index = 0;
    m_replay_steps = start_index;
    m_records = std::move(read);
    m_total_recorded_events = 0;
    restart_for_replay();
}

void Engine::stop_playing() {
    m_recording_state = kRecordingIdle;
    use_live_viewport();
}

void Engine::use_recorded_viewport(const ViewportRect& recorded) {
    // The camera's aspect turns the recorded pointer into the aim, so a play-back in a window or panel of
    // another shape takes the recorded shape. Only a differing shape is handed on: the same shape leaves the
    // camera untouched.
    if (!m_current_scene) {
        return;
    }
    const ViewportRect& scene = m_current_scene->viewport();
    if (scene.width != recorded.width || scene.height != recorded.height) {
        m_current_scene->handle(ViewportResizedEvent{recorded});
    }
}

void Engine::use_live_viewport() {
    const ViewportRect live = live_viewport();
    m_input.set_viewport(live);
    if (m_current_scene && m_current_scene->viewport() != live) {
        m_event_bus.publish(ViewportResizedEvent{live});
    }
}

void Engine::pause_playing() { m_recording_state = kReplayPaused; }

void Engine::resume_playing() { m_recording_state = kReplayPlaying; }

void Engine::seek_recording(int32_t delta) {
    if (delta >= 1) {
        m_replay_steps += delta;
        return;
    }
    restart_for_replay();
    m_replay_steps = m_replay_index + delta;
    m_replay_index = 0;
}

void Engine::replay_frame(const SimulationTick& live) {
    if (m_recording_state == kReplayPlaying) {
        m_replay_steps = 1;
    }
    bool stepped = false;
    while (m_replay_steps > 0) {
        m_replay_steps -= 1;
        if (static_cast<size_t>(m_replay_index) >= m_records.size()) {
            // The end: this frame renders nothing and the next one is live.
            m_recording_state = kRecordingIdle;
            m_replay_steps = 0;
            use_live_viewport();
            return;
        }
        const TickRecord& r = m_records[static_cast<size_t>(m_replay_index)];
        m_replay_index += 1;
        stepped = true;
        m_input.begin_tick(r.tick.tick, r.tick.application_time);
        m_input.set_viewport(r.viewport);
        for (const RecordedEvent& raw : r.events) {
            m_input.handle_event(as_sdl(raw));
        }
        use_recorded_viewport(r.viewport);
        // As in a live frame: the schemes read this record's input before its tick runs.
        if (m_current_scene) {
            m_current_scene->update_input_schemes();
        }
        if (m_current_scene && r.tick.run_simulation_tick) {
            m_current_scene->engine_tick(r.tick);
        }
        m_event_bus.dispatch();
        // A live resize delivered by the dispatch leaves the recorded shape in place for the rest of the step.
        use_recorded_viewport(r.viewport);
        if (m_replay_steps == 0) {
            // The panels and the GUI see the live events; the input state does not.
            poll_events(r.tick);
            render_frame(r.tick);
        } else if (m_current_scene && draws_frames()) {
            // The recorded run rendered this frame: what that changed beyond the picture (the editor camera's
            // pan, which the aim is read through) happens here too, or the records after it diverge.
            m_current_scene->render_undrawn(r.tick);
        }
    }
    if (m_recording_state == kReplayPaused && !stepped) {
        m_input.begin_tick(live.tick, live.application_time);
        poll_events(live);
        if (m_current_scene) {
            m_current_scene->update_input_schemes();
        }
        // No record runs, but the engine's own events (closing the window, Ctrl-C) still have to arrive.
        m_event_bus.dispatch();
        if (m_replay_index > 0) {
            use_recorded_viewport(m_records[static_cast<size_t>(m_replay_index) - 1].viewport);
        }
        render_frame(live);
    }
}

void Engine::release_held_input() {
    // Only what is held is released, each through the event a release would have made, so that the recording
    // carries it. Pointer position and motion stay as they are.
    const auto feed = [this](const SDL_Event& event) {
        m_input.handle_event(event);
        if (m_recording_state == kRecordingActive && !m_records.empty()) {
            m_records.back().events.push_back(as_raw(event));
            m_total_recorded_events += 1;
        }
    };
    for (uint32_t scancode = 0; scancode < kKeyboardSlotCount; ++scancode) {
        if (m_input.slot(input_code_keyboard(scancode)).value == 0.0f) {
            continue;
        }
        SDL_Event up{};
        up.type = SDL_KEYUP;
        up.key.state = SDL_RELEASED;
        up.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
        feed(up);
    }
    const ViewportRect& v = m_input.viewport();
    const float x = m_input.slot(input_code_mouse(MousePositionX)).value;
    const float y = m_input.slot(input_code_mouse(MousePositionY)).value;
    for (uint32_t button = MouseLeft; button <= MouseExtra2; ++button) {
        if (m_input.slot(input_code_mouse(button)).value == 0.0f) {
            continue;
        }
        SDL_Event up{};
        up.type = SDL_MOUSEBUTTONUP;
        up.button.button = static_cast<uint8_t>(button + 1);
        up.button.state = SDL_RELEASED;
        up.button.x = v.x + static_cast<int32_t>(x * static_cast<float>(v.width));
        up.button.y = v.y + static_cast<int32_t>((1.0f - y) * static_cast<float>(v.height));
        feed(up);
    }
    for (uint32_t button = 0; button < kControllerButtonCount; ++button) {
        if (m_input.slot(input_code_controller_button(button)).value == 0.0f) {
            continue;
        }
        SDL_Event up{};
        up.type = SDL_CONTROLLERBUTTONUP;
        up.cbutton.button = static_cast<uint8_t>(button);
        up.cbutton.state = SDL_RELEASED;
        feed(up);
    }
    for (uint32_t axis = 0; axis < kControllerAxisCount; ++axis) {
        if (m_input.slot(input_code_controller_axis(axis)).value == 0.0f) {
            continue;
        }
        SDL_Event centerd{};
        centerd.type = SDL_CONTROLLERAXISMOTION;
        centerd.caxis.axis = static_cast<uint8_t>(axis);
        centerd.caxis.value = 0;
        feed(centerd);
    }
}

void Engine::draw_recording_panel() {
    if (begin_editor_panel(EditorPanel::Recording, "Recording")) {
        // The buttons of the state the panel starts in; the texts show the state after them.
        switch (m_recording_state) {
        case kRecordingIdle:
            if (ImGui::Button("Record")) {
                start_recording();
            }
            ImGui::SameLine();
            if (ImGui::Button("Play")) {
                play_recording(false, m_panel_start_index);
            }
            ImGui::SameLine();
            if (ImGui::Button("Play Paused")) {
                play_recording(true, m_panel_start_index);
            }
            // The panel is narrow: the input gets a line of its own.
            ImGui::SetNextItemWidth(120.0f);
            if (ImGui::InputInt("Start at index", &m_panel_start_index, 1, 100)) {
                m_panel_start_index = std::max(m_panel_start_index, 0);
            }
            break;
        case kRecordingActive:
            if (ImGui::Button("Cancel")) {
                cancel_recording();
            }
            ImGui::SameLine();
            if (ImGui::Button("Finish")) {
                finish_recording();
            }
            break;
        case kReplayPlaying:
            if (ImGui::Button("Stop")) {
                stop_playing();
            }
            ImGui::SameLine();
            if (ImGui::Button("Pause")) {
                pause_playing();
            }
            break;
        case kReplayPaused:
            if (ImGui::Button("Stop")) {
                stop_playing();
            }
            ImGui::SameLine();
            if (ImGui::Button("Resume")) {
                resume_playing();
            }
            // The steps on a line of their own, so that the narrow panel shows them all.
            if (ImGui::Button("Step Forward")) {
                seek_recording(1);
            }
            ImGui::SameLine();
            if (ImGui::Button("Step Backwards")) {
                seek_recording(-1);
            }
            ImGui::SameLine();
            if (ImGui::Button("Restart")) {
                seek_recording(-m_replay_index);
            }
            break;
        default:
            break;
        }
        switch (m_recording_state) {
        case kRecordingActive:
            ImGui::TextUnformatted("Recording");
            ImGui::Text("%zd ticks", static_cast<ptrdiff_t>(m_records.size()));
            ImGui::Text("%zd total events", static_cast<ptrdiff_t>(m_total_recorded_events));
            break;
        case kReplayPlaying:
        case kReplayPaused:
            ImGui::TextUnformatted(m_recording_state == kReplayPlaying ? "Playing" : "Paused");
            ImGui::Text("%zd total ticks", static_cast<ptrdiff_t>(m_records.size()));
            ImGui::Text("%d current tick", m_replay_index);
            break;
        default:
            break;
        }
        m_recording_notice.draw();
    }
    ImGui::End();
}
