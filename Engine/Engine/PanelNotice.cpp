#include "Engine/Engine/PanelNotice.h"

#include <imgui.h>
#include <imgui_internal.h>

void PanelNotice::draw() {
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    const ImGuiWindow* window = ImGui::GetCurrentWindow();
    // Moving the panel by its title is no action in it.
    const bool acted_here = g.ActiveIdIsJustActivated && g.ActiveIdWindow == window && g.ActiveId != window->MoveId;
    if (acted_here && !m_fresh) {
        m_text.clear();
    }
    m_fresh = false;
    if (m_text.empty()) {
        return;
    }
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.35f, 0.3f, 1.0f));
    ImGui::TextWrapped("%s", m_text.c_str());
    ImGui::PopStyleColor();
}
