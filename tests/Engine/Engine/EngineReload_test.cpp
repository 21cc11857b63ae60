// Reload reads and checks "./assets.bin" before it stops the running scene.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Support/Launcher.h"
#include "TestScene.h"

using namespace engine_test;

namespace {

namespace fs = std::filesystem;

// Runs the test inside a directory of its own that holds a copy of the game's package.
class ReloadTest : public testing::Test {
protected:
    void SetUp() override {
        m_before = fs::current_path();
        fs::copy_file(PELLMAR_ASSETS_BIN, m_dir.path() / "assets.bin");
        fs::current_path(m_dir.path());
    }
    void TearDown() override { fs::current_path(m_before); }

    // Runs `scene`; at frame 1 `damage` changes the file and Reload is pressed; quit follows at frame 3.
    std::string run_reload(const std::shared_ptr<TestScene>& scene, const std::function<void()>& damage) {
        Engine engine{windowless_config()};
        scene->script = [&](TestScene& s, uint32_t f) {
            if (f == 1) {
                damage();
                s.event_bus().publish(ReloadEvent{});
            }
            if (f == 3) {
                s.event_bus().publish(QuitEvent{});
            }
        };
        engine.set_scene(scene);
        testing::internal::CaptureStdout();
        engine.run();
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    test_support::TempDir m_dir;
    fs::path m_before;
};

void truncate_file() { fs::resize_file("assets.bin", 1000); }
void remove_file() { fs::remove("assets.bin"); }
void replace_with_directory() {
    fs::remove("assets.bin");
    fs::create_directory("assets.bin");
}
void replace_with_pipe() {
    fs::remove("assets.bin");
    ASSERT_EQ(mkfifo("assets.bin", 0600), 0);
}

struct DamageCase {
    const char* what;
    void (*damage)();
    const char* reason;
};

TEST_F(ReloadTest, ADamagedPackageKeepsTheRunningSceneAndItsAssets) {
    const DamageCase cases[] = {
        {"truncated", truncate_file, "Malformed asset file ./assets.bin"},
        {"missing", remove_file, "No file"},
        {"a directory", replace_with_directory, "Is a directory"},
        {"a named pipe", replace_with_pipe, "Not a regular file (a named pipe)"},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all("assets.bin");
        fs::copy_file(PELLMAR_ASSETS_BIN, "assets.bin");
        Log log;
        auto scene = std::make_shared<TestScene>(&log);
        std::string out = run_reload(scene, c.damage);

        EXPECT_EQ(scene->starts, 1) << "the scene was not restarted";
        EXPECT_EQ(scene->stops, 1) << "stopped once, at the end of the run";
        EXPECT_EQ(scene->frames, 4u) << "it kept ticking through the failed reload";
        EXPECT_FALSE(scene->assets().sprites.m_assets.empty()) << "the running scene keeps its package";
        EXPECT_NE(out.find(std::string("Reload failed, the running scene is kept: ") + c.reason), std::string::npos)
            << out;
    }
}

TEST_F(ReloadTest, AGoodPackageRestartsTheSceneWithTheNewContents) {
    Log log;
    auto scene = std::make_shared<TestScene>(&log);
    // A package with five empty lists is well formed.
    std::string out = run_reload(scene, [] { std::ofstream("assets.bin", std::ios::binary) << std::string(40, '\0'); });
    EXPECT_EQ(scene->starts, 2);
    EXPECT_EQ(scene->stops, 2);
    EXPECT_TRUE(scene->assets().sprites.m_assets.empty()) << "the restarted scene holds the new package";
    EXPECT_EQ(out.find("Reload failed"), std::string::npos) << out;
}

} // namespace
