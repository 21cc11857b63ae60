#pragma once
// Opening a file that comes from outside for reading, refusing what is not a regular file.

#include <filesystem>
#include <string>

// The file opened for reading, or why it cannot be read. A named pipe or a device in its place is refused
// before any read, since reading one could wait forever; opening without blocking keeps a pipe with no writer
// from stalling the open itself.
struct OpenedFile {
    int fd = -1; // owned by the caller once opened
    // "No file" when it does not exist, "Is a directory", "Not a regular file (a named pipe)", "Not a regular
    // file", or the system's reason ("Permission denied").
    std::string reason;
};

OpenedFile open_regular_file(const std::filesystem::path& path);
