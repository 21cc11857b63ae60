// Failed starts a person can read: the reason reaches the terminal (the child's captured standard error)
// and the last line of the log names the file and the reason.

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Support/Launcher.h"

using namespace test_support;

namespace {

namespace fs = std::filesystem;

std::string last_line(const std::string& text) {
    size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) {
        return {};
    }
    size_t begin = text.rfind('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1,
                       end + 1 - (begin == std::string::npos ? 0 : begin + 1));
}

TEST(LauncherFailures, AReadOnlyDirectoryKeepsTheLogOnTheTerminal) {
    TempDir dir;
    fs::create_symlink(PELLMAR_ASSETS_BIN, dir.path() / "assets.bin");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    LaunchOptions options;
    options.env = {"SDL_VIDEODRIVER=offscreen"};
    options.interrupt_after = std::chrono::milliseconds(1500);
    options.honour_file_modes = true;
    LaunchResult result = run_launcher(dir.path(), options);
    fs::permissions(dir.path(), fs::perms::owner_all);

    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "game.log"));
    EXPECT_NE(result.terminal.find("Cannot open game.log: Permission denied; the log goes to the terminal\n"),
              std::string::npos)
        << result.terminal;
    // Every line of the run, not only the first, is still seen.
    EXPECT_NE(result.terminal.find("[Launch] Hi"), std::string::npos) << result.terminal;
    EXPECT_NE(result.terminal.find("Loaded OpenGL verion"), std::string::npos) << result.terminal;
    EXPECT_NE(result.terminal.find("Exiting main"), std::string::npos) << result.terminal;
}

struct BadAssets {
    const char* what;
    void (*make)(const fs::path& file);
    const char* reason;
};

TEST(LauncherFailures, AnUnusableAssetFileEndsTheRunNamingTheFileAndTheReason) {
    const BadAssets cases[] = {
        {"missing", [](const fs::path&) {}, "No file"},
        {"unreadable",
         [](const fs::path& file) {
             fs::copy_file(PELLMAR_ASSETS_BIN, file);
             fs::permissions(file, fs::perms::none);
         },
         "Permission denied"},
        {"a directory", [](const fs::path& file) { fs::create_directory(file); }, "Is a directory"},
        {"a named pipe", [](const fs::path& file) { ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); },
         "Not a regular file (a named pipe)"},
    };
    for (const BadAssets& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::path file = dir.path() / "assets.bin";
        c.make(file);
        LaunchOptions options;
        options.env = {"SDL_VIDEODRIVER=offscreen"};
        options.honour_file_modes = true;
        LaunchResult result = run_launcher(dir.path(), options);

        ASSERT_FALSE(result.timed_out) << "the start must not wait on the file";
        EXPECT_EQ(result.term_signal, 0);
        EXPECT_NE(result.exit_code, 0);
        std::string log = read_file(dir.path() / "game.log");
        fs::path tried = fs::canonical(dir.path()) / "./assets.bin";
        EXPECT_NE(log.find("Failed could not find file. Tried " + tried.string()), std::string::npos) << log;
        EXPECT_NE(log.find("Cannot read " + tried.string() + ": " + c.reason), std::string::npos) << log;
        std::string fatal = std::string("Fatal error: ./assets.bin could not be loaded: ") + c.reason;
        EXPECT_NE(last_line(log).find(fatal), std::string::npos) << log;
        EXPECT_NE(result.terminal.find("pellmar: " + fatal), std::string::npos) << result.terminal;
    }
}

// A package that loads but lacks the game's assets (an older one, one built without them): the first start
// ends the run with one line naming the asset and the file.
TEST(LauncherFailures, APackageWithoutTheGameAssetsEndsTheRunNamingTheAssetAndTheFile) {
    TempDir dir;
    std::ofstream(dir.path() / "assets.bin", std::ios::binary) << std::string(40, '\0');
    LaunchOptions options;
    options.env = {"SDL_VIDEODRIVER=offscreen"};
    LaunchResult result = run_launcher(dir.path(), options);

    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.term_signal, 0);
    EXPECT_EQ(result.exit_code, 1);
    const std::string fatal = "Fatal error: ./assets.bin has no particle \"game/particles/default_cannon_spark\" "
                              "(GetByName: No asset found)";
    std::string log = read_file(dir.path() / "game.log");
    EXPECT_NE(last_line(log).find(fatal), std::string::npos) << log;
    size_t lines = 0;
    for (size_t at = result.terminal.find("pellmar: "); at != std::string::npos;
         at = result.terminal.find("pellmar: ", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 1u) << result.terminal;
    EXPECT_NE(result.terminal.find("pellmar: " + fatal), std::string::npos) << result.terminal;
}

} // namespace
