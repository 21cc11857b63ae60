#include "Common/Assets/AssetLoader.h"

#include <filesystem>
#include <istream>

#include <ext/stdio_filebuf.h>

#include <fmt/format.h>

#include "Common/Assets/AssetFields.h"
#include "Common/Assets/AssetValidation.h"
#include "Common/Assets/BinaryInputSerialization.h"
#include "Common/Assets/TypeIterator.h"
#include "Engine/Log.h"
#include "Engine/Platform/RegularFile.h"

namespace {

AssetLoadResult failure(std::string message) {
    {
        LogGuard error(LogLevelError, LogAssets, 1);
        LOGF("{}", message);
    }
    return AssetLoadResult{AssetPackage{}, std::move(message), true};
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
