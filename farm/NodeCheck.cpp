#include "NodeCheck.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace farm {

namespace fs = std::filesystem;

namespace {

const char* const passedWord = "ok";

char letterOf(NodeCheckItem::Kind kind)
{
    switch (kind) {
    case NodeCheckItem::Kind::Executable:
        return 'x';
    case NodeCheckItem::Kind::Readable:
        return 'r';
    case NodeCheckItem::Kind::WritableDirectory:
        return 'w';
    }
    return '?';
}

// Empty when the item passes, else the failure.
std::string check(char kind, const fs::path& path)
{
    std::error_code ec;
    switch (kind) {
    case 'x':
        if (::access(path.c_str(), X_OK) != 0 || !fs::is_regular_file(path, ec))
            return "the renderer cannot be run on the node: " + path.string() + " (" + std::strerror(errno) + ")";
        return {};
    case 'r': {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return "a file the stage needs cannot be read on the node: " + path.string() + " (" +
                   std::strerror(errno) + ")";
        ::close(fd);
        return {};
    }
    case 'w': {
        const fs::path probe = path / (".torvofarm-check-" + std::to_string(::getpid()));
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return "a directory the stage writes is not writable on the node: " + path.string() + " (" +
                   std::strerror(errno) + ")";
        ::close(fd);
        fs::remove(probe, ec);
        return {};
    }
    default:
        return "the check list is damaged";
    }
}

bool writeResult(const fs::path& file, const std::string& text)
{
    const fs::path temporary = file.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text << "\n";
        if (!out.flush())
            return false;
    }
    std::error_code ec;
    fs::rename(temporary, file, ec);
    return !ec;
}

}  // namespace

bool writeCheckList(const fs::path& file, const std::vector<NodeCheckItem>& items, std::string& why)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const NodeCheckItem& item : items) {
        const std::string text = item.path.string();
        if (text.find('\n') != std::string::npos) {
            why = "a path holds a line break: " + text;
            return false;
        }
        out << letterOf(item.kind) << " " << text << "\n";
    }
    if (!out.flush()) {
        why = "cannot write " + file.string();
        return false;
    }
    return true;
}

bool runNodeCheck(const fs::path& listFile, const fs::path& resultFile)
{
    std::ifstream in(listFile, std::ios::binary);
    std::string failure;
    if (!in)
        failure = "the check list cannot be read on the node: " + listFile.string();
    for (std::string line; failure.empty() && std::getline(in, line);) {
        if (line.size() < 3 || line[1] != ' ')
            failure = "the check list is damaged";
        else
            failure = check(line[0], line.substr(2));
    }
    writeResult(resultFile, failure.empty() ? passedWord : failure);
    return failure.empty();
}

bool readCheckResult(const fs::path& resultFile, bool& passed, std::string& line)
{
    std::ifstream in(resultFile, std::ios::binary);
    if (!in || !std::getline(in, line))
        return false;
    passed = line == passedWord;
    return true;
}

}  // namespace farm
