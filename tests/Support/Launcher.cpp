#include "Launcher.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
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

namespace {

// Root reads and writes any file whatever its mode; without these two capabilities it is held to the modes.
// They leave the bounding set too, or the exec of the launcher as root would grant them again.
void drop_file_mode_override() {
    if (geteuid() != 0) {
        return;
    }
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        if (prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) {
            _exit(126);
        }
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
        _exit(126);
    }
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        data[cap / 32].effective &= ~(1u << (cap % 32));
        data[cap / 32].permitted &= ~(1u << (cap % 32));
        data[cap / 32].inheritable &= ~(1u << (cap % 32));
    }
    if (syscall(SYS_capset, &header, data) != 0) {
        _exit(126);
    }
}

} // namespace

LaunchResult run_launcher(const std::filesystem::path& working_dir, const LaunchOptions& options) {
    TempDir capture;
    std::filesystem::path terminal = capture.path() / "stderr";
    pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        if (chdir(working_dir.c_str()) != 0) {
            _exit(127);
        }
        int err = open(terminal.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || dup2(err, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0) {
            _exit(127);
        }
        close(err);
        if (options.honour_file_modes) {
            drop_file_mode_override();
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
#if defined(__SANITIZE_THREAD__)
        // The real program unloads the GL driver at exit, so suppressions by the driver's library name cannot
        // apply there; what the driver's own (uninstrumented) code does is ignored instead, while every access
        // of our code is still checked.
        setenv("TSAN_OPTIONS", "ignore_noninstrumented_modules=1", 0);
#endif
        execl(PELLMAR_LAUNCHER, PELLMAR_LAUNCHER, static_cast<char*>(nullptr));
        _exit(127);
    }

    LaunchResult result;
    auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point interrupted_at;
    bool interrupted = false;
    int status = 0;
    while (true) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        auto now = std::chrono::steady_clock::now();
        auto elapsed = now - start;
        if (done == pid) {
            result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed);
            if (interrupted) {
                result.after_interrupt = std::chrono::duration_cast<std::chrono::milliseconds>(now - interrupted_at);
            }
            break;
        }
        if (!interrupted && options.interrupt_after.count() > 0 && elapsed >= options.interrupt_after &&
            (!options.ready || options.ready())) {
            kill(pid, SIGINT);
            interrupted = true;
            interrupted_at = std::chrono::steady_clock::now();
        }
        if (options.while_running) {
            options.while_running(pid);
        }
        if (elapsed >= options.timeout * kSanitizerSlowdown) {
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
    result.terminal = read_file(terminal);
    return result;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

long resident_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

} // namespace test_support
