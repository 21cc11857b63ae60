// The editor's tiling as plain geometry: every work size gets tiles that do not overlap and cover it, the
// picture its share, and a drag on a boundary moves both tiles beside it.

#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Engine/Engine/EditorLayout.h"

namespace {

PanelRect tile(EditorPanel panel, const EditorSplits& splits, const PanelRect& work) {
    return editor_panel_rect(panel, splits, work.x, work.y, work.width, work.height);
}

float overlap(const PanelRect& a, const PanelRect& b) {
    const float w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const float h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0.0f && h > 0.0f ? w * h : 0.0f;
}

// Every tile inside the work area, none over another, and their areas add up to the work area's.
void expect_tiled(const EditorSplits& splits, const PanelRect& work) {
    float covered = 0.0f;
    for (uint32_t a = 0; a < kEditorPanelCount; ++a) {
        const PanelRect r = tile(static_cast<EditorPanel>(a), splits, work);
        EXPECT_GE(r.x, work.x - 0.01f) << a;
        EXPECT_GE(r.y, work.y - 0.01f) << a;
        EXPECT_LE(r.x + r.width, work.x + work.width + 0.01f) << a;
        EXPECT_LE(r.y + r.height, work.y + work.height + 0.01f) << a;
        EXPECT_GT(r.width, 0.0f) << a;
        EXPECT_GT(r.height, 0.0f) << a;
        covered += r.width * r.height;
        for (uint32_t b = a + 1; b < kEditorPanelCount; ++b) {
            EXPECT_LT(overlap(r, tile(static_cast<EditorPanel>(b), splits, work)), 0.01f)
                << "tiles " << a << " and " << b << " overlap";
        }
    }
    EXPECT_NEAR(covered, work.width * work.height, 1.0f) << "the tiles cover the work area";
}

// A window of the given size with the main menu bar's row (19 pixels with the default font) on top.
struct WindowCase {
    float width;
    float height;
    float picture_share; // of the whole window, the viewport's title bar taken off
};

class EditorTiling : public testing::TestWithParam<WindowCase> {};

TEST_P(EditorTiling, TilesCoverTheWorkAreaWithoutOverlapAndThePictureGetsItsShare) {
    const WindowCase& c = GetParam();
    const PanelRect work{0.0f, 19.0f, c.width, c.height - 19.0f};
    const EditorSplits first_use;
    expect_tiled(first_use, work);
    const PanelRect viewport = tile(EditorPanel::Viewport, first_use, work);
    const float picture = viewport.width * (viewport.height - 19.0f);
    EXPECT_GE(picture / (c.width * c.height), c.picture_share) << viewport.width << " x " << viewport.height;
    // The layout's columns: tools on the left, the viewport over "Scene" and the particle designer, the
    // inspectors on the right.
    const PanelRect control = tile(EditorPanel::ControlBar, first_use, work);
    const PanelRect scene = tile(EditorPanel::Scene, first_use, work);
    const PanelRect particles = tile(EditorPanel::ParticleDesigner, first_use, work);
    const PanelRect entities = tile(EditorPanel::Entities, first_use, work);
    EXPECT_FLOAT_EQ(control.x + control.width, viewport.x);
    EXPECT_FLOAT_EQ(scene.y, viewport.y + viewport.height);
    EXPECT_FLOAT_EQ(particles.x + particles.width, viewport.x + viewport.width);
    EXPECT_FLOAT_EQ(entities.x, viewport.x + viewport.width);
}

INSTANTIATE_TEST_SUITE_P(Windows, EditorTiling,
                         testing::Values(WindowCase{1280.0f, 720.0f, 0.40f}, WindowCase{1920.0f, 1080.0f, 0.50f},
                                         WindowCase{1024.0f, 768.0f, 0.0f}, WindowCase{2560.0f, 1440.0f, 0.50f}));

TEST(EditorTiling, TinyWorkAreasStillGiveEveryTileAPixel) {
    for (const PanelRect work : {PanelRect{0, 0, 10, 0}, PanelRect{0, 0, 0, 0}, PanelRect{0, 19, 120, 60}}) {
        for (uint32_t a = 0; a < kEditorPanelCount; ++a) {
            const PanelRect r = tile(static_cast<EditorPanel>(a), EditorSplits{}, work);
            EXPECT_GT(r.width, 0.0f) << a;
            EXPECT_GT(r.height, 0.0f) << a;
            EXPECT_TRUE(std::isfinite(r.x) && std::isfinite(r.y)) << a;
        }
    }
}

// A drag of one tile's edge: the split moves there, the tile beside it follows, the tiling stays whole.
struct EdgeDrag {
    const char* name;
    EditorPanel dragged;
    int edge; // 0 left, 1 right, 2 top, 3 bottom
    float by;
    EditorPanel neighbour;
    int neighbour_edge;
};

class EditorTileEdges : public testing::TestWithParam<EdgeDrag> {};

float edge_of(const PanelRect& r, int edge) {
    switch (edge) {
    case 0:
        return r.x;
    case 1:
        return r.x + r.width;
    case 2:
        return r.y;
    default:
        return r.y + r.height;
    }
}

PanelRect moved(PanelRect r, int edge, float by) {
    switch (edge) {
    case 0:
        r.x += by;
        r.width -= by;
        break;
    case 1:
        r.width += by;
        break;
    case 2:
        r.y += by;
        r.height -= by;
        break;
    default:
        r.height += by;
        break;
    }
    return r;
}

TEST_P(EditorTileEdges, ADragOnABoundaryResizesBothTiles) {
    const EdgeDrag& d = GetParam();
    const PanelRect work{0.0f, 19.0f, 1280.0f, 701.0f};
    EditorSplits splits;
    const PanelRect before = tile(d.dragged, splits, work);
    const float boundary = edge_of(before, d.edge);
    ASSERT_FLOAT_EQ(edge_of(tile(d.neighbour, splits, work), d.neighbour_edge), boundary);
    const PanelRect untouched_before = tile(EditorPanel::Entities, splits, work);

    follow_tile_edges(splits, d.dragged, before, moved(before, d.edge, d.by), work.x, work.y, work.width, work.height);
    EXPECT_NEAR(edge_of(tile(d.dragged, splits, work), d.edge), boundary + d.by, 0.01f);
    EXPECT_NEAR(edge_of(tile(d.neighbour, splits, work), d.neighbour_edge), boundary + d.by, 0.01f);
    expect_tiled(splits, work);
    if (d.dragged != EditorPanel::Entities && d.neighbour != EditorPanel::Entities && d.edge < 2 &&
        d.dragged != EditorPanel::Viewport) {
        EXPECT_FLOAT_EQ(tile(EditorPanel::Entities, splits, work).height, untouched_before.height);
    }
    // The split is a fraction: a larger window keeps the boundary at the same share.
    const PanelRect large{0.0f, 19.0f, 1920.0f, 1061.0f};
    expect_tiled(splits, large);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, EditorTileEdges,
    testing::Values(EdgeDrag{"left_column", EditorPanel::SimulationTicks, 1, 40.0f, EditorPanel::Viewport, 0},
                    EdgeDrag{"right_column", EditorPanel::SelectedEntity, 0, -60.0f, EditorPanel::Viewport, 1},
                    EdgeDrag{"viewport_bottom", EditorPanel::Scene, 2, 50.0f, EditorPanel::Viewport, 3},
                    EdgeDrag{"scene_particles", EditorPanel::ParticleDesigner, 0, -80.0f, EditorPanel::Scene, 1},
                    EdgeDrag{"control_ticks", EditorPanel::ControlBar, 3, 30.0f, EditorPanel::SimulationTicks, 2},
                    EdgeDrag{"welcome_colors", EditorPanel::DebugRendererColors, 2, -70.0f, EditorPanel::Welcome, 3}),
    [](const testing::TestParamInfo<EdgeDrag>& info) { return std::string(info.param.name); });

TEST(EditorTileEdges, OuterEdgesAreNoSplitsAndFarDragsStayClamped) {
    const PanelRect work{0.0f, 19.0f, 1280.0f, 701.0f};
    EditorSplits splits;
    const PanelRect control = tile(EditorPanel::ControlBar, splits, work);
    // The work area's own border does not move.
    follow_tile_edges(splits, EditorPanel::ControlBar, control, moved(control, 0, 30.0f), work.x, work.y, work.width,
                      work.height);
    EXPECT_FLOAT_EQ(tile(EditorPanel::ControlBar, splits, work).x, 0.0f);
    // A boundary dragged past the window's edge leaves every tile a width.
    const PanelRect ticks = tile(EditorPanel::SimulationTicks, splits, work);
    follow_tile_edges(splits, EditorPanel::SimulationTicks, ticks, moved(ticks, 1, 5000.0f), work.x, work.y, work.width,
                      work.height);
    expect_tiled(splits, work);
    EXPECT_GE(tile(EditorPanel::Viewport, splits, work).width, 40.0f);
}

// The splits go into the GUI's settings text and come back from it; values outside 0..1 are refused.
TEST(EditorLayoutSettings, SplitsRoundTripThroughTheSettingsText) {
    ImGuiContext* context = ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    install_editor_layout_settings();
    EditorSplits& splits = editor_splits();
    splits.left = 0.3f;
    splits.viewport = 0.6f;
    splits.right_rows = {0.1f, 0.5f, 0.9f};
    const std::string text = ImGui::SaveIniSettingsToMemory();
    EXPECT_NE(text.find("[EditorLayout][Splits]"), std::string::npos) << text;
    install_editor_layout_settings();
    EXPECT_LT(editor_splits().left, 0.0f) << "a fresh start is the first-use layout";
    ImGui::LoadIniSettingsFromMemory(text.c_str());
    EXPECT_FLOAT_EQ(editor_splits().left, 0.3f);
    EXPECT_FLOAT_EQ(editor_splits().viewport, 0.6f);
    EXPECT_LT(editor_splits().right, 0.0f) << "an unset split stays unset";
    EXPECT_FLOAT_EQ(editor_splits().right_rows[2], 0.9f);

    install_editor_layout_settings();
    ImGui::LoadIniSettingsFromMemory("[EditorLayout][Splits]\nLeft=7\nRight=nan\nViewport=-0.5\nLeftRow9=0.5\n"
                                     "Scene=0.25\n");
    EXPECT_LT(editor_splits().left, 0.0f);
    EXPECT_LT(editor_splits().right, 0.0f);
    EXPECT_LT(editor_splits().viewport, 0.0f);
    EXPECT_FLOAT_EQ(editor_splits().scene, 0.25f);
    ImGui::DestroyContext(context);
    editor_splits() = EditorSplits{};
}

} // namespace
