// The "Control Bar" pressed through the GUI: a reload whose package lacks an asset the scene needs keeps the
// running scene on its old package, and the bar says why in one line until the next action there.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Common/Assets/SpriteAsset.h"
#include "Engine/Engine/Engine.h"
#include "Support/HeadlessGui.h"
#include "Support/SceneHarness.h"
#include "TestScene.h"

using namespace engine_test;
using namespace test_support;

namespace {

namespace fs = std::filesystem;

// Looks the rock sprite up at every start, as the game scene does.
class NeedsSpriteScene : public TestScene {
public:
    using TestScene::TestScene;
    void on_start() override {
        TestScene::on_start();
        assets().get_by_name<SpriteAsset>("hello");
    }
};

class ControlBar : public ::testing::Test {
protected:
    void SetUp() override {
        engine.set_scene(scene);
        engine.startup();
        tick = engine.run_frame();
    }
    void TearDown() override { engine.shutdown(); }

    // One GUI frame with the bar, then one engine frame; the texts the bar drew.
    std::string frame() {
        const std::string texts = gui.frame([&] { engine.draw_control_bar(tick); });
        tick = engine.run_frame();
        return texts;
    }
    void press(const char* label) {
        frame();
        ImGuiWindow* window = ImGui::FindWindowByName("Control Bar");
        ASSERT_NE(window, nullptr);
        ImGui::ActivateItem(window->GetID(label));
        frame();
    }

    AssetsWorkingDir dir;
    HeadlessGui gui;
    Log log;
    std::vector<std::string> reported;
    Engine engine{[this] {
        EngineConfig config = engine_test::windowless_config();
        config.report_failure = [this](std::string_view line) { reported.emplace_back(line); };
        return config;
    }()};
    std::shared_ptr<NeedsSpriteScene> scene = std::make_shared<NeedsSpriteScene>(&log);
    SimulationTick tick;
};

TEST_F(ControlBar, AReloadOfAPackageWithoutTheSceneAssetsKeepsTheSceneAndSaysWhy) {
    ASSERT_EQ(scene->starts, 1);
    const size_t sprites = scene->assets().sprites.m_assets.size();
    ASSERT_GT(sprites, 0u);
    // Well formed, five empty lists: it loads, but holds no "hello". (The working directory's package is a
    // link to the build's: it is replaced, never written through.)
    fs::remove("assets.bin");
    std::ofstream("assets.bin", std::ios::binary) << std::string(40, '\0');
    press("Reload");
    frame(); // the reload happens at the start of the next frame
    const std::string texts = frame();

    // Started on the new package, failed, and started again on the one it ran on.
    EXPECT_EQ(scene->starts, 3);
    EXPECT_EQ(scene->assets().sprites.m_assets.size(), sprites);
    EXPECT_EQ(engine.current_scene(), scene);
    const uint32_t frames = scene->frames;
    frame();
    EXPECT_EQ(scene->frames, frames + 1) << "the scene goes on ticking";

    const std::string line =
        "Reload failed, the running scene is kept: ./assets.bin has no sprite \"hello\" (GetByName: No asset found)";
    EXPECT_NE(texts.find(line), std::string::npos) << texts;
    EXPECT_EQ(engine.control_bar_notice(), line);
    EXPECT_EQ(reported, std::vector<std::string>{line});
    EXPECT_NE(frame().find(line), std::string::npos) << "the line stays until the next action";

    press("Freeze");
    EXPECT_EQ(frame().find("Reload failed"), std::string::npos);
    EXPECT_TRUE(engine.control_bar_notice().empty());
}

TEST_F(ControlBar, AReloadOfADamagedPackageSaysWhyInTheBar) {
    fs::remove("assets.bin");
    fs::copy_file(PELLMAR_ASSETS_BIN, "assets.bin");
    fs::resize_file("assets.bin", 1000);
    press("Reload");
    frame();
    const std::string texts = frame();
    EXPECT_EQ(scene->starts, 1) << "a package that does not load stops nothing";
    EXPECT_NE(texts.find("Reload failed, the running scene is kept: Malformed asset file ./assets.bin"),
              std::string::npos)
        << texts;
    ASSERT_EQ(reported.size(), 1u);
}

} // namespace
