// The real launcher on the offscreen driver, where swaps return at once: frames are paced, so the run
// neither piles up frames in the driver nor takes long to close.

#include <algorithm>
#include <filesystem>
#include <vector>

#include <csignal>

#include <gtest/gtest.h>

#include "Support/Launcher.h"

using namespace test_support;
using namespace std::chrono_literals;

namespace {

// The scene has started and frames run. On a busy machine the start alone (the driver clears the chunk
// pool's texture arrays) can take seconds; the times checked here are those of the running game.
bool game_running(const TempDir& dir) {
    return read_file(dir.path() / "game.log").find("[Engine]  Done") != std::string::npos;
}

LaunchOptions offscreen_run(const TempDir& dir, std::chrono::milliseconds interrupt_after) {
    LaunchOptions options;
    options.env = {"SDL_VIDEODRIVER=offscreen"};
    options.interrupt_after = interrupt_after;
    options.ready = [&dir] { return game_running(dir); };
    return options;
}

TEST(LauncherPacing, InterruptAfterTwoSecondsEndsTheRunWithinTwoSeconds) {
    TempDir dir;
    std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir.path() / "assets.bin");
    LaunchResult result = run_launcher(dir.path(), offscreen_run(dir, 2000ms));
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.term_signal, 0);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_LT(result.after_interrupt, 2000ms * kSanitizerSlowdown);
    std::string log = read_file(dir.path() / "game.log");
    EXPECT_NE(log.find("Frames paced at 60 Hz"), std::string::npos) << log;
    EXPECT_NE(log.find("Exiting main"), std::string::npos) << log;
}

TEST(LauncherPacing, MemoryStaysBoundedOverTenSeconds) {
    TempDir dir;
    std::filesystem::create_symlink(PELLMAR_ASSETS_BIN, dir.path() / "assets.bin");
    struct Sample {
        std::chrono::steady_clock::duration at;
        long kib;
    };
    std::vector<Sample> samples;
    std::chrono::steady_clock::time_point start;
    bool running = false;
    LaunchOptions options;
    options.env = {"SDL_VIDEODRIVER=offscreen"};
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed blocks in a quarantine of 256 MB by default, which would read as growth. The
    // leak check stays off as for every launched program (see run_launcher).
    options.env.emplace_back("ASAN_OPTIONS=quarantine_size_mb=8:detect_leaks=0");
#endif
    // Ten seconds of frames from the moment the scene runs, sampled every 250 ms.
    options.while_running = [&](pid_t pid) {
        if (!running) {
            running = game_running(dir);
            start = std::chrono::steady_clock::now();
            return;
        }
        auto at = std::chrono::steady_clock::now() - start;
        if (at > 10s) {
            if (samples.back().at <= 10s) {
                kill(pid, SIGINT);
                samples.push_back({at, 0});
            }
            return;
        }
        if (samples.empty() || at - samples.back().at >= 250ms) {
            long kib = resident_kib(pid);
            if (kib > 0) {
                samples.push_back({at, kib});
            }
        }
    };
    LaunchResult result = run_launcher(dir.path(), options);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0) << result.terminal;
    ASSERT_TRUE(running);
    samples.pop_back();
    ASSERT_GT(samples.size(), 20u);

    // After the first second of frames the resident size stays flat. Unpaced, the driver's queue of frames
    // grew by hundreds of megabytes a second, to gigabytes.
    long after_one = 0;
    long highest = 0;
    for (const Sample& s : samples) {
        if (s.at <= 1s) {
            after_one = s.kib;
        }
        highest = std::max(highest, s.kib);
    }
    ASSERT_GT(after_one, 0);
    long last = samples.back().kib;
    constexpr long kAllowedGrowthKib = 64 * 1024;
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer's shadow of every byte the program touches counts in the resident size too.
    constexpr long kAllowedKib = 2048 * 1024;
#else
    constexpr long kAllowedKib = 1024 * 1024;
#endif
    EXPECT_LT(last - after_one, kAllowedGrowthKib) << "after 1 s: " << after_one << " KiB, after 10 s: " << last;
    EXPECT_LT(highest, kAllowedKib);
}

} // namespace
