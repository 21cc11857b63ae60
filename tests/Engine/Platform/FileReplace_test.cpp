// Replacing a file whole: a write that fails for real (the file-size limit, a full file system, a partial file
// that cannot be made) leaves the old file byte for byte as it was and no partial file behind.

#include "Engine/Platform/FileReplace.h"

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Support/FileSizeLimit.h"
#include "Support/Launcher.h"

using namespace test_support;

namespace {

namespace fs = std::filesystem;

std::string pattern(size_t size, char seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + static_cast<char>(i % 61));
    }
    return bytes;
}

void write_plain(const fs::path& path, const std::string& bytes) { ASSERT_FALSE(replace_file(path, bytes).failed); }

TEST(FileReplace, ReplacesTheWholeFileAndLeavesNoPartialFile) {
    TempDir dir;
    const fs::path file = dir.path() / "recording.bin";
    write_plain(file, pattern(5000, 'a'));
    const std::string next = pattern(70000, 'k');
    const Result result = replace_file(file, next);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_EQ(read_file(file), next);
    EXPECT_FALSE(fs::exists(partial_file_of(file)));
    // Empty is a whole file too.
    ASSERT_FALSE(replace_file(file, "").failed);
    EXPECT_EQ(fs::file_size(file), 0u);
}

struct Failure {
    const char* name;
    // Sets up what makes the write fail, where the file system itself does it.
    std::function<void(const fs::path& file)> prepare;
    std::function<Result(const fs::path& file, const std::string& next)> write;
    const char* reason;
    bool partial_is_ours; // the partial file is the test's own obstacle, not the write's leftover
};

void PrintTo(const Failure& failure, std::ostream* os) { *os << failure.name; }

class FailedReplace : public ::testing::TestWithParam<Failure> {};

TEST_P(FailedReplace, LeavesTheOldFileByteForByte) {
    TempDir dir;
    const fs::path file = dir.path() / "recording.bin";
    const std::string old = pattern(10214, 'A');
    write_plain(file, old);
    GetParam().prepare(file);
    const Result result = GetParam().write(file, pattern(300000, 'z'));
    EXPECT_TRUE(result.failed);
    EXPECT_NE(result.message.find(GetParam().reason), std::string::npos) << result.message;
    EXPECT_EQ(read_file(file), old);
    if (!GetParam().partial_is_ours) {
        EXPECT_FALSE(fs::exists(partial_file_of(file)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailedReplace,
    ::testing::Values(Failure{"past_the_file_size_limit", [](const fs::path&) {},
                              [](const fs::path& file, const std::string& next) {
                                  FileSizeLimit limit(4096);
                                  return replace_file(file, next);
                              },
                              "File too large", false},
                      Failure{"partial_file_cannot_be_made",
                              [](const fs::path& file) { fs::create_directory(partial_file_of(file)); },
                              [](const fs::path& file, const std::string& next) { return replace_file(file, next); },
                              "Is a directory", true},
                      Failure{"no_such_directory", [](const fs::path&) {},
                              [](const fs::path& file, const std::string& next) {
                                  return replace_file(file.parent_path() / "gone" / file.filename(), next);
                              },
                              "No such file or directory", false}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

// A file system that is really full: a 64 KiB tmpfs mounted in a mount namespace of a child process, so that
// nothing outside the test sees it. Where mounting is not permitted the test says so and skips.
TEST(FileReplace, AFullFileSystemLeavesTheOldFileByteForByte) {
    TempDir dir;
    const fs::path mount_point = dir.path() / "small";
    fs::create_directory(mount_point);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", mount_point.c_str(), "tmpfs", 0, "size=64k") != 0) {
            _exit(77);
        }
        const fs::path file = mount_point / "recording.bin";
        const std::string old = pattern(10214, 'A');
        if (replace_file(file, old).failed) {
            _exit(10);
        }
        const Result result = replace_file(file, pattern(200000, 'z'));
        if (!result.failed) {
            _exit(11);
        }
        if (result.message.find("No space left on device") == std::string::npos) {
            _exit(12);
        }
        if (read_file(file) != old) {
            _exit(13);
        }
        if (fs::exists(partial_file_of(file))) {
            _exit(14);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    }
    // 10: the first write failed; 11: the full one succeeded; 12: another reason; 13: old file changed;
    // 14: partial file left.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
