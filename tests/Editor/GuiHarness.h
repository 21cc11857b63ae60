#pragma once
// A Dear ImGui context without a back end, stepped frame by frame, for drawing the editor tools headless.

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
