#pragma once
// Runs the built launcher as a child process in a directory of the test's own.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

// A fresh directory under the system temp dir, removed when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

struct LaunchResult {
    int exit_code = -1;    // exit status when the child exited normally
    int term_signal = 0;   // signal number when it was killed by one
    bool timed_out = false;
};

struct LaunchOptions {
    std::vector<std::string> env;          // "NAME=value" pairs added to the child's environment
    std::chrono::milliseconds timeout{20000};
    // When set, SIGINT is sent after this long (0 = never).
    std::chrono::milliseconds interrupt_after{0};
};

LaunchResult run_launcher(const std::filesystem::path& working_dir, const LaunchOptions& options = {});

std::string read_file(const std::filesystem::path& path);

} // namespace test_support
