#pragma once
// The one error type of the asset builder: names the source file (and line) that is at fault.

#include <filesystem>
#include <stdexcept>
#include <string>

namespace asset_builder {

class BuildError : public std::runtime_error {
public:
    BuildError(const std::filesystem::path& file, int line, const std::string& message);
    BuildError(const std::filesystem::path& file, const std::string& message) : BuildError(file, 0, message) {}

    const std::filesystem::path& file() const { return m_file; }
    int line() const { return m_line; }

private:
    std::filesystem::path m_file;
    int m_line = 0;
};

} // namespace asset_builder
