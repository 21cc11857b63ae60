#include <fstream>

#include <gtest/gtest.h>

#include "Support/Launcher.h"

using namespace test_support;

namespace {

// The launcher opens its window and runs until it is closed; SIGINT closes it the same way.
// The game scene it starts reads assets.bin from the working directory.
void give_assets(const TempDir& dir) { std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir.path() / "assets.bin"); }

LaunchOptions interrupted_run() {
    LaunchOptions options;
    options.env = {"SDL_VIDEODRIVER=offscreen"};
    options.interrupt_after = std::chrono::milliseconds(1500);
    return options;
}

TEST(Launcher, WritesGameLogAndReplacesItOnTheNextRun) {
    TempDir dir;
    give_assets(dir);
    std::filesystem::path log = dir.path() / "game.log";
    {
        std::ofstream stale(log);
        for (int i = 0; i < 5000; ++i) {
            stale << "STALE LINE FROM AN EARLIER RUN\n";
        }
    }

    LaunchResult first = run_launcher(dir.path(), interrupted_run());
    ASSERT_FALSE(first.timed_out);
    EXPECT_EQ(first.term_signal, 0);
    EXPECT_EQ(first.exit_code, 0);
    std::string text = read_file(log);
    EXPECT_NE(text.find("[Launch] Hi\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Exiting main"), std::string::npos) << text;
    EXPECT_EQ(text.find("STALE LINE"), std::string::npos) << "the old log was not truncated";

    LaunchResult second = run_launcher(dir.path(), interrupted_run());
    EXPECT_EQ(second.exit_code, 0);
    std::string again = read_file(log);
    // One run's worth of lines: "Hi" appears once.
    EXPECT_EQ(again.find("Hi"), again.rfind("Hi"));
    EXPECT_NE(again.find("Exiting main"), std::string::npos) << again;
}

TEST(Launcher, InterruptEndsTheRunThroughTheEngineShutDown) {
    TempDir dir;
    give_assets(dir);
    LaunchResult result = run_launcher(dir.path(), interrupted_run());
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0);
    std::string text = read_file(dir.path() / "game.log");
    size_t startup = text.find("[Engine]  Running startup");
    size_t exiting = text.find("Exiting main");
    ASSERT_NE(startup, std::string::npos) << text;
    ASSERT_NE(exiting, std::string::npos) << text;
    EXPECT_LT(startup, exiting);
    // The real window and context came up, and no GL call reported an error while frames ran.
    EXPECT_NE(text.find("Loaded OpenGL verion: 4.5"), std::string::npos) << text;
    EXPECT_EQ(text.find("OpenGL error"), std::string::npos) << text;
}

} // namespace

namespace {

TEST(Launcher, AFailedRenderBackEndEndsTheRunWithAnError) {
    TempDir dir;
    LaunchOptions options;
    options.env = {"SDL_VIDEODRIVER=no-such-driver"};
    LaunchResult result = run_launcher(dir.path(), options);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.term_signal, 0) << "ends by itself, not by a crash";
    EXPECT_NE(result.exit_code, 0);
    std::string text = read_file(dir.path() / "game.log");
    EXPECT_NE(text.find("\x1b[31m[Engine]"), std::string::npos) << text;
    EXPECT_NE(text.find("Render back end init failed: Failed to create SDL window"), std::string::npos) << text;
    EXPECT_NE(text.find("\x1b[31m[Launch] Fatal error: Failed to create SDL window"), std::string::npos) << text;
    EXPECT_EQ(text.find("Exiting main"), std::string::npos) << text;
}

} // namespace
