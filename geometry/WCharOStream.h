// OpenEXR output stream over the library's own output file stream (binary), so that EXR files are
// opened like every other file of the cache.
#pragma once

#include "cache/FileHelpers.h"

#include <ImfIO.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace trv {

class WCharOStream : public Imf::OStream {
public:
    // Opens path for binary writing; messages name the file fileName. Throws Iex::IoExc
    // "Failed to open file: " + fileName when it cannot be opened.
    WCharOStream(const std::filesystem::path& path, const std::string& fileName);
    explicit WCharOStream(const std::filesystem::path& path);

    // Failures throw Iex::IoExc: "Failed to write to file: " + name,
    // "Failed to seek to position: " + position + "in file: " + name.
    void write(const char c[], int n) override;
    uint64_t tellp() override;
    void seekp(uint64_t pos) override;

    // Writes out what the stream still buffers and closes the file; throws
    // "Failed to write to file: " + name when that fails.
    void close();

private:
    Torvo_ofstream stream_;
    uint64_t position_ = 0;
};

}  // namespace trv
