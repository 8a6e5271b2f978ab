#include "geometry/WCharOStream.h"

#include "core/Text.h"

#include <Iex.h>

namespace trv {

WCharOStream::WCharOStream(const std::filesystem::path& path) : WCharOStream(path, toBytes(path)) {}

WCharOStream::WCharOStream(const std::filesystem::path& path, const std::string& fileName)
    : Imf::OStream(fileName.c_str())
{
    try {
        stream_.open(path, std::ios::out | std::ios::binary);
    } catch (const std::exception&) {
        // treated as any other failure to open below
    }
    if (!stream_.is_open() || !stream_)
        throw Iex::IoExc("Failed to open file: " + fileName);
}

void WCharOStream::write(const char c[], int n)
{
    if (n < 0 || !stream_.write(c, n))
        throw Iex::IoExc(std::string("Failed to write to file: ") + fileName());
    position_ += static_cast<uint64_t>(n);
}

uint64_t WCharOStream::tellp()
{
    // Kept here rather than asked of the stream: OpenEXR also asks while it cleans up after a failed
    // write, where it cannot take an exception.
    return position_;
}

void WCharOStream::seekp(uint64_t pos)
{
    if (!stream_.seekp(static_cast<std::streamoff>(pos)))
        throw Iex::IoExc("Failed to seek to position: " + std::to_string(pos) + "in file: " + fileName());
    position_ = pos;
}

void WCharOStream::close()
{
    if (!stream_.is_open())
        return;
    stream_.flush();
    const bool written = static_cast<bool>(stream_);
    stream_.close();
    if (!written || !stream_)
        throw Iex::IoExc(std::string("Failed to write to file: ") + fileName());
}

}  // namespace trv
