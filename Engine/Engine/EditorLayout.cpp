#include "Engine/Engine/EditorLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <imgui.h>
#include <imgui_internal.h>

namespace {

// No tile gets thinner than this while the work area has room for it.
constexpr float kMinTile = 40.0f;

// First-use places: side columns of a fifth and a quarter of the width, but no wider than their contents need on a
// large window, so that the viewport takes what a large window adds; the viewport four fifths of the height.
constexpr float kLeftShare = 0.2f;
constexpr float kLeftMaxWidth = 260.0f;
constexpr float kRightShare = 0.25f;
constexpr float kRightMaxWidth = 340.0f;
constexpr float kViewportShare = 0.79f;
constexpr float kSceneShare = 0.5f;
constexpr std::array<float, 2> kLeftRows = {0.25f, 0.58f};
constexpr std::array<float, 3> kRightRows = {0.17f, 0.53f, 0.84f};

// Which split lies on an edge of a tile.
enum class Split : uint32_t {
    None,
    Left,
    Right,
    Viewport,
    Scene,
    LeftRow0,
    LeftRow1,
    RightRow0,
    RightRow1,
    RightRow2,
};

struct TileEdges {
    Split left;
    Split right;
    Split top;
    Split bottom;
};

TileEdges edges_of(EditorPanel panel) {
    switch (panel) {
    case EditorPanel::Viewport:
        return {Split::Left, Split::Right, Split::None, Split::Viewport};
    case EditorPanel::ControlBar:
        return {Split::None, Split::Left, Split::None, Split::LeftRow0};
    case EditorPanel::SimulationTicks:
        return {Split::None, Split::Left, Split::LeftRow0, Split::LeftRow1};
    case EditorPanel::Recording:
        return {Split::None, Split::Left, Split::LeftRow1, Split::None};
    case EditorPanel::Scene:
        return {Split::Left, Split::Scene, Split::Viewport, Split::None};
    case EditorPanel::ParticleDesigner:
        return {Split::Scene, Split::Right, Split::Viewport, Split::None};
    case EditorPanel::Entities:
        return {Split::Right, Split::None, Split::None, Split::RightRow0};
    case EditorPanel::SelectedEntity:
        return {Split::Right, Split::None, Split::RightRow0, Split::RightRow1};
    case EditorPanel::Welcome:
        return {Split::Right, Split::None, Split::RightRow1, Split::RightRow2};
    case EditorPanel::DebugRendererColors:
        return {Split::Right, Split::None, Split::RightRow2, Split::None};
    }
    return {Split::None, Split::None, Split::None, Split::None};
}

// Boundaries in pixels from the start of a span of `length`, each at least kMinTile after the one before, the
// last at least kMinTile before the end; a span too short for that is shared out evenly.
template <size_t N>
std::array<float, N> boundaries(const std::array<float, N>& fractions, const std::array<float, N>& defaults,
                                float length) {
    std::array<float, N> at{};
    if (length < static_cast<float>(N + 1) * kMinTile) {
        for (size_t i = 0; i < N; ++i) {
            at[i] = length * static_cast<float>(i + 1) / static_cast<float>(N + 1);
        }
        return at;
    }
    for (size_t i = 0; i < N; ++i) {
        const float f = fractions[i] >= 0.0f ? fractions[i] : defaults[i];
        const float lowest = (i == 0 ? 0.0f : at[i - 1]) + kMinTile;
        const float highest = length - static_cast<float>(N - i) * kMinTile;
        at[i] = std::clamp(f * length, lowest, highest);
    }
    return at;
}

// The resolved layout in pixels, relative to the work area's corner.
struct Columns {
    float left;     // width of the left column
    float right;    // width of the right column
    float middle;   // width of the middle column
    float viewport; // height of the viewport tile
    float scene;    // width of the "Scene" tile
    std::array<float, 2> left_rows;
    std::array<float, 3> right_rows;
};

Columns resolve(const EditorSplits& s, float width, float height) {
    Columns c{};
    c.left = s.left >= 0.0f ? s.left * width : std::min(width * kLeftShare, kLeftMaxWidth);
    c.right = s.right >= 0.0f ? s.right * width : std::min(width * kRightShare, kRightMaxWidth);
    if (width < 3.0f * kMinTile) {
        c.left = c.right = c.middle = width / 3.0f;
    } else {
        // The viewport keeps at least a tile's width: the side columns give way in proportion.
        c.left = std::max(c.left, kMinTile);
        c.right = std::max(c.right, kMinTile);
        const float sides = c.left + c.right;
        const float room = width - kMinTile;
        if (sides > room) {
            c.left *= room / sides;
            c.right *= room / sides;
        }
        c.middle = width - c.left - c.right;
    }
    const float v = s.viewport >= 0.0f ? s.viewport : kViewportShare;
    // Too small for tiles of the least size, each tile still gets a part.
    c.viewport = height >= 2.0f * kMinTile ? std::clamp(v * height, kMinTile, height - kMinTile)
                                           : std::clamp(v, 0.1f, 0.9f) * height;
    const float sc = s.scene >= 0.0f ? s.scene : kSceneShare;
    c.scene = c.middle >= 2.0f * kMinTile ? std::clamp(sc * c.middle, kMinTile, c.middle - kMinTile)
                                          : std::clamp(sc, 0.1f, 0.9f) * c.middle;
    c.left_rows = boundaries(s.left_rows, kLeftRows, height);
    c.right_rows = boundaries(s.right_rows, kRightRows, height);
    return c;
}

PanelRect span(float x, float y, float x1, float y1) { return {x, y, x1 - x, y1 - y}; }

// Sets a split so that its boundary lies at the coordinate `at` (x for columns, y for rows). The rows of a column
// are taken as they are drawn first, so that moving one keeps the others in place.
void set_split(EditorSplits& s, Split split, float at, float x, float y, float width, float height) {
    if (width <= 0.0f || height <= 0.0f) {
        return;
    }
    const Columns c = resolve(s, width, height);
    // What a later frame makes of it is clamped; the fraction itself stays within the work area.
    const auto fraction = [](float f) { return std::isfinite(f) ? std::clamp(f, 0.0f, 1.0f) : -1.0f; };
    const float along_x = fraction((at - x) / width);
    const float along_y = fraction((at - y) / height);
    switch (split) {
    case Split::None:
        return;
    case Split::Left:
        s.left = along_x;
        return;
    case Split::Right:
        s.right = along_x >= 0.0f ? 1.0f - along_x : -1.0f;
        return;
    case Split::Viewport:
        s.viewport = along_y;
        return;
    case Split::Scene:
        s.scene = fraction((at - x - c.left) / c.middle);
        return;
    case Split::LeftRow0:
    case Split::LeftRow1:
        for (size_t i = 0; i < s.left_rows.size(); ++i) {
            s.left_rows[i] = fraction(c.left_rows[i] / height);
        }
        s.left_rows[split == Split::LeftRow0 ? 0 : 1] = along_y;
        return;
    case Split::RightRow0:
    case Split::RightRow1:
    case Split::RightRow2:
        for (size_t i = 0; i < s.right_rows.size(); ++i) {
            s.right_rows[i] = fraction(c.right_rows[i] / height);
        }
        s.right_rows[static_cast<size_t>(split) - static_cast<size_t>(Split::RightRow0)] = along_y;
        return;
    }
}

EditorSplits g_splits;

// The settings file's section: "[EditorLayout][Splits]" with one "Name=fraction" line per set split.
struct SettingsKey {
    const char* name;
    float EditorSplits::*field;
};

constexpr SettingsKey kScalarKeys[] = {
    {"Left", &EditorSplits::left},
    {"Right", &EditorSplits::right},
    {"Viewport", &EditorSplits::viewport},
    {"Scene", &EditorSplits::scene},
};

void* settings_read_open(ImGuiContext*, ImGuiSettingsHandler*, const char* name) {
    return std::strcmp(name, "Splits") == 0 ? &g_splits : nullptr;
}

void settings_read_line(ImGuiContext*, ImGuiSettingsHandler*, void* entry, const char* line) {
    EditorSplits& s = *static_cast<EditorSplits*>(entry);
    char key[32] = {};
    float value = 0.0f;
    if (std::sscanf(line, "%31[^=]=%f", key, &value) != 2 || !std::isfinite(value) || value < 0.0f || value > 1.0f) {
        return;
    }
    for (const SettingsKey& k : kScalarKeys) {
        if (std::strcmp(key, k.name) == 0) {
            s.*k.field = value;
        }
    }
    int row = -1;
    if (std::sscanf(key, "LeftRow%d", &row) == 1 && row >= 0 && row < static_cast<int>(s.left_rows.size())) {
        s.left_rows[static_cast<size_t>(row)] = value;
    }
    if (std::sscanf(key, "RightRow%d", &row) == 1 && row >= 0 && row < static_cast<int>(s.right_rows.size())) {
        s.right_rows[static_cast<size_t>(row)] = value;
    }
}

void settings_write_all(ImGuiContext*, ImGuiSettingsHandler* handler, ImGuiTextBuffer* out) {
    out->appendf("[%s][Splits]\n", handler->TypeName);
    for (const SettingsKey& k : kScalarKeys) {
        if (g_splits.*k.field >= 0.0f) {
            out->appendf("%s=%.4f\n", k.name, static_cast<double>(g_splits.*k.field));
        }
    }
    for (size_t i = 0; i < g_splits.left_rows.size(); ++i) {
        if (g_splits.left_rows[i] >= 0.0f) {
            out->appendf("LeftRow%d=%.4f\n", static_cast<int>(i), static_cast<double>(g_splits.left_rows[i]));
        }
    }
    for (size_t i = 0; i < g_splits.right_rows.size(); ++i) {
        if (g_splits.right_rows[i] >= 0.0f) {
            out->appendf("RightRow%d=%.4f\n", static_cast<int>(i), static_cast<double>(g_splits.right_rows[i]));
        }
    }
    out->append("\n");
}

} // namespace

PanelRect editor_panel_rect(EditorPanel panel, const EditorSplits& splits, float x, float y, float width,
                            float height) {
    width = std::max(width, 1.0f);
    height = std::max(height, 1.0f);
    Columns c = resolve(splits, width, height);
    // Boundaries on whole pixels, as the GUI places windows: the tiles meet without a gap. A work area too
    // small for that keeps its fractions, so that every tile has a part.
    const bool whole = width >= 3.0f * kMinTile && height >= 4.0f * kMinTile;
    const auto snap = [whole](float v) { return whole ? std::round(v) : v; };
    const float x1 = snap(x + c.left);
    const float x2 = snap(x + c.left + c.middle);
    const float xs = snap(x + c.left + c.scene);
    const float right = x + width;
    const float bottom = y + height;
    const float yv = snap(y + c.viewport);
    for (float& row : c.left_rows) {
        row = snap(y + row) - y;
    }
    for (float& row : c.right_rows) {
        row = snap(y + row) - y;
    }
    switch (panel) {
    case EditorPanel::Viewport:
        return span(x1, y, x2, yv);
    case EditorPanel::ControlBar:
        return span(x, y, x1, y + c.left_rows[0]);
    case EditorPanel::SimulationTicks:
        return span(x, y + c.left_rows[0], x1, y + c.left_rows[1]);
    case EditorPanel::Recording:
        return span(x, y + c.left_rows[1], x1, bottom);
    case EditorPanel::Scene:
        return span(x1, yv, xs, bottom);
    case EditorPanel::ParticleDesigner:
        return span(xs, yv, x2, bottom);
    case EditorPanel::Entities:
        return span(x2, y, right, y + c.right_rows[0]);
    case EditorPanel::SelectedEntity:
        return span(x2, y + c.right_rows[0], right, y + c.right_rows[1]);
    case EditorPanel::Welcome:
        return span(x2, y + c.right_rows[1], right, y + c.right_rows[2]);
    case EditorPanel::DebugRendererColors:
        return span(x2, y + c.right_rows[2], right, bottom);
    }
    return {x, y, width, height};
}

void follow_tile_edges(EditorSplits& splits, EditorPanel panel, const PanelRect& assigned, const PanelRect& actual,
                       float x, float y, float width, float height) {
    constexpr float kMoved = 0.5f;
    const TileEdges e = edges_of(panel);
    if (std::fabs(actual.x - assigned.x) > kMoved) {
        set_split(splits, e.left, actual.x, x, y, width, height);
    }
    if (std::fabs((actual.x + actual.width) - (assigned.x + assigned.width)) > kMoved) {
        set_split(splits, e.right, actual.x + actual.width, x, y, width, height);
    }
    if (std::fabs(actual.y - assigned.y) > kMoved) {
        set_split(splits, e.top, actual.y, x, y, width, height);
    }
    if (std::fabs((actual.y + actual.height) - (assigned.y + assigned.height)) > kMoved) {
        set_split(splits, e.bottom, actual.y + actual.height, x, y, width, height);
    }
}

EditorSplits& editor_splits() { return g_splits; }

void install_editor_layout_settings() {
    g_splits = EditorSplits{};
    ImGuiContext* g = ImGui::GetCurrentContext();
    if (g == nullptr || ImGui::FindSettingsHandler("EditorLayout") != nullptr) {
        return;
    }
    ImGuiSettingsHandler handler;
    handler.TypeName = "EditorLayout";
    handler.TypeHash = ImHashStr("EditorLayout");
    handler.ReadOpenFn = settings_read_open;
    handler.ReadLineFn = settings_read_line;
    handler.WriteAllFn = settings_write_all;
    g->SettingsHandlers.push_back(handler);
}

PanelRect editor_work_area() {
    const ImGuiViewport* main = ImGui::GetMainViewport();
    // On the very first frame the main menu bar has not reserved its row of the work area yet.
    const float top = std::max(main->WorkPos.y, main->Pos.y + ImGui::GetFrameHeight());
    return {main->WorkPos.x, top, main->WorkSize.x, main->WorkSize.y - (top - main->WorkPos.y)};
}

bool begin_editor_panel(EditorPanel panel, const char* title, int flags) {
    const PanelRect work = editor_work_area();
    const PanelRect tile = editor_panel_rect(panel, g_splits, work.x, work.y, work.width, work.height);
    ImGui::SetNextWindowPos(ImVec2(tile.x, tile.y), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(tile.width, tile.height), ImGuiCond_Always);
    const bool open = ImGui::Begin(title, nullptr, flags | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse);
    // Only a drag on the window's own edge moves a split: a tile the GUI keeps at its smallest size is not one.
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    ImGuiWindow* window = ImGui::GetCurrentWindow();
    if (g.ActiveId != 0 && g.ActiveIdWindow == window && g.IO.MouseDown[0] && !window->Appearing) {
        const PanelRect now{window->Pos.x, window->Pos.y, window->Size.x, window->Size.y};
        const EditorSplits before = g_splits;
        follow_tile_edges(g_splits, panel, tile, now, work.x, work.y, work.width, work.height);
        if (std::memcmp(&before, &g_splits, sizeof before) != 0) {
            ImGui::MarkIniSettingsDirty();
        }
    }
    return open;
}
