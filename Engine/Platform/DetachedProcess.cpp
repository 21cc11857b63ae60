#include "Engine/Platform/DetachedProcess.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

extern char** environ;

namespace {

// Where execve may find the program; worked out before the fork, since the child may only make calls that
// are safe in a copy of a threaded process.
std::vector<std::string> candidate_paths(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return {program};
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    std::vector<std::string> paths;
    while (true) {
        const size_t colon = dirs.find(':');
        std::string_view dir = dirs.substr(0, colon);
        paths.push_back(fmt::format("{}/{}", dir.empty() ? "." : dir, program));
        if (colon == std::string_view::npos) {
            break;
        }
        dirs.remove_prefix(colon + 1);
    }
    return paths;
}

void write_all(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
}

} // namespace

Result launch_detached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) {
        return Result::fail("No program to start");
    }
    const std::vector<std::string> paths = candidate_paths(argv[0]);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful exec closes it unwritten.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return Result::fail(fmt::format("Could not start {}: {}", argv[0], std::strerror(errno)));
    }
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return Result::fail(fmt::format("Could not start {}: {}", argv[0], std::strerror(error)));
    }
    if (child == 0) {
        close(report[0]);
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            int error = ENOENT;
            for (const std::string& path : paths) {
                execve(path.c_str(), args.data(), environ);
                // Keep the most telling reason: a program that exists but may not run beats "not found".
                if (errno != ENOENT && errno != ENOTDIR) {
                    error = errno;
                }
            }
            write_all(report[1], &error, sizeof(error));
            _exit(127);
        }
        if (grandchild < 0) {
            const int error = errno;
            write_all(report[1], &error, sizeof(error));
        }
        _exit(0);
    }

    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    size_t got = 0;
    while (got < sizeof(error)) {
        const ssize_t n = read(report[0], reinterpret_cast<char*>(&error) + got, sizeof(error) - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    close(report[0]);
    if (got == sizeof(error)) {
        return Result::fail(fmt::format("Could not start {}: {}", argv[0], std::strerror(error)));
    }
    return Result::ok();
}
