#include "Engine/Engine/GuiMouse.h"

#include <cstring>

#include <imgui.h>
#include <imgui_internal.h>

namespace {

// The GUI's own hover test, made at the event's place: between frames the windows still hold what the last
// frame drew. Resizable windows also take a press just outside their edges. The top window there, or null.
const ImGuiWindow* top_window_at(const ImGuiContext& g, float x, float y) {
    const ImVec2 at(x, y);
    for (int i = g.Windows.Size - 1; i >= 0; --i) {
        const ImGuiWindow* window = g.Windows[i];
        if (!window->Active || window->Hidden || (window->Flags & ImGuiWindowFlags_NoMouseInputs) != 0) {
            continue;
        }
        ImRect bounds = window->OuterRectClipped;
        const bool fixed_size = (window->Flags & (ImGuiWindowFlags_ChildWindow | ImGuiWindowFlags_AlwaysAutoResize |
                                                  ImGuiWindowFlags_NoResize)) != 0;
        bounds.Expand(fixed_size || !g.IO.ConfigWindowsResizeFromEdges ? g.Style.TouchExtraPadding
                                                                       : g.WindowsHoverPadding);
        if (bounds.Contains(at)) {
            return window;
        }
    }
    return nullptr;
}

} // namespace

bool gui_wants_mouse() { return ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().WantCaptureMouse; }

bool gui_window_at(float x, float y) {
    const ImGuiContext* g = ImGui::GetCurrentContext();
    return g != nullptr && top_window_at(*g, x, y) != nullptr;
}

bool gui_item_takes_pointer(float x, float y, const char* window_name, uint32_t item) {
    const ImGuiContext* g = ImGui::GetCurrentContext();
    if (g == nullptr || g->OpenPopupStack.Size > 0) {
        return false;
    }
    // A slider or a window edge being dragged keeps the pointer while it crosses the item.
    bool held = false;
    for (bool down : g->IO.MouseDown) {
        held = held || down;
    }
    if (held && g->ActiveId != 0 && g->ActiveId != item) {
        return false;
    }
    const ImGuiWindow* top = top_window_at(*g, x, y);
    return top != nullptr && top->RootWindow != nullptr && std::strcmp(top->RootWindow->Name, window_name) == 0;
}
