// Debug lines: the name and layer table, the three buffers, the shapes, the colour mix, writers on the real
// thread pool, and the "Debug Renderer Colors" window.

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Support/HeadlessGui.h"

#include "Engine/Engine/DebugRendererColors.h"
#include "Engine/Engine/EditorLayout.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/ThreadPool.h"

// Counts every allocation of this test program, so a test can show that a call allocates nothing. The
// replacement allocates with malloc, so freeing with free matches it (the compiler cannot see that).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<uint64_t> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
// The nothrow form too: the GL driver's LLVM allocates with it and frees through the plain delete below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

class DebugLinesTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        debug_renderer_settings = DebugRendererSettings::defaults();
        debug_lines_tick().clear();
        debug_lines_fixed().clear();
        debug_lines_render().clear();
    }
    static void enable(uint32_t name) { debug_renderer_settings.names[name].enabled = 1; }
};

TEST_F(DebugLinesTest, DefaultsDisableEveryNameAndEnableTheThreeTintedLayers) {
    for (uint32_t name = 0; name < DebugName::MAX; ++name) {
        const bool contact =
            name == DebugName::Physics_Contact_Point || name == DebugName::Physics_Contact_Point_Normal;
        EXPECT_EQ(debug_renderer_settings.names[name].enabled, 0) << kDebugNameNames[name];
        EXPECT_EQ(debug_renderer_settings.names[name].color, contact ? 0xFF0A0AFFu : 0xFFEB8F34u)
            << kDebugNameNames[name];
    }
    EXPECT_EQ(kDebugNameNames[DebugName::Physics_Broadphase_Tree], "Physics_Broadphase_Tree");
    EXPECT_EQ(kDebugNameNames[DebugName::Sprite], "Sprite");
    EXPECT_EQ(kDebugNameNames[DebugName::Ai], "Ai");
    EXPECT_EQ(debug_renderer_settings.layers[0].color, 0xFFFFFFFFu);
    EXPECT_EQ(debug_renderer_settings.layers[1].color, 0xFFFF00FFu);
    EXPECT_EQ(debug_renderer_settings.layers[2].color, 0xFFFFFF00u);
    for (const DebugColorSetting& layer : debug_renderer_settings.layers) {
        EXPECT_EQ(layer.enabled, 1);
    }
}

TEST_F(DebugLinesTest, WithTheDefaultsNothingIsBuilt) {
    DebugLines& lines = debug_lines_tick();
    for (uint32_t name = 0; name < DebugName::MAX; ++name) {
        for (uint32_t layer = 0; layer < DebugLayer::MAX; ++layer) {
            debug_line(lines, {0, 0}, {1, 1}, name, layer);
            debug_circle(lines, {0, 0}, 1.0f, name, layer);
            debug_rect(lines, AxisAlignedArea{{0, 0}, {1, 1}}, name, layer);
        }
    }
    EXPECT_EQ(lines.size(), 0u);
    EXPECT_TRUE(lines.build_vertices().empty());
}

TEST_F(DebugLinesTest, ADisabledCallTakesNoAllocation) {
    DebugLines lines;
    AxisAlignedAreaTree<int32_t> tree;
    tree.insert(AxisAlignedArea{{0, 0}, {1, 1}}, 0);
    tree.insert(AxisAlignedArea{{2, 0}, {3, 1}}, 1);
    Transform box;
    const uint64_t before = g_allocations.load();
    for (int i = 0; i < 1000; ++i) {
        debug_line(lines, {0, 0}, {1, 0}, DebugName::Physics_Sweep_Cell);
        debug_circle(lines, {0, 0}, 0.5f, DebugName::Physics_Contact_Point, DebugLayer::A);
        debug_box(lines, box, DebugName::Sprite);
        debug_area_tree(lines, tree, DebugName::Physics_Broadphase_Tree);
    }
    EXPECT_EQ(g_allocations.load(), before);
    // The counter does see allocations: an enabled name allocates its first line.
    enable(DebugName::Physics_Sweep_Cell);
    debug_line(lines, {0, 0}, {1, 0}, DebugName::Physics_Sweep_Cell);
    EXPECT_GT(g_allocations.load(), before);
}

TEST_F(DebugLinesTest, NamesAndLayersOutsideTheTableAreOutOfRange) {
    DebugLines& lines = debug_lines_tick();
    EXPECT_THROW(debug_line(lines, {0, 0}, {1, 1}, DebugName::MAX, 0), std::out_of_range);
    EXPECT_THROW(debug_line(lines, {0, 0}, {1, 1}, 0, DebugLayer::MAX), std::out_of_range);
    EXPECT_THROW(debug_mixed_color(14, 0), std::out_of_range);
    EXPECT_THROW(debug_is_enabled(0, 3), std::out_of_range);
}

TEST_F(DebugLinesTest, AnEnabledNameGivesLinesInTheMixedColor) {
    enable(DebugName::Physics_Contact_Point);
    DebugLines& lines = debug_lines_fixed();
    debug_line(lines, {1, 2}, {3, 4}, DebugName::Physics_Contact_Point, DebugLayer::A);
    debug_line(lines, {0, 0}, {1, 1}, DebugName::Physics_Sweep_Cell, DebugLayer::A); // still disabled
    // (0xFF0A0AFF + 0xFFFF00FF) / 2 per channel: red 0xFF, green 0x05, blue 0x84, alpha 0xFF.
    EXPECT_EQ(debug_mixed_color(DebugName::Physics_Contact_Point, DebugLayer::A), 0xFF8405FFu);
    const std::vector<DebugColoredLine>& built = lines.build_vertices();
    ASSERT_EQ(built.size(), 1u);
    EXPECT_EQ(built[0].a, glm::vec2(1, 2));
    EXPECT_EQ(built[0].b, glm::vec2(3, 4));
    EXPECT_EQ(built[0].red, 0xFF);
    EXPECT_EQ(built[0].green, 0x05);
    EXPECT_EQ(built[0].blue, 0x84);
    EXPECT_EQ(built[0].alpha, 0xFF);

    // A disabled layer hides the name's lines as well.
    debug_renderer_settings.layers[DebugLayer::B].enabled = 0;
    debug_line(lines, {0, 0}, {1, 1}, DebugName::Physics_Contact_Point, DebugLayer::B);
    EXPECT_EQ(lines.size(), 1u);
}

TEST_F(DebugLinesTest, TurningANameOffDropsItsLinesAtTheNextBuildAndColorEditsWaitForOne) {
    enable(DebugName::Ai);
    enable(DebugName::Sprite);
    DebugLines& lines = debug_lines_render();
    debug_line(lines, {0, 0}, {1, 0}, DebugName::Ai);
    debug_line(lines, {0, 0}, {0, 1}, DebugName::Sprite);
    ASSERT_EQ(lines.build_vertices().size(), 2u);

    // A colour edit alone keeps the built lines.
    debug_renderer_settings.names[DebugName::Ai].color = 0xFF000000u;
    EXPECT_EQ(lines.build_vertices()[0].red, (0xFFu + 0x34u) / 2);

    debug_renderer_settings.names[DebugName::Ai].enabled = 0;
    debug_lines_invalidate_all();
    const std::vector<DebugColoredLine>& rebuilt = lines.build_vertices();
    ASSERT_EQ(rebuilt.size(), 1u);
    EXPECT_EQ(rebuilt[0].b, glm::vec2(0, 1));
    EXPECT_EQ(lines.size(), 2u) << "the recorded lines stay; only the build filters";
}

TEST_F(DebugLinesTest, ShapesDrawTheirEdges) {
    for (uint32_t name = 0; name < DebugName::MAX; ++name) {
        enable(name);
    }
    DebugLines lines;
    debug_circle(lines, {1, 1}, 2.0f, DebugName::Default);
    std::vector<DebugLine> circle = lines.lines();
    ASSERT_EQ(circle.size(), 6u);
    EXPECT_EQ(circle.front().a, glm::vec2(3, 1));
    for (size_t i = 0; i < circle.size(); ++i) {
        EXPECT_NEAR(glm::length(circle[i].a - glm::vec2(1, 1)), 2.0f, 1e-5f);
        EXPECT_NEAR(glm::length(circle[i].b - circle[(i + 1) % 6].a), 0.0f, 1e-5f) << "a closed hexagon";
    }
    EXPECT_NEAR(circle[0].b.x, 2.0f, 1e-5f); // angle pi / 3
    EXPECT_NEAR(circle[0].b.y, 1.0f + std::sqrt(3.0f), 1e-5f);

    lines.clear();
    debug_arrow(lines, {1, 2}, {0.5f, -1.0f}, DebugName::Ai, DebugLayer::B);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines.lines()[0].b, glm::vec2(1.5f, 1.0f));
    EXPECT_EQ(lines.lines()[0].layer, DebugLayer::B);
    EXPECT_EQ(lines.lines()[0].name, DebugName::Ai);

    lines.clear();
    Transform box;
    box.position = {2, 0};
    box.scale = {1, 0.5f};
    box.angle = 1.5707964f;
    debug_box(lines, box, DebugName::Sprite);
    std::vector<DebugLine> edges = lines.lines();
    ASSERT_EQ(edges.size(), 4u);
    for (const DebugLine& e : edges) {
        // Turned a quarter: the half extents swap axes.
        EXPECT_NEAR(std::fabs(e.a.x - 2.0f), 0.5f, 1e-5f);
        EXPECT_NEAR(std::fabs(e.a.y), 1.0f, 1e-5f);
    }

    lines.clear();
    AxisAlignedAreaTree<int32_t> tree;
    tree.insert(AxisAlignedArea{{0, 0}, {1, 1}}, 0);
    tree.insert(AxisAlignedArea{{2, 0}, {3, 1}}, 1);
    tree.insert(AxisAlignedArea{{0, 2}, {1, 3}}, 2);
    debug_area_tree(lines, tree, DebugName::Physics_Broadphase_Tree);
    EXPECT_EQ(lines.size(), 4u * tree.nodes().size());
    std::vector<DebugLine> rects = lines.lines();
    // The root spans everything inserted.
    bool has_root = false;
    for (const DebugLine& l : rects) {
        has_root = has_root || (l.a == glm::vec2(0, 0) && l.b == glm::vec2(3, 0));
    }
    EXPECT_TRUE(has_root);
}

TEST_F(DebugLinesTest, SixteenPoolWorkersWritingLoseNoLine) {
    enable(DebugName::Physics_Sweep_Cell);
    ThreadPool pool;
    pool.init(16, PoolMode::Threaded);
    DebugLines& lines = debug_lines_fixed();
    constexpr uint64_t kPerTask = 2000;
    pool.parallel_for(0, 16, [&](uint64_t task) {
        for (uint64_t i = 0; i < kPerTask; ++i) {
            const float x = static_cast<float>(task);
            debug_line(lines, {x, 0}, {x, static_cast<float>(i)}, DebugName::Physics_Sweep_Cell);
            // A disabled name on the same buffer from the same threads.
            debug_line(lines, {x, 0}, {x, 1}, DebugName::Physics_Contact_Point);
        }
        debug_circle(lines, {0, 0}, 1.0f, DebugName::Physics_Sweep_Cell);
    });
    pool.shutdown();
    const std::vector<DebugLine> all = lines.lines();
    ASSERT_EQ(all.size(), 16 * kPerTask + 16 * 6);
    std::vector<uint64_t> per_task(16, 0);
    for (const DebugLine& l : all) {
        if (l.a.y == 0.0f && l.a.x == std::floor(l.a.x) && l.b.x == l.a.x) {
            per_task[static_cast<size_t>(l.a.x)] += 1;
        }
    }
    for (uint64_t count : per_task) {
        EXPECT_EQ(count, kPerTask);
    }
    EXPECT_EQ(lines.build_vertices().size(), all.size());
}

TEST_F(DebugLinesTest, TheRendererTurnsBuiltLinesIntoColoredSegments) {
    enable(DebugName::Default);
    debug_line(debug_lines_tick(), {0, 0}, {2, 0}, DebugName::Default, DebugLayer::B);
    Renderer renderer;
    renderer.add_debug_lines(debug_lines_tick());
    renderer.add_debug_lines(debug_lines_fixed());
    const std::vector<LineVertex>& v = renderer.debug_line_batch().vertices();
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[1].position, glm::vec2(2, 0));
    // (0xFFEB8F34 + 0xFFFFFF00) / 2: red 0x1A, green 0xC7, blue 0xF5, alpha 0xFF.
    EXPECT_FLOAT_EQ(v[0].color.r, 0x1A / 255.0f);
    EXPECT_FLOAT_EQ(v[0].color.g, 0xC7 / 255.0f);
    EXPECT_FLOAT_EQ(v[0].color.b, 0xF5 / 255.0f);
    EXPECT_FLOAT_EQ(v[0].color.a, 1.0f);
}

// One headless GUI frame per call; the window's widgets are pressed with ActivateItem.
struct GuiContext {
    // The window's tile made tall enough for every row, as a user drags its top boundary up.
    GuiContext() { editor_splits().right_rows = {0.01f, 0.02f, 0.03f}; }
    ~GuiContext() { editor_splits() = EditorSplits{}; }
    HeadlessGui gui{ImVec2(1600.0f, 1200.0f)};
    void frame() {
        ImGui::NewFrame();
        draw_debug_renderer_colors();
        ImGui::Render();
    }
    ImGuiID id_in(const char* path_id, int pushed) {
        ImGuiWindow* window = ImGui::FindWindowByName("Debug Renderer Colors");
        EXPECT_NE(window, nullptr);
        window->IDStack.push_back(window->GetID(pushed));
        const ImGuiID id = window->GetID(path_id);
        window->IDStack.pop_back();
        return id;
    }
};

TEST_F(DebugLinesTest, TheWindowsCheckboxesSwitchNamesAndLayersAndRebuildTheLines) {
    GuiContext gui;
    gui.frame();
    enable(DebugName::Physics_Contact_Point);
    DebugLines& lines = debug_lines_tick();
    debug_line(lines, {0, 0}, {1, 0}, DebugName::Physics_Contact_Point, DebugLayer::A);
    ASSERT_EQ(lines.build_vertices().size(), 1u);

    // Layer "A" is row 1000 + 1.
    ImGui::ActivateItem(gui.id_in("##enabled", 1001));
    gui.frame();
    gui.frame();
    EXPECT_EQ(debug_renderer_settings.layers[DebugLayer::A].enabled, 0);
    EXPECT_TRUE(lines.build_vertices().empty()) << "the checkbox invalidated the built lines";

    ImGui::ActivateItem(gui.id_in("##enabled", static_cast<int>(DebugName::Ai)));
    gui.frame();
    gui.frame();
    EXPECT_EQ(debug_renderer_settings.names[DebugName::Ai].enabled, 1);
    EXPECT_EQ(debug_renderer_settings.names[DebugName::Default].enabled, 0);
}

} // namespace
