#include <gtest/gtest.h>

#include <string>

#include "Support/Launcher.h"

using namespace test_support;

namespace {

// Without assets.bin the scene's first lookup misses: the run ends with the reason in the log and a
// non-zero exit code, not with an uncaught exception.
TEST(GameSceneAssets, MissingAssetEndsTheRunWithAClearErrorAndExitCode) {
    TempDir dir;
    LaunchOptions options;
    options.env.push_back("SDL_VIDEODRIVER=offscreen");
    const LaunchResult result = run_launcher(dir.path(), options);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.term_signal, 0) << "no abort";
    EXPECT_EQ(result.exit_code, 1);
    const std::string log = read_file(dir.path() / "game.log");
    EXPECT_NE(log.find("Failed to load asset"), std::string::npos) << log;
    EXPECT_NE(log.find("Fatal error: ./assets.bin could not be loaded: No file (GetByName: No asset found)"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Exiting main"), std::string::npos);
}

} // namespace
