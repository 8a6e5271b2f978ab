#include "results/WCharIStream.h"

#include "core/Text.h"

#include <Iex.h>

#include <limits>

namespace trv {

WCharIStream::WCharIStream(const std::filesystem::path& path) : WCharIStream(path, toBytes(path)) {}

WCharIStream::WCharIStream(const std::filesystem::path& path, const std::string& fileName)
    : Imf::IStream(fileName.c_str())
{
    try {
        stream_.open(path, std::ios::in | std::ios::binary);
    } catch (const std::exception&) {
        // treated as any other failure to open below
    }
    if (!stream_.is_open() || !stream_)
        throw Iex::IoExc("Failed to open file: " + fileName);
}

bool WCharIStream::read(char c[], int n)
{
    if (n < 0)
        throw Iex::IoExc(std::string("Failed to read from file: ") + fileName());
    if (!stream_.read(c, n)) {
        if (stream_.eof())
            throw Iex::InputExc("Unexpected end of file.");
        throw Iex::IoExc(std::string("Failed to read from file: ") + fileName());
    }
    // Asking whether the last byte was read would cost a look-ahead on every call; OpenEXR does
    // not use the answer.
    return true;
}

uint64_t WCharIStream::tellg()
{
    const std::streamoff position = stream_.tellg();
    return position < 0 ? 0 : static_cast<uint64_t>(position);
}

void WCharIStream::seekg(uint64_t pos)
{
    stream_.clear();
    if (pos > static_cast<uint64_t>(std::numeric_limits<std::streamoff>::max()) ||
        !stream_.seekg(static_cast<std::streamoff>(pos)))
        throw Iex::IoExc("Failed to seek to position: " + std::to_string(pos) + "in file: " + fileName());
}

void WCharIStream::clear()
{
    stream_.clear();
}

}  // namespace trv
