#include "Engine/Engine/EditorLayout.h"

#include <algorithm>

#include <imgui.h>

PanelRect editor_panel_rect(EditorPanel panel, float x, float y, float width, float height) {
    // Side columns of a fifth of the width each (at least 220 pixels while that leaves a viewport).
    float side = std::max(width * 0.2f, std::min(220.0f, width * 0.3f));
    float middle = std::max(width - 2.0f * side, 1.0f);
    // The viewport keeps the upper two thirds of the middle; the strip under it holds two panels.
    float top = height * 0.65f;
    float half = middle * 0.5f;
    float right = x + side + middle;
    switch (panel) {
    case EditorPanel::Viewport:
        return {x + side, y, middle, std::max(top, 1.0f)};
    case EditorPanel::ControlBar:
        return {x, y, side, height * 0.3f};
    case EditorPanel::SimulationTicks:
        return {x, y + height * 0.3f, side, height * 0.4f};
    case EditorPanel::Recording:
        return {x, y + height * 0.7f, side, height * 0.3f};
    case EditorPanel::Scene:
        return {x + side, y + top, half, height - top};
    case EditorPanel::ParticleDesigner:
        return {x + side + half, y + top, middle - half, height - top};
    case EditorPanel::Entities:
        return {right, y, side, height * 0.3f};
    case EditorPanel::SelectedEntity:
        return {right, y + height * 0.3f, side, height * 0.7f};
    case EditorPanel::DebugRendererColors:
        return {x + side, y + top * 0.4f, half, top * 0.6f};
    }
    return {x, y, width, height};
}

namespace {

PanelRect panel_in_work_area(EditorPanel panel) {
    const ImGuiViewport* main = ImGui::GetMainViewport();
    // On the very first frame the main menu bar has not reserved its row of the work area yet.
    float top = std::max(main->WorkPos.y, main->Pos.y + ImGui::GetFrameHeight());
    float height = main->WorkSize.y - (top - main->WorkPos.y);
    return editor_panel_rect(panel, main->WorkPos.x, top, main->WorkSize.x, height);
}

} // namespace

void place_editor_panel(EditorPanel panel) {
    PanelRect r = panel_in_work_area(panel);
    ImGui::SetNextWindowPos(ImVec2(r.x, r.y), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(r.width, r.height), ImGuiCond_FirstUseEver);
}

void place_in_top_right_of_editor_panel(EditorPanel panel, float margin, int cond) {
    PanelRect r = panel_in_work_area(panel);
    ImGui::SetNextWindowPos(ImVec2(r.x + r.width - margin, r.y + margin), cond, ImVec2(1.0f, 0.0f));
}
