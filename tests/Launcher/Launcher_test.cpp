#include <fstream>

#include <gtest/gtest.h>

#include "Support/Launcher.h"

using namespace test_support;

TEST(Launcher, WritesGameLogAndReplacesItOnTheNextRun) {
    TempDir dir;
    std::filesystem::path log = dir.path() / "game.log";
    {
        std::ofstream stale(log);
        for (int i = 0; i < 5000; ++i) {
            stale << "STALE LINE FROM AN EARLIER RUN\n";
        }
    }

    LaunchResult first = run_launcher(dir.path(), {.env = {"SDL_VIDEODRIVER=offscreen"}});
    ASSERT_FALSE(first.timed_out);
    EXPECT_EQ(first.exit_code, 0);
    std::string text = read_file(log);
    EXPECT_NE(text.find("[Launch] Hi\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Exiting main"), std::string::npos) << text;
    EXPECT_EQ(text.find("STALE LINE"), std::string::npos) << "the old log was not truncated";

    LaunchResult second = run_launcher(dir.path(), {.env = {"SDL_VIDEODRIVER=offscreen"}});
    EXPECT_EQ(second.exit_code, 0);
    std::string again = read_file(log);
    // One run's worth of lines: "Hi" appears once.
    EXPECT_EQ(again.find("Hi"), again.rfind("Hi"));
}
