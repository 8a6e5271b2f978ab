#include "geometry/TempMeshFile.h"

#include "cache/FileHelpers.h"

#include <stdexcept>

namespace trv::ttm {

namespace {
// Longest name accepted when reading, so that a damaged file cannot make a name grow without bound.
constexpr std::size_t MaxNameLength = 1 << 16;
}  // namespace

TempMeshFile::TempMeshFile() = default;

TempMeshFile::~TempMeshFile()
{
    close();
}

bool TempMeshFile::open(const std::filesystem::path& path)
{
    if (stream_)
        return false;
    try {
        return open(openFile(path, "wb"));
    } catch (const std::exception&) {
        return false;  // no full path to be had
    }
}

bool TempMeshFile::open(std::FILE* stream)
{
    if (!stream)
        return false;
    if (stream_) {
        std::fclose(stream);
        return false;
    }
    // The buffer here is the only one: the stream hands each full buffer straight to the system.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    if (!buffer_) {
        buffer_.reset(new char[BufferSize]);
    }
    capacity_ = BufferSize;
    return start(stream, true);
}

bool TempMeshFile::openForReading(const std::filesystem::path& path)
{
    if (stream_)
        return false;
    try {
        return openForReading(openFile(path, "rb"));
    } catch (const std::exception&) {
        return false;
    }
}

bool TempMeshFile::openForReading(std::FILE* stream)
{
    if (!stream)
        return false;
    if (stream_) {
        std::fclose(stream);
        return false;
    }
    capacity_ = 0;
    start(stream, false);
    char magic[4];
    int32_t version = 0;
    if (!read(magic, sizeof magic) || std::memcmp(magic, "TTM", 4) != 0 || !read(&version, sizeof version) ||
        version != mesh_->version() || !mesh_->readHeader()) {
        close();
        return false;
    }
    return true;
}

bool TempMeshFile::start(std::FILE* stream, bool writing)
{
    stream_ = stream;
    writing_ = writing;
    failed_ = false;
    used_ = 0;
    mesh_ = std::make_unique<TorvoTempMeshV2>(this);
    return true;
}

bool TempMeshFile::close()
{
    if (!stream_) {
        mesh_.reset();
        return !failed_;
    }
    if (writing_) {
        flushBuffer();
        if (std::fflush(stream_) != 0)
            failed_ = true;
    }
    if (std::fclose(stream_) != 0 && writing_)
        failed_ = true;
    stream_ = nullptr;
    mesh_.reset();
    used_ = 0;
    capacity_ = 0;
    return !failed_;
}

void TempMeshFile::flushBuffer()
{
    if (used_ > 0 && !failed_ && std::fwrite(buffer_.get(), 1, used_, stream_) != used_)
        failed_ = true;
    used_ = 0;
}

void TempMeshFile::writeThrough(const void* data, std::size_t size)
{
    if (!stream_ || !writing_) {
        failed_ = true;
        return;
    }
    flushBuffer();
    if (size < capacity_) {
        std::memcpy(buffer_.get(), data, size);
        used_ = size;
    } else if (!failed_ && std::fwrite(data, 1, size, stream_) != size) {
        failed_ = true;
    }
}

bool TempMeshFile::read(void* data, std::size_t size)
{
    if (!stream_ || writing_)
        return false;
    return std::fread(data, 1, size, stream_) == size;
}

bool TempMeshFile::readString(std::string& text)
{
    if (!stream_ || writing_)
        return false;
    text.clear();
    for (;;) {
        const int c = std::getc(stream_);
        if (c == EOF)
            return false;
        if (c == 0)
            return true;
        if (text.size() >= MaxNameLength)
            return false;
        text.push_back(static_cast<char>(c));
    }
}

}  // namespace trv::ttm
