#pragma once
// A Dear ImGui context without a back end, stepped frame by frame, for drawing the editor tools headless.

#include <cfloat>
#include <cstdio>
#include <functional>
#include <string>

#include <imgui.h>
#include <imgui_internal.h>

#include "Support/HeadlessGui.h"

namespace editor_test {

class GuiHarness {
public:
    void frame(const std::function<void()>& draw) {
        ImGui::NewFrame();
        draw();
        ImGui::Render();
    }

    // A press at `at`, a move of `dx` pixels to the right with the button held, and the release, one frame each,
    // as a user drags a field (or clicks whatever lies there).
    void drag(ImVec2 at, float dx, const std::function<void()>& draw) {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = at;
        io.MouseDown[0] = false;
        frame(draw);
        io.MouseDown[0] = true;
        frame(draw);
        io.MousePos = ImVec2(at.x + dx, at.y);
        frame(draw);
        io.MouseDown[0] = false;
        frame(draw);
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
        frame(draw);
    }

    // Drags at points over `area`, row by row, until `done` says the drag did what the test looks for (a
    // pointer finds a widget where a user would, whatever the layout). Headers the drags close are opened again.
    bool drag_until(const ImRect& area, float dx, const std::function<void()>& draw, const std::function<bool()>& done,
                    const std::function<void()>& after_each = {}) {
        for (float y = area.Min.y + 2.0f; y < area.Max.y; y += 3.0f) {
            for (float x = area.Min.x + 4.0f; x < area.Max.x; x += 20.0f) {
                drag(ImVec2(x, y), dx, draw);
                if (after_each) {
                    after_each();
                }
                if (done()) {
                    return true;
                }
            }
        }
        return false;
    }

    // One frame around `draw`; returns the texts of the first window it draws.
    std::string frame_texts(const std::function<void()>& draw) { return m_gui.frame(draw); }

    static ImGuiWindow* window(const char* name) { return ImGui::FindWindowByName(name); }

    // Opens the closed-by-default header `title` of a window for the frames that follow.
    static void open_header(const char* window_name, const char* title) {
        ImGuiWindow* w = window(window_name);
        w->StateStorage.SetInt(w->GetID(title), 1);
    }

    // The window of the popup with this id, once it has been drawn.
    static ImGuiWindow* popup_window(ImGuiID id) {
        char name[32];
        std::snprintf(name, sizeof(name), "##Popup_%08x", id);
        return window(name);
    }

private:
    HeadlessGui m_gui;
};

} // namespace editor_test
