#pragma once
// Writing a file so that a failure at any point leaves the one already there as it was.

#include <filesystem>
#include <string_view>

#include "Engine/Result.h"

// The file beside `path` that a write goes to before it takes the place of `path`.
std::filesystem::path partial_file_of(const std::filesystem::path& path);

// Writes `bytes` to the partial file beside `path`, flushes it to the disk and only then moves it over `path`.
// On any failure (a full disk, a file too large, no permission) the partial file is removed, `path` is left
// untouched and the result says why.
Result replace_file(const std::filesystem::path& path, std::string_view bytes);
