// The engine's per-frame work with the platform: draining its events and putting the frame on screen.

#include <cstring>

#include <SDL.h>

#include "Engine/Engine/DebugRendererColors.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/GuiMouse.h"
#include "Engine/Engine/Interrupt.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Graphics/RenderCommands.h"

namespace {

bool is_key_event(uint32_t type) { return type == SDL_KEYDOWN || type == SDL_KEYUP; }

bool is_mouse_event(uint32_t type) {
    return type == SDL_MOUSEMOTION || type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEBUTTONUP ||
           type == SDL_MOUSEWHEEL;
}

uint32_t non_negative(int32_t v) { return v < 0 ? 0u : static_cast<uint32_t>(v); }

} // namespace

void Engine::poll_events(const SimulationTick& tick) {
    if (take_interrupt_request()) {
        m_event_bus.publish(QuitEvent{});
    }
    if (!m_config.has_window || !m_render_context.has_backend()) {
        return;
    }
    if (m_recording_state == kRecordingActive) {
        // The viewport the input state normalises this frame's pointer events against: the editor's panel,
        // or in game mode the window.
        m_records.push_back(TickRecord{tick, m_input.viewport(), {}});
        if (m_release_pending) {
            m_release_pending = false;
            release_held_input();
        }
    }
    SDL_Event event;
    while (m_render_context.poll_event(event)) {
        if (event.type == SDL_QUIT) {
            m_event_bus.publish(QuitEvent{});
        } else if (event.type == SDL_WINDOWEVENT) {
            window_visibility_event(m_window_visibility, event.window.event);
            if (event.window.event == SDL_WINDOWEVENT_RESIZED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                window_resized(event.window.data1, event.window.data2);
            }
        }
        if (!reaches_game(event)) {
            continue;
        }
        if (!replaying()) {
            m_input.handle_event(event);
        }
        if (m_recording_state == kRecordingActive && is_recorded_event_type(event.type)) {
            RecordedEvent raw;
            std::memcpy(raw.data(), &event, raw.size());
            // Only what a play-back would accept: a button or key outside the input slots changes nothing.
            if (is_valid_recorded_event(raw)) {
                m_records.back().events.push_back(raw);
                m_total_recorded_events += 1;
            }
        }
    }
}

bool Engine::game_holds_mouse_button(uint32_t sdl_button) const {
    return sdl_button >= SDL_BUTTON_LEFT && sdl_button <= SDL_BUTTON_X2 &&
           m_input.slot(input_code_mouse(sdl_button - SDL_BUTTON_LEFT)).value != 0.0f;
}

bool Engine::lands_on_picture(float x, float y) const {
    const ViewportRect& r = m_game_viewport;
    const bool inside = x >= static_cast<float>(r.x) && y >= static_cast<float>(r.y) &&
                        x < static_cast<float>(r.x + r.width) && y < static_cast<float>(r.y + r.height);
    return m_viewport_panel_drawn && inside && gui_item_takes_pointer(x, y, "Viewport", m_picture_item);
}

bool Engine::reaches_game(const SDL_Event& event) const {
    // Keyboard and mouse belong to the tool panels while the viewport does not have them.
    if (is_key_event(event.type)) {
        return !m_ui_captures_keyboard;
    }
    if (!is_mouse_event(event.type)) {
        return true;
    }
    // The game gets the release of every press it saw, so nothing it holds stays held.
    if (event.type == SDL_MOUSEBUTTONUP && game_holds_mouse_button(event.button.button)) {
        return true;
    }
    bool game_holds_a_button = false;
    for (uint32_t button = SDL_BUTTON_LEFT; button <= SDL_BUTTON_X2; ++button) {
        game_holds_a_button = game_holds_a_button || game_holds_mouse_button(button);
    }
    if (m_editor_mode) {
        // Each event by where it lands, not by last frame's hover: a quick move and click onto a panel's button
        // is the panel's, a quick one into the picture the game's. A drag the game began stays the game's.
        if (game_holds_a_button) {
            return true;
        }
        switch (event.type) {
        case SDL_MOUSEMOTION:
            return lands_on_picture(static_cast<float>(event.motion.x), static_cast<float>(event.motion.y));
        case SDL_MOUSEBUTTONDOWN:
            return lands_on_picture(static_cast<float>(event.button.x), static_cast<float>(event.button.y));
        case SDL_MOUSEWHEEL:
            return lands_on_picture(static_cast<float>(event.wheel.mouseX), static_cast<float>(event.wheel.mouseY));
        default:
            return false;
        }
    }
    if (m_ui_captures_mouse) {
        return false;
    }
    // In game mode the GUI's panels lie over the game: a press or a turn of the wheel on one of them is the
    // panel's, and so is the release of a press the game did not see. While the game holds a button the GUI
    // takes no press.
    if (event.type == SDL_MOUSEBUTTONUP) {
        return false;
    }
    if (game_holds_a_button) {
        return true;
    }
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        return !gui_window_at(static_cast<float>(event.button.x), static_cast<float>(event.button.y));
    }
    if (event.type == SDL_MOUSEWHEEL) {
        return !gui_window_at(static_cast<float>(event.wheel.mouseX), static_cast<float>(event.wheel.mouseY));
    }
    return true;
}

void Engine::window_resized(int32_t width, int32_t height) {
    ViewportRect rect{0, 0, width, height};
    m_event_bus.publish(WindowResizedEvent{rect});
    if (!m_editor_mode) {
        m_event_bus.publish(ViewportResizedEvent{rect});
    }
}

void Engine::render_frame(const SimulationTick& tick) {
    if (!m_config.has_window || !m_render_context.has_backend()) {
        return;
    }
    if (!window_visible()) {
        // Nobody sees the frame: the scene's render step still runs (what it changes beyond the picture, and
        // the particle time, stay as in a drawn frame), but nothing is drawn or presented, and the back end
        // sleeps out the frame.
        if (m_current_scene) {
            m_current_scene->render(tick);
        }
        m_render_context.idle_frame();
        return;
    }
    m_render_context.begin_frame();
    // Until the game hands over its first scene the frame shows the backdrop and the panels only.
    SceneBase* scene = m_current_scene.get();
    if (m_editor_mode) {
        draw_workspace_backdrop();

        RenderCommandList to_viewport;
        to_viewport.bind_default_framebuffer();
        to_viewport.clear({0, 1});
        to_viewport.set_viewport(0, 0, non_negative(m_game_viewport.width), non_negative(m_game_viewport.height));
        m_render_context.execute(to_viewport);
        if (scene != nullptr) {
            scene->render(tick);
        }
        m_renderer.set_target(m_viewport_target);
        m_renderer.render(m_render_context);

        RenderCommandList to_window;
        to_window.bind_default_framebuffer();
        to_window.set_viewport(non_negative(m_window_rect.x), non_negative(m_window_rect.y),
                               non_negative(m_window_rect.width), non_negative(m_window_rect.height));
        m_render_context.execute(to_window);
        if (scene != nullptr) {
            scene->editor_ui(tick);
        }

        draw_viewport_panel();
        draw_recording_panel();
        draw_control_bar(tick);
        draw_simulation_ticks(tick);
        draw_main_menu();
        draw_debug_renderer_colors();
    } else {
        // The whole window is the game's, but for what the GUI's panels over it take of the mouse.
        m_ui_captures_keyboard = false;
        m_ui_captures_mouse = gui_wants_mouse();
        RenderCommandList to_window;
        to_window.bind_default_framebuffer();
        to_window.set_viewport(non_negative(m_window_rect.x), non_negative(m_window_rect.y),
                               non_negative(m_window_rect.width), non_negative(m_window_rect.height));
        m_render_context.execute(to_window);
        if (scene != nullptr) {
            scene->render(tick);
        }
        m_renderer.set_target(kInvalidHandle);
        m_renderer.render(m_render_context);
    }
    m_render_context.end_frame();
}
