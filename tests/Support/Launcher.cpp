#include "Launcher.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace test_support {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pellmar-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

LaunchResult run_launcher(const std::filesystem::path& working_dir, const LaunchOptions& options) {
    pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        if (chdir(working_dir.c_str()) != 0) {
            _exit(127);
        }
        for (const std::string& kv : options.env) {
            putenv(const_cast<char*>(kv.c_str()));
        }
#if defined(__SANITIZE_ADDRESS__)
        // The real program unloads Mesa's EGL and software driver before the leak check runs, and the driver's
        // own few allocations then show up as unnamed leaks. Our code's leaks are checked by the in-process
        // tests, where the fixture keeps the driver loaded.
        setenv("ASAN_OPTIONS", "detect_leaks=0", 0);
#endif
        execl(PELLMAR_LAUNCHER, PELLMAR_LAUNCHER, static_cast<char*>(nullptr));
        _exit(127);
    }

    LaunchResult result;
    auto start = std::chrono::steady_clock::now();
    bool interrupted = false;
    int status = 0;
    while (true) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (!interrupted && options.interrupt_after.count() > 0 && elapsed >= options.interrupt_after) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (elapsed >= options.timeout) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status)) {
        result.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.term_signal = WTERMSIG(status);
    }
    return result;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace test_support
