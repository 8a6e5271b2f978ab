// An open ".ttm" file and the mesh object (TorvoTempMeshV2) whose operations read or write it.
//
// Writing goes through one buffer of BufferSize bytes: records are copied into it and it is handed
// to the file whenever it is full, so nothing but that buffer is held besides the caller's data.
// Every failed write, flush or close is remembered; close() reports whether the whole file reached
// the disk.
#pragma once

#include "geometry/TempMesh.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace trv::ttm {

class TempMeshFile {
public:
    static constexpr std::size_t BufferSize = std::size_t(1) << 20;

    TempMeshFile();
    ~TempMeshFile();
    TempMeshFile(const TempMeshFile&) = delete;
    TempMeshFile& operator=(const TempMeshFile&) = delete;

    // Creates the file for binary writing ("wb") and a new mesh object bound to this file. False
    // when a file is already open or the file cannot be created.
    bool open(const std::filesystem::path& path);
    // The same over a stream the caller opened for writing; this object takes it over (and closes
    // it, also when it returns false).
    bool open(std::FILE* stream);
    // Opens a mesh file for reading and reads magic, version and header into a new mesh object.
    // False when a file is already open, it cannot be opened, or it is not a version 2 mesh file.
    bool openForReading(const std::filesystem::path& path);
    bool openForReading(std::FILE* stream);

    bool isOpen() const { return stream_ != nullptr; }
    // The mesh object of the open file, or null.
    TorvoTempMeshV2* mesh() const { return mesh_.get(); }

    // Writes out the buffer, closes the stream and deletes the mesh object. True when everything
    // written since open reached the file (a file opened for reading closes with true).
    bool close();

    // False once a write has failed.
    bool good() const { return !failed_; }

    // Record-level access used by the mesh object.
    void write(const void* data, std::size_t size)
    {
        if (size <= capacity_ - used_) {
            std::memcpy(buffer_.get() + used_, data, size);
            used_ += size;
        } else {
            writeThrough(data, size);
        }
    }
    void writeString(const std::string& text) { write(text.c_str(), text.size() + 1); }
    // Room for the next size bytes of the file (at most BufferSize), to be filled by the caller; null
    // when the file is not open for writing.
    char* space(std::size_t size)
    {
        if (size > capacity_ - used_) {
            if (!stream_ || !writing_ || size > capacity_) {
                failed_ = true;
                return nullptr;
            }
            flushBuffer();
        }
        char* room = buffer_.get() + used_;
        used_ += size;
        return room;
    }
    bool read(void* data, std::size_t size);
    // Reads a zero-terminated string (the zero byte is consumed, not stored).
    bool readString(std::string& text);

private:
    void writeThrough(const void* data, std::size_t size);
    void flushBuffer();
    bool start(std::FILE* stream, bool writing);

    std::FILE* stream_ = nullptr;
    std::unique_ptr<TorvoTempMeshV2> mesh_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
    bool writing_ = false;
    bool failed_ = false;
};

}  // namespace trv::ttm
