// Which debug-line buffer a system draws into, and when the scene clears each buffer.

#include <stdexcept>

#include <gtest/gtest.h>

#include "Engine/Engine/System.h"
#include "Engine/Graphics/DebugLines.h"
#include "Support/SceneHarness.h"

namespace {

// Draws one line per update into its group's buffer, at x = its group.
class LineSystem : public SystemBase {
public:
    LineSystem() : SystemBase("LineSystem") {}
    void update(const SimulationTick&) override {
        const auto x = static_cast<float>(group());
        debug_line(debug_lines(), {x, 0}, {x, 1}, DebugName::Default);
    }
};

struct DebugLinesScene : ::testing::Test {
    void SetUp() override {
        debug_renderer_settings = DebugRendererSettings::defaults();
        debug_renderer_settings.names[DebugName::Default].enabled = 1;
        debug_lines_tick().clear();
        debug_lines_fixed().clear();
        debug_lines_render().clear();
    }
    void TearDown() override {
        SetUp();
        debug_renderer_settings = DebugRendererSettings::defaults();
    }
};

TEST_F(DebugLinesScene, EachGroupDrawsIntoTheBufferOfItsKindOfStep) {
    struct Case {
        uint32_t group;
        DebugLines* buffer;
    };
    for (const Case c :
         {Case{SystemGroup::PreTick, &debug_lines_tick()}, Case{SystemGroup::Tick, &debug_lines_tick()},
          Case{SystemGroup::AfterFixed, &debug_lines_tick()}, Case{SystemGroup::Fixed, &debug_lines_fixed()},
          Case{SystemGroup::PostFixed, &debug_lines_fixed()}, Case{SystemGroup::Render, &debug_lines_render()},
          Case{SystemGroup::EditorUi, &debug_lines_render()}}) {
        LineSystem system;
        system.set_group(c.group);
        EXPECT_EQ(&system.debug_lines(), c.buffer) << SystemBase::group_name(static_cast<int32_t>(c.group));
    }
    for (uint32_t parked : {SystemGroup::Unused, SystemGroup::UnusedRender}) {
        LineSystem system;
        system.set_group(parked);
        EXPECT_THROW(system.debug_lines(), std::logic_error);
    }
}

TEST_F(DebugLinesScene, TickLinesLastOneTickAndFixedLinesOneFixedTick) {
    test_support::SceneHarness harness([](test_support::HarnessScene& s) {
        s.register_system<LineSystem>(SystemGroup::Tick);
        s.register_system<LineSystem>(SystemGroup::Fixed);
        s.register_system<LineSystem>(SystemGroup::AfterFixed);
    });
    // Lines left from before the first tick go at its start.
    debug_line(debug_lines_tick(), {9, 9}, {9, 9}, DebugName::Default);
    debug_line(debug_lines_fixed(), {9, 9}, {9, 9}, DebugName::Default);

    harness.tick(1.0f / 60.0f, true);
    EXPECT_EQ(debug_lines_tick().size(), 2u) << "Tick and AfterFixed of this tick only";
    ASSERT_EQ(debug_lines_fixed().size(), 1u);
    EXPECT_EQ(debug_lines_fixed().lines()[0].a.x, static_cast<float>(SystemGroup::Fixed));

    // A variable tick clears the tick buffer but keeps the last fixed step's lines.
    harness.tick(1.0f / 60.0f, false);
    EXPECT_EQ(debug_lines_tick().size(), 2u);
    EXPECT_EQ(debug_lines_fixed().size(), 1u);
    harness.tick(1.0f / 60.0f, false);
    EXPECT_EQ(debug_lines_fixed().size(), 1u);

    harness.tick(1.0f / 60.0f, true);
    EXPECT_EQ(debug_lines_tick().size(), 2u);
    EXPECT_EQ(debug_lines_fixed().size(), 1u) << "the next fixed tick starts a fresh fixed buffer";
}

} // namespace
