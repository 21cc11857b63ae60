#pragma once
// The editor's workspace: a tiling of the GUI's work area, computed every frame from the work size and from
// split fractions the user moves by dragging the boundary between two tiles. Left column: the engine's tools;
// middle: "Viewport" over "Scene" and "Particle Designer"; right column: the inspectors, the scene's welcome
// window and "Debug Renderer Colors". No two tiles overlap and together they cover the work area. The splits
// are kept in the GUI's settings file beside the windows' own state.

#include <array>
#include <cstdint>

enum class EditorPanel : uint32_t {
    Viewport,
    ControlBar,
    SimulationTicks,
    Recording,
    Scene,
    ParticleDesigner,
    Entities,
    SelectedEntity,
    Welcome,
    DebugRendererColors,
};
inline constexpr uint32_t kEditorPanelCount = 10;

struct PanelRect {
    float x;
    float y;
    float width;
    float height;
};

// The boundaries between tiles, as fractions; a negative one is unset and takes its first-use place, which
// depends on the work size (the side columns keep a readable width on large windows).
struct EditorSplits {
    float left = -1.0f;     // the left column's width, of the work width
    float right = -1.0f;    // the right column's width, of the work width
    float viewport = -1.0f; // the viewport's height, of the work height
    float scene = -1.0f;    // the "Scene" tile's width, of the middle column's width
    // Boundaries inside the side columns, from the top, of the work height.
    std::array<float, 2> left_rows = {-1.0f, -1.0f};
    std::array<float, 3> right_rows = {-1.0f, -1.0f, -1.0f};
};

// The tile of a panel in a work area at (x, y) of the given size.
PanelRect editor_panel_rect(EditorPanel panel, const EditorSplits& splits, float x, float y, float width, float height);

// A tile now lies at `actual` where the layout put it at `assigned` (the user dragged one of its edges): the
// splits on the moved edges follow, so both tiles beside that boundary take it. Edges on the work area's border
// are not splits and stay.
void follow_tile_edges(EditorSplits& splits, EditorPanel panel, const PanelRect& assigned, const PanelRect& actual,
                       float x, float y, float width, float height);

// The running editor's splits.
EditorSplits& editor_splits();

// Registers the splits with the GUI's settings file (read at the GUI's first frame, written with it) and starts
// from the first-use layout. Called once the GUI context exists, before its first frame.
void install_editor_layout_settings();

// The GUI's work area for the tiles: under the main menu bar, also on the very first frame.
PanelRect editor_work_area();

// Begins the panel's window in its tile, placed and sized every frame, not movable and not collapsible; a drag
// on a tile's edge moves the split there. `flags` are the GUI's window flags the panel adds. Returns what
// ImGui::Begin returns; the caller ends the window.
bool begin_editor_panel(EditorPanel panel, const char* title, int flags = 0);
