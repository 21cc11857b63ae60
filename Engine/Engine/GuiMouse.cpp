#include "Engine/Engine/GuiMouse.h"

#include <imgui.h>
#include <imgui_internal.h>

bool gui_wants_mouse() { return ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().WantCaptureMouse; }

bool gui_window_at(float x, float y) {
    const ImGuiContext* g = ImGui::GetCurrentContext();
    if (g == nullptr) {
        return false;
    }
    // The GUI's own hover test, made at the event's place: between frames the windows still hold what the last
    // frame drew. Resizable windows also take a press just outside their edges.
    const ImVec2 at(x, y);
    for (int i = g->Windows.Size - 1; i >= 0; --i) {
        const ImGuiWindow* window = g->Windows[i];
        if (!window->Active || window->Hidden || (window->Flags & ImGuiWindowFlags_NoMouseInputs) != 0) {
            continue;
        }
        ImRect bounds = window->OuterRectClipped;
        const bool fixed_size = (window->Flags & (ImGuiWindowFlags_ChildWindow | ImGuiWindowFlags_AlwaysAutoResize |
                                                  ImGuiWindowFlags_NoResize)) != 0;
        bounds.Expand(fixed_size || !g->IO.ConfigWindowsResizeFromEdges ? g->Style.TouchExtraPadding
                                                                        : g->WindowsHoverPadding);
        if (bounds.Contains(at)) {
            return true;
        }
    }
    return false;
}
