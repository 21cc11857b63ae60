// The engine's editor panels: the workspace backdrop, "Viewport", "Control Bar", "Simulation Ticks" and the
// main menu.

#include <algorithm>
#include <cstdint>

#include <imgui.h>
#include <imgui_internal.h>

#include "Engine/Engine/EditorLayout.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Graphics/Backends/OpenGL/GuiImage.h"

void Engine::draw_workspace_backdrop() {
    // The GUI library has no docking here: a window covering the work area stands in as the workspace, behind
    // every panel, and the panels tile it (EditorLayout). It draws nothing and takes no input: the tiles cover
    // it, and filling the whole window once more costs the software rasteriser a large part of the frame.
    const ImGuiViewport* main = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(main->WorkPos);
    ImGui::SetNextWindowSize(main->WorkSize);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
    constexpr ImGuiWindowFlags kFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                        ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                        ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoNavFocus |
                                        ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoInputs;
    ImGui::Begin("DockSpace", nullptr, kFlags);
    // The GUI puts a new window that never comes to the front behind all others: the viewport, made after the
    // backdrop, would be hidden behind it. The backdrop goes to the back every frame instead.
    ImGui::BringWindowToDisplayBack(ImGui::GetCurrentWindow());
    ImGui::End();
    ImGui::PopStyleVar();
}

void Engine::draw_viewport_panel() {
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
    // The viewport is a tile of the workspace that stays put: a drag on its picture is the game's (cutting,
    // aiming, spawning), never a move of the panel; a click into it takes the focus but leaves it behind
    // anything the user floats over it.
    // The picture covers the panel but for its title bar: no background is filled under it.
    constexpr ImGuiWindowFlags kFlags = ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoResize |
                                        ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse |
                                        ImGuiWindowFlags_NoBackground;
    if (begin_editor_panel(EditorPanel::Viewport, "Viewport", kFlags)) {
        ImGuiWindow* window = ImGui::GetCurrentWindow();
        ImGui::BringWindowToDisplayBack(window);
        if (ImGuiWindow* backdrop = ImGui::FindWindowByName("DockSpace")) {
            ImGui::BringWindowToDisplayBack(backdrop);
        }
        bool focused = ImGui::IsWindowFocused();
        // The picture is an item that holds the mouse while it is pressed: the window stays hovered then.
        bool hovered = ImGui::IsWindowHovered(ImGuiHoveredFlags_AllowWhenBlockedByActiveItem);
        // Released once, when the panel loses the keyboard or the mouse, so that nothing stays held.
        if ((!m_ui_captures_keyboard && !focused) || (!m_ui_captures_mouse && !hovered)) {
            // A play-back owns the input state; a recording keeps the release as events of the next record.
            if (m_recording_state == kRecordingActive) {
                m_release_pending = true;
            } else if (!replaying()) {
                m_input.reset();
            }
        }
        m_ui_captures_keyboard = !focused;
        m_ui_captures_mouse = !hovered;

        // A collapsed-to-nothing panel still gets a target of one pixel: no zero-size framebuffer, no
        // infinite aspect.
        ImVec2 avail = ImGui::GetContentRegionAvail();
        avail.x = std::max(avail.x, 1.0f);
        avail.y = std::max(avail.y, 1.0f);
        ImVec2 pos = ImGui::GetCursorScreenPos();

        bool size_changed = static_cast<float>(m_game_viewport.width) != avail.x ||
                            static_cast<float>(m_game_viewport.height) != avail.y;
        bool position_changed =
            static_cast<float>(m_game_viewport.x) != pos.x || static_cast<float>(m_game_viewport.y) != pos.y;
        if (size_changed || position_changed || m_viewport_publish_pending) {
            m_viewport_panel_drawn = true;
            m_viewport_publish_pending = false;
            m_game_viewport =
                ViewportRect{static_cast<int32_t>(pos.x), static_cast<int32_t>(pos.y),
                             std::max(static_cast<int32_t>(avail.x), 1), std::max(static_cast<int32_t>(avail.y), 1)};
            m_event_bus.publish(ViewportResizedEvent{m_game_viewport});
            m_input.set_viewport(m_game_viewport);
            if (size_changed) {
                m_render_context.resize_framebuffer(m_viewport_target, static_cast<uint32_t>(m_game_viewport.width),
                                                    static_cast<uint32_t>(m_game_viewport.height));
            }
        }
        uint32_t texture = m_render_context.framebuffer_color_texture(m_viewport_target);
        // Opaque: the game's picture covers the panel, and blending it costs the software rasteriser most of
        // the editor's frame.
        gui_opaque_image(texture, avail, ImVec2(0.0f, 1.0f), ImVec2(1.0f, 0.0f));
        // The picture owns the presses on it, so no press there starts anything of the window's.
        ImGui::SetCursorScreenPos(pos);
        ImGui::InvisibleButton("##picture", avail,
                               ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonRight);
        m_picture_item = ImGui::GetItemID();
    }
    ImGui::End();
    ImGui::PopStyleVar();
}

void Engine::draw_control_bar(const SimulationTick& tick) {
    if (begin_editor_panel(EditorPanel::ControlBar, "Control Bar")) {
        if (ImGui::Button(tick.is_simulation_frozen ? "Resume" : "Freeze")) {
            m_event_bus.publish(FreezeToggleEvent{});
        }
        if (tick.is_simulation_frozen) {
            if (ImGui::Button("Step")) {
                m_event_bus.publish(StepEvent{0});
            }
            ImGui::SameLine();
            if (ImGui::Button("Step fixed")) {
                m_event_bus.publish(StepEvent{1});
            }
        }
        // The fields leave their labels room to be read whole, however narrow the tile.
        const ImGuiStyle& style = ImGui::GetStyle();
        ImGui::PushItemWidth(-(ImGui::CalcTextSize("Fixed delta time").x + style.ItemInnerSpacing.x));
        if (ImGui::SliderFloat("Timescale", &m_panel_timescale, SimulationClock::kMinTimescale,
                               SimulationClock::kMaxTimescale, "%.3f", ImGuiSliderFlags_AlwaysClamp)) {
            m_event_bus.publish(TimescaleEvent{m_panel_timescale});
        }
        if (!m_panel_fixed_delta_set) {
            m_panel_fixed_delta = tick.fixed_delta_time;
            m_panel_fixed_delta_set = true;
        }
        // Bounded like the clock's fixed step, with a drag speed that suits steps of milliseconds.
        if (ImGui::DragFloat("Fixed delta time", &m_panel_fixed_delta, 0.0005f, SimulationClock::kMinFixedDelta,
                             SimulationClock::kMaxFixedDelta, "%.3f", ImGuiSliderFlags_AlwaysClamp)) {
            m_event_bus.publish(FixedDeltaTimeEvent{m_panel_fixed_delta});
        }
        ImGui::PopItemWidth();
        ImGui::Separator();
        if (ImGui::Button("Reload")) {
            m_event_bus.publish(ReloadEvent{});
        }
        m_control_bar_notice.draw();
    }
    ImGui::End();
}

void Engine::draw_simulation_ticks(const SimulationTick& tick) {
    if (begin_editor_panel(EditorPanel::SimulationTicks, "Simulation Ticks")) {
        ImGui::Text("application_time: %f", static_cast<double>(tick.application_time));
        ImGui::Text("time: %f", static_cast<double>(tick.time));
        ImGui::Text("fixed_time: %f", static_cast<double>(tick.fixed_time));
        ImGui::Text("delta_time: %f (%2.2f)", static_cast<double>(tick.delta_time),
                    1.0 / static_cast<double>(tick.delta_time));
        ImGui::Text("fixed_delta_time: %f (%2.2f)", static_cast<double>(tick.fixed_delta_time),
                    1.0 / static_cast<double>(tick.fixed_delta_time));
        ImGui::Text("fixed_time_accumulated: %f", static_cast<double>(tick.fixed_time_accumulated));
        ImGui::Text("tick: %d", static_cast<int>(tick.tick));
        ImGui::Text("fixed_tick: %d", static_cast<int>(tick.fixed_tick));
        ImGui::Text("simulation_timescale: %f", static_cast<double>(tick.simulation_timescale));
        ImGui::Text("run_simulation_tick: %s", tick.run_simulation_tick ? "true" : "false");
        ImGui::Text("run_simulation_tick_fixed: %s", tick.run_simulation_tick_fixed ? "true" : "false");
        ImGui::Text("is_simulation_frozen: %s", tick.is_simulation_frozen ? "true" : "false");
    }
    ImGui::End();
}

void Engine::draw_main_menu() {
    if (ImGui::BeginMainMenuBar()) {
        if (ImGui::BeginMenu("Window")) {
            if (ImGui::BeginMenu("Display Mode")) {
                const char* modes[] = {"Windowed", "Borderless", "Fullscreen"};
                for (uint32_t mode = 0; mode < 3; ++mode) {
                    if (ImGui::MenuItem(modes[mode])) {
                        m_event_bus.publish(DisplayModeEvent{mode});
                    }
                }
                ImGui::EndMenu();
            }
            ImGui::EndMenu();
        }
        ImGui::EndMainMenuBar();
    }
}
