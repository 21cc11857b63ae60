#pragma once
// Runs the built launcher as a child process in a directory of the test's own.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace test_support {

// How much longer the launcher takes in a sanitizer build; time limits of launcher runs are multiplied by it.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr int kSanitizerSlowdown = 4;
#else
inline constexpr int kSanitizerSlowdown = 1;
#endif

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
    int exit_code = -1;  // exit status when the child exited normally
    int term_signal = 0; // signal number when it was killed by one
    bool timed_out = false;
    std::chrono::milliseconds elapsed{0};         // from the start until the child ended
    std::chrono::milliseconds after_interrupt{0}; // from the SIGINT until the child ended
    std::string terminal;                         // what the child wrote to standard output and error
};

struct LaunchOptions {
    std::vector<std::string> env; // "NAME=value" pairs added to the child's environment
    // Generous: on a loaded machine the start alone (the driver clears the chunk pool's 192 MB of texture
    // arrays) takes seconds per concurrent run; sanitizer builds multiply it further (see run_launcher).
    std::chrono::milliseconds timeout{60000};
    // When set, SIGINT is sent after this long (0 = never), and not before `ready` (when given) says so.
    std::chrono::milliseconds interrupt_after{0};
    std::function<bool()> ready;
    // Called about every 10 ms while the child runs, with its process id.
    std::function<void(pid_t)> while_running;
    // File modes hold for the child even when the tests run as root: it loses the capabilities that let root
    // read and write past them.
    bool honour_file_modes = false;
};

LaunchResult run_launcher(const std::filesystem::path& working_dir, const LaunchOptions& options = {});

std::string read_file(const std::filesystem::path& path);

// Resident memory of a running process in KiB, from /proc/<pid>/status; -1 when it cannot be read.
long resident_kib(pid_t pid);

} // namespace test_support
