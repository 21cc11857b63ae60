#pragma once
// World-space debug lines from any system, including the bodies of parallel loops. Lines go into one of three
// global buffers (tick, fixed, render), chosen by the caller's system group, and are filtered by a table of 14
// debug names and 3 debug layers whose flags and colours the "Debug Renderer Colors" window edits.
//
// Threads: adding and clearing hold the buffer's mutex. The settings are read without a lock and edited only
// on the main thread between frames, while no parallel loop runs. A disabled name or layer returns before
// the lock, so a call that draws nothing costs a table lookup.

#include <array>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Math/AxisAlignedArea.h"

struct Transform;

struct DebugName {
    enum : uint32_t {
        Default = 0,
        Physics_Broadphase_Tree = 1,
        Physics_Broadphase_Overlap_World_Corners = 2,
        Physics_Broadphase_Overlap_World_Bounds = 3,
        Physics_Broadphase_Overlap_World_Pair_Line = 4,
        Physics_Broadphase_Overlap_Grid_Corners = 5,
        Physics_Broadphase_Overlap_Grid_Bounds = 6,
        Physics_Broadphase_Chunk_Used = 7,
        Physics_Broadphase_Chunk_Pair_Line = 8,
        Physics_Sweep_Cell = 9,
        Physics_Contact_Point = 10,
        Physics_Contact_Point_Normal = 11,
        Ai = 12,
        Sprite = 13,
        MAX = 14,
    };
};

struct DebugLayer {
    enum : uint32_t {
        Default = 0,
        A = 1,
        B = 2,
        MAX = 3,
    };
};

extern const std::array<std::string_view, DebugName::MAX> kDebugNameNames;
extern const std::array<std::string_view, DebugLayer::MAX> kDebugLayerNames;

struct DebugColorSetting {
    uint32_t color = 0; // RGBA8, red in the low byte
    uint8_t enabled = 0;
};

struct DebugRendererSettings {
    std::array<DebugColorSetting, DebugName::MAX> names;
    std::array<DebugColorSetting, DebugLayer::MAX> layers;

    // Every name off (contact names red, the rest orange); the three layers on, white, magenta and cyan.
    static DebugRendererSettings defaults();
};

extern DebugRendererSettings debug_renderer_settings;

struct DebugLine {
    glm::vec2 a{0.0f};
    glm::vec2 b{0.0f};
    uint32_t layer = 0;
    uint32_t name = 0;
};

struct DebugColoredLine {
    glm::vec2 a{0.0f};
    glm::vec2 b{0.0f};
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;
};

class DebugLines {
public:
    void add(const DebugLine& line);
    void clear();
    // Marks the coloured lines stale, so the next build filters and colours again.
    void invalidate();
    // The lines that are (still) enabled, coloured; rebuilt only when stale. Main thread, no writers running.
    const std::vector<DebugColoredLine>& build_vertices();

    // Copies under the lock; for tests and tools.
    std::vector<DebugLine> lines() const;
    size_t size() const;

private:
    mutable std::mutex m_mutex;
    std::vector<DebugLine> m_lines;
    bool m_built = false;
    std::vector<DebugColoredLine> m_colored;
};

// The three buffers: cleared at the start of every scene tick, every fixed tick and every scene render.
DebugLines& debug_lines_tick();
DebugLines& debug_lines_fixed();
DebugLines& debug_lines_render();
void debug_lines_invalidate_all();

// Both flags set; a name of 14 or more or a layer of 3 or more is an out-of-range error.
bool debug_is_enabled(uint32_t name, uint32_t layer);
// Per channel (tint + colour) / 2, rounded down.
uint32_t debug_mixed_color(uint32_t name, uint32_t layer);

void debug_line(DebugLines& lines, glm::vec2 a, glm::vec2 b, uint32_t name, uint32_t layer = DebugLayer::Default);
void debug_rect(DebugLines& lines, const AxisAlignedArea& area, uint32_t name, uint32_t layer = DebugLayer::Default);
// A hexagon through the points at angles k * pi / 3.
void debug_circle(DebugLines& lines, glm::vec2 center, float radius, uint32_t name,
                  uint32_t layer = DebugLayer::Default);
void debug_arrow(DebugLines& lines, glm::vec2 p, glm::vec2 v, uint32_t name, uint32_t layer = DebugLayer::Default);
// The four edges of the transform's rotated unit square.
void debug_box(DebugLines& lines, const Transform& transform, uint32_t name, uint32_t layer = DebugLayer::Default);

// The bounds of every node of an area tree (anything whose nodes() hold `bounds`), so that drawing does not
// depend on the physics code.
template <typename Tree>
void debug_area_tree(DebugLines& lines, const Tree& tree, uint32_t name, uint32_t layer = DebugLayer::Default) {
    if (!debug_is_enabled(name, layer)) {
        return;
    }
    for (const auto& node : tree.nodes()) {
        debug_rect(lines, node.bounds, name, layer);
    }
}
