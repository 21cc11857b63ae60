#pragma once
// First-use places of the editor's panels: the viewport large in the middle of the work area, the engine's
// tool panels on the left, the entity inspector on the right, the "Scene" window and the particle designer
// under the viewport. No two panels overlap. After the first use the user's layout is kept.

#include <cstdint>

enum class EditorPanel : uint32_t {
    Viewport,
    ControlBar,
    SimulationTicks,
    Recording,
    Scene,
    Entities,
    SelectedEntity,
    ParticleDesigner,
    // Not part of the tiling: it starts collapsed to its title bar over the viewport.
    DebugRendererColors,
};
inline constexpr uint32_t kEditorPanelCount = 8;

struct PanelRect {
    float x;
    float y;
    float width;
    float height;
};

// The place of a panel in a work area at (x, y) of the given size.
PanelRect editor_panel_rect(EditorPanel panel, float x, float y, float width, float height);

// Sets the next window's position and size for its first use, from the GUI's main work area.
void place_editor_panel(EditorPanel panel);

// Sets the next window's position, under the GUI's condition `cond`, at the top right corner of a panel's
// place, inset by `margin`; the window keeps its size. For windows that float over a panel.
void place_in_top_right_of_editor_panel(EditorPanel panel, float margin, int cond);
