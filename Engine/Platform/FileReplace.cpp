#include "Engine/Platform/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

std::filesystem::path partial_file_of(const std::filesystem::path& path) {
    std::filesystem::path partial = path;
    partial += ".partial";
    return partial;
}

Result replace_file(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path partial = partial_file_of(path);
    const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Result::fail(std::strerror(errno));
    }
    std::string reason;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            reason = n < 0 ? std::strerror(errno) : "nothing could be written";
            break;
        }
        written += static_cast<size_t>(n);
    }
    // Only what reached the disk may replace the old file: a delayed write error shows here, not later.
    if (reason.empty() && fsync(fd) != 0) {
        reason = std::strerror(errno);
    }
    if (close(fd) != 0 && reason.empty()) {
        reason = std::strerror(errno);
    }
    if (reason.empty() && std::rename(partial.c_str(), path.c_str()) != 0) {
        reason = std::strerror(errno);
    }
    if (!reason.empty()) {
        unlink(partial.c_str());
        return Result::fail(std::move(reason));
    }
    return Result::ok();
}
