#include "tools/asset_builder/BuildError.h"

#include <fmt/format.h>

namespace asset_builder {

namespace {

std::string describe(const std::filesystem::path& file, int line, const std::string& message) {
    if (line > 0)
        return fmt::format("{}:{}: {}", file.string(), line, message);
    return fmt::format("{}: {}", file.string(), message);
}

} // namespace

BuildError::BuildError(const std::filesystem::path& file, int line, const std::string& message)
    : std::runtime_error(describe(file, line, message)), m_file(file), m_line(line) {}

} // namespace asset_builder
