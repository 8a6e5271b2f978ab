#include "cache/FileHelpers.h"

#include "core/Log.h"
#include "core/Text.h"

#include <stdexcept>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace trv {
namespace {

// The runtime's open mode for this system: the text flag 't' means nothing here and is dropped;
// 'e' keeps the descriptor from leaking into the renderer processes the library starts.
std::string systemMode(const char* mode)
{
    std::string result;
    for (const char* c = mode; c && *c; ++c)
        if (*c != 't')
            result += *c;
    return result + "e";
}

}  // namespace

std::FILE* openFile(const fs::path& path, const char* mode)
{
    // Paths have no length prefix to add here; the full path only has to be computable.
    std::error_code ec;
    const fs::path full = path.empty() ? path : fs::absolute(path, ec);
    if (ec)
        throw std::runtime_error("Failed to open file");
    return std::fopen(full.c_str(), systemMode(mode).c_str());
}

std::shared_ptr<std::FILE> openFileShared(const fs::path& path, const char* mode)
{
    std::FILE* file = openFile(path, mode);
    if (!file)
        throw std::runtime_error("Failed to open file");
    return std::shared_ptr<std::FILE>(file, [](std::FILE* f) { std::fclose(f); });
}

// The standard file streams open paths of any length here, so the streams open through them
// with the modes openFile would use: input "rb" or "r", output always "wb".
Torvo_ifstream::Torvo_ifstream(const fs::path& path, std::ios::openmode mode) { open(path, mode); }

void Torvo_ifstream::open(const fs::path& path, std::ios::openmode mode)
{
    std::ifstream::open(path, (mode & std::ios::binary) ? std::ios::in | std::ios::binary : std::ios::in);
}

Torvo_ofstream::Torvo_ofstream(const fs::path& path, std::ios::openmode mode) { open(path, mode); }

void Torvo_ofstream::open(const fs::path& path, std::ios::openmode)
{
    std::ofstream::open(path, std::ios::out | std::ios::trunc | std::ios::binary);
}

void ensureDirectory(const fs::path& path)
{
    infoStream() << "Making sure directory " << toBytes(path) << " exists." << std::endl;
    if (!fs::is_directory(path))
        fs::create_directories(path);
}

bool createDirectories(const fs::path& path)
{
    if (path.empty())
        return false;
    return fs::create_directories(path);
}

void clearDirectory(const fs::path& path)
{
    infoStream() << "Trying to clear directory " << toBytes(path) << "." << std::endl;
    // Collect first, then remove: entries removed by someone else meanwhile are not an error.
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(path), end; it != end; ++it)
        entries.push_back(it->path());
    for (const fs::path& entry : entries)
        fs::remove_all(entry);
}

std::string quotedPath(const fs::path& path)
{
    std::string text = toBytes(path);
    // One trailing separator of a directory goes; a bare root keeps its separator.
    std::error_code ec;
    if (text.size() > 1 && text.back() == static_cast<char>(fs::path::preferred_separator) &&
        path != path.root_path() && fs::is_directory(path, ec))
        text.pop_back();
    return "\"" + text + "\"";
}

fs::path relativePath(const fs::path& path, const fs::path& base)
{
    if (path.has_root_path()) {
        if (path.root_path() != base.root_path())
            return path;
        return relativePath(path.relative_path(), base.relative_path());
    }
    if (base.has_root_path())
        throw std::runtime_error("cannot uncomplete a path relative path from a rooted base");

    // Empty elements (a trailing separator) and "." name no directory level.
    auto elements = [](const fs::path& p) {
        std::vector<fs::path> list;
        for (const fs::path& element : p)
            if (!element.empty() && element != ".")
                list.push_back(element);
        return list;
    };
    const std::vector<fs::path> from = elements(base);
    const std::vector<fs::path> to = elements(path);
    std::size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common])
        ++common;
    fs::path result;
    for (std::size_t i = common; i < from.size(); ++i)
        result /= "..";
    for (std::size_t i = common; i < to.size(); ++i)
        result /= to[i];
    return result;
}

}  // namespace trv
