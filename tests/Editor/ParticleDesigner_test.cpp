#include "Editor/ParticleDesignerSystem.h"

#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "Common/Assets/JsonWrite.h"
#include "Engine/Graphics/ParticleBatch.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Graphics/RenderEventHandler.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Random.h"
#include "Game/Input/EditorInputScheme.h"
#include "GuiHarness.h"
#include "Support/SceneHarness.h"

namespace {

using editor_test::GuiHarness;
using test_support::EventRecorder;
using test_support::SceneHarness;

// The default settings, written out by hand in the order of their 18 ranges.
const std::string kDefaultJson =
    R"({"position":{"single":1,"min_or_value":[0,0],"max":[0,0]},"z":{"single":1,"min_or_value":0,"max":0},)"
    R"("angle":{"single":1,"min_or_value":0,"max":0},"angle_xy":{"single":1,"min_or_value":[0,0],"max":[0,0]},)"
    R"("velocity":{"single":1,"min_or_value":[0,0],"max":[0,0]},"velocity_z":{"single":1,"min_or_value":0,"max":0},)"
    R"("damping":{"single":1,"min_or_value":0,"max":0},"angular_velocity":{"single":1,"min_or_value":0,"max":0},)"
    R"("angular_velocity_xy":{"single":1,"min_or_value":[0,0],"max":[0,0]},)"
    R"("angular_damping":{"single":1,"min_or_value":0,"max":0},"life":{"single":1,"min_or_value":0,"max":0},)"
    R"("initial_scale":{"single":1,"min_or_value":[0,0],"max":[0,0]},)"
    R"("final_scale":{"single":1,"min_or_value":[0,0],"max":[0,0]},)"
    R"("factor_scale":{"single":1,"min_or_value":1,"max":0},)"
    R"("initial_color":{"single":1,"min_or_value":[0,0,0,0],"max":[0,0,0,0]},)"
    R"("final_color":{"single":1,"min_or_value":[0,0,0,0],"max":[0,0,0,0]},)"
    R"("factor_color":{"single":1,"min_or_value":1,"max":0},"number_to_spawn":{"single":1,"min_or_value":1,"max":0}})";

class ParticleDesigner : public ::testing::Test {
protected:
    ParticleDesigner() { ParticleDesignerSystem::chosen_particle() = -1; }
    ~ParticleDesigner() override { ParticleDesignerSystem::chosen_particle() = -1; }

    // One editor frame of the designer, then the bus delivers what it published.
    void frame() {
        gui.frame([&] { designer->update(test_support::make_tick(1, 1.0f / 60.0f, false)); });
        harness.engine.event_bus().dispatch();
    }
    void press(const char* button) { ImGui::ActivateItem(GuiHarness::window("Particle Designer")->GetID(button)); }
    const ParticleAsset& asset(const char* name) const {
        return harness.scene->assets().get_by_name<ParticleAsset>(name);
    }

    test_support::AssetsWorkingDir dir;
    EditorInputScheme input{nullptr};
    ParticleDesignerSystem* designer = nullptr;
    SceneHarness harness{[this](test_support::HarnessScene& scene) {
        designer = &scene.register_system<ParticleDesignerSystem>(SystemGroup::EditorUi, input);
        scene.register_event_handler<RenderEventHandler>(scene.renderer());
    }};
    EventRecorder<SpawnParticleEvent> spawned{harness.engine.event_bus()};
    GuiHarness gui;
};

TEST_F(ParticleDesigner, ExportBeforeLoadPrintsExactlyTheDefaultSettings) {
    frame();
    press("Export");
    test_support::StdoutCapture capture;
    frame();
    EXPECT_EQ(capture.finish(), kDefaultJson);
    EXPECT_EQ(to_json(ParticleSpawnSettings{}), kDefaultJson);
}

TEST_F(ParticleDesigner, LoadCopiesEveryRangeOfTheChosenAsset) {
    const auto& particles = harness.scene->assets().particles.m_assets;
    ASSERT_FALSE(particles.empty());
    frame();
    press("Load");
    frame();
    EXPECT_EQ(to_json(designer->settings()), kDefaultJson) << "nothing chosen, nothing loaded";

    for (size_t i = 0; i < particles.size(); ++i) {
        ParticleDesignerSystem::chosen_particle() = static_cast<int32_t>(i);
        press("Load");
        frame();
        // The JSON holds every value of the 18 ranges, single flags and hidden max values included.
        EXPECT_EQ(to_json(designer->settings()), to_json(particles[i].spawn)) << particles[i].metadata.name;
        ASSERT_FALSE(spawned.events.empty());
        EXPECT_EQ(to_json(spawned.events.back().settings), to_json(particles[i].spawn))
            << "the preview uses this frame's load";
    }
    EXPECT_NE(to_json(asset("game/particles/explosion_spark").spawn), kDefaultJson);
}

TEST_F(ParticleDesigner, OnlyOnClickSpawnsUnderTheCursorWhileTheButtonIsHeld) {
    frame();
    ASSERT_EQ(spawned.events.size(), 1u) << "by default one emission per frame";
    EXPECT_EQ(spawned.events[0].position, glm::vec2(0.0f, 0.0f));
    spawned.events.clear();

    designer->only_spawn_on_click() = true;
    input.mouse_world = {2.5f, -1.0f};
    frame();
    EXPECT_TRUE(spawned.events.empty());

    input.mouse_down = true;
    frame();
    ASSERT_EQ(spawned.events.size(), 1u);
    EXPECT_EQ(spawned.events[0].position, glm::vec2(2.5f, -1.0f));
    EXPECT_EQ(spawned.events[0].angle, 0.0f);
    input.mouse_world = {-3.0f, 4.0f};
    frame();
    ASSERT_EQ(spawned.events.size(), 2u);
    EXPECT_EQ(spawned.events[1].position, glm::vec2(-3.0f, 4.0f)) << "the emission follows the cursor";
}

TEST_F(ParticleDesigner, AHugeCountIsClampedToTheParticleCapacity) {
    constexpr int32_t kHuge = std::numeric_limits<int32_t>::max();
    designer->settings().number_to_spawn = {false, kHuge, -kHuge};
    frame();
    ASSERT_EQ(spawned.events.size(), 1u);
    const Range<int32_t>& n = spawned.events[0].settings.number_to_spawn;
    EXPECT_EQ(n.min_or_value, static_cast<int32_t>(kParticleCapacity));
    EXPECT_EQ(n.max, -static_cast<int32_t>(kParticleCapacity));
}

TEST_F(ParticleDesigner, TheDefaultsDrawNothingAndPreviewsLeaveTheGlobalGeneratorAlone) {
    const ParticleBatch& batch = harness.scene->renderer().world_particle_batch();
    frame();
    EXPECT_EQ(spawned.events.size(), 1u);
    EXPECT_EQ(batch.live_count(), 0u) << "life 0: nothing to draw";

    // Every range drawn between two bounds, so each preview particle takes many random draws.
    ParticleSpawnSettings& s = designer->settings();
    s = asset("game/particles/explosion_spark").spawn;
    s.life = {false, 1.0f, 2.0f};
    s.velocity = {false, glm::vec2(-1.0f), glm::vec2(1.0f)};
    s.number_to_spawn = {false, 5, 10};
    const std::mt19937 before = random_generator();
    const std::mt19937 cosmetic_before = cosmetic_random_generator();
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    EXPECT_GE(batch.live_count(), 15u);
    EXPECT_TRUE(random_generator() == before) << "the simulation's sequence is untouched";
    EXPECT_FALSE(cosmetic_random_generator() == cosmetic_before);
}

// The designer's id scopes: the table, the row's label, and the open tree node's label again.
ImGuiID spawn_row_node(const char* row) {
    const ImGuiID table = GuiHarness::window("Particle Designer")->GetID("SpawnTable");
    return ImHashStr(row, 0, ImHashStr(row, 0, table));
}

// With "single" ticked a range shows only its value, but keeps its max: in the working copy and in the preview
// it spawns. Cleared again, the old max is back.
TEST_F(ParticleDesigner, TickingSingleKeepsTheRangesMax) {
    ParticleSpawnSettings& s = designer->settings();
    s.velocity = {false, glm::vec2(1.0f, 2.0f), glm::vec2(3.0f, 4.0f)};
    s.life = {false, 0.5f, 2.5f};
    s.number_to_spawn = {false, 5, 9};
    frame();
    const char* rows[] = {"Velocity", "Life", "Number"};
    // A frame that logs its texts opens every tree node and clips no row, wherever the layout puts the window
    // and however tall it is.
    const auto toggle_all = [&] {
        for (const char* row : rows) {
            ImGui::ActivateItem(ImHashStr("single", 0, spawn_row_node(row)));
            gui.frame_texts([&] { designer->update(test_support::make_tick(1, 1.0f / 60.0f, false)); });
            harness.engine.event_bus().dispatch();
        }
    };
    toggle_all();
    ASSERT_TRUE(s.velocity.single);
    ASSERT_TRUE(s.life.single);
    ASSERT_TRUE(s.number_to_spawn.single);
    EXPECT_EQ(s.velocity.max, glm::vec2(3.0f, 4.0f));
    EXPECT_EQ(s.velocity.min_or_value, glm::vec2(1.0f, 2.0f));
    EXPECT_EQ(s.life.max, 2.5f);
    EXPECT_EQ(s.number_to_spawn.max, 9);
    frame();
    ASSERT_FALSE(spawned.events.empty());
    const ParticleSpawnSettings& preview = spawned.events.back().settings;
    EXPECT_TRUE(preview.velocity.single);
    EXPECT_EQ(preview.velocity.max, glm::vec2(3.0f, 4.0f));
    EXPECT_EQ(preview.life.max, 2.5f);
    EXPECT_EQ(preview.number_to_spawn.max, 9);

    toggle_all();
    EXPECT_FALSE(s.velocity.single);
    EXPECT_FALSE(s.number_to_spawn.single);
    EXPECT_EQ(s.velocity.max, glm::vec2(3.0f, 4.0f));
    EXPECT_EQ(s.life.max, 2.5f);
    EXPECT_EQ(s.number_to_spawn.max, 9);
}

} // namespace
