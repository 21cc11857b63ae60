#include "Engine/Platform/RegularFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

OpenedFile open_regular_file(const std::filesystem::path& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return OpenedFile{-1, errno == ENOENT ? std::string("No file") : std::string(std::strerror(errno))};
    }
    struct stat info {};
    std::string reason;
    if (fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        reason = std::strerror(EISDIR);
    } else if (S_ISFIFO(info.st_mode)) {
        reason = "Not a regular file (a named pipe)";
    } else if (!S_ISREG(info.st_mode)) {
        reason = "Not a regular file";
    }
    if (!reason.empty()) {
        close(fd);
        return OpenedFile{-1, std::move(reason)};
    }
    // Later reads block as usual; for a regular file the flag changes nothing, but it is cleared all the same.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return OpenedFile{fd, {}};
}
