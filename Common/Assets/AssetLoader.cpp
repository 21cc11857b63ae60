#include "Common/Assets/AssetLoader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <istream>

#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "Common/Assets/AssetFields.h"
#include "Common/Assets/AssetValidation.h"
#include "Common/Assets/BinaryInputSerialization.h"
#include "Common/Assets/TypeIterator.h"
#include "Engine/Log.h"

namespace {

AssetLoadResult failure(std::string message) {
    {
        LogGuard error(LogLevelError, LogAssets, 1);
        LOGF("{}", message);
    }
    return AssetLoadResult{AssetPackage{}, std::move(message), true};
}

// The file opened for reading, or why it cannot be read. A named pipe or a device in its place is refused
// before any read, since reading one could wait forever; opening without blocking keeps a pipe with no
// writer from stalling the open itself.
struct OpenedFile {
    int fd = -1;
    std::string reason;
};

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

} // namespace

AssetLoadResult load_assets(std::string_view path) {
    LogGuard scope(LogLevelInfo, LogAssets, 1);
    LOGF("Loading assets from {} ...", path);

    OpenedFile file = open_regular_file(std::filesystem::path(path));
    if (file.fd < 0) {
        std::error_code ignored;
        std::filesystem::path absolute = std::filesystem::current_path(ignored) / std::filesystem::path(path);
        {
            LogGuard error(LogLevelError, LogAssets, 1);
            LOGF("Failed could not find file. Tried {}", absolute.string());
            LOGF("Cannot read {}: {}", absolute.string(), file.reason);
        }
        return AssetLoadResult{AssetPackage{}, std::move(file.reason), true};
    }

    // The buffer owns the descriptor and closes it.
    __gnu_cxx::stdio_filebuf<char> buffer(file.fd, std::ios::in | std::ios::binary);
    std::istream stream(&buffer);
    return read_assets(stream, path);
}

AssetLoadResult read_assets(std::istream& stream, std::string_view source) {
    AssetLoadResult result;
    BinaryInputSerialization reader(stream);
    read_record(reader, result.package);
    if (reader.failed()) {
        return failure(fmt::format("Malformed asset file {}: {}", source, reader.error()));
    }
    if (Result valid = validate_assets(result.package); valid.failed) {
        return failure(fmt::format("Malformed asset file {}: {}", source, valid.message));
    }
    if (reader.remaining() > 0) {
        LogGuard warning(LogLevelWarning, LogAssets, 1);
        LOGF("{} bytes after the last asset at byte {} are ignored", reader.remaining(), reader.offset());
    }

    LOGF("Done");
    result.package.log_contents();
    return result;
}
