// File-system helpers every writer of the cache uses.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace trv {

// Opens a file with a C runtime mode ("rb", "wb", ...); null when it cannot be opened.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);
// Shared ownership of an open file, closed when the last owner lets go; throws
// std::runtime_error("Failed to open file") when it cannot be opened.
std::shared_ptr<std::FILE> openFileShared(const std::filesystem::path& path, const char* mode);

// File streams over openFile: input opens "rb" with std::ios::binary in the mode, else "rt";
// output always opens "wb". They close their file when destroyed.
class Torvo_ifstream : public std::ifstream {
public:
    Torvo_ifstream() = default;
    explicit Torvo_ifstream(const std::filesystem::path& path, std::ios::openmode mode = std::ios::in);
    void open(const std::filesystem::path& path, std::ios::openmode mode = std::ios::in);
};

class Torvo_ofstream : public std::ofstream {
public:
    Torvo_ofstream() = default;
    explicit Torvo_ofstream(const std::filesystem::path& path, std::ios::openmode mode = std::ios::out);
    void open(const std::filesystem::path& path, std::ios::openmode mode = std::ios::out);
};

// Logs "Making sure directory <path> exists." and creates it with its parents when missing.
void ensureDirectory(const std::filesystem::path& path);
// Recursive creation; false for an empty path or an existing directory; throws
// std::filesystem::filesystem_error when a file of that name exists.
bool createDirectories(const std::filesystem::path& path);
// Logs "Trying to clear directory <path>." and removes everything inside; the directory stays.
void clearDirectory(const std::filesystem::path& path);
// The path between double quotes, one trailing separator dropped from an existing directory.
std::string quotedPath(const std::filesystem::path& path);
// path relative to base; throws std::runtime_error for a relative path with a rooted base.
std::filesystem::path relativePath(const std::filesystem::path& path, const std::filesystem::path& base);

}  // namespace trv
