// OpenEXR input stream over the library's own input file stream (binary), so that result images
// are opened like every other file the library reads.
#pragma once

#include "cache/FileHelpers.h"

#include <ImfIO.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace trv {

class WCharIStream : public Imf::IStream {
public:
    // Opens path for binary reading; messages name the file fileName. Throws Iex::IoExc
    // "Failed to open file: " + fileName when it cannot be opened.
    WCharIStream(const std::filesystem::path& path, const std::string& fileName);
    explicit WCharIStream(const std::filesystem::path& path);

    // A read past the end throws Iex::InputExc "Unexpected end of file.", any other failed read
    // Iex::IoExc "Failed to read from file: " + name; a failed seek throws Iex::IoExc
    // "Failed to seek to position: " + position + "in file: " + name.
    bool read(char c[], int n) override;
    uint64_t tellg() override;
    void seekg(uint64_t pos) override;
    void clear() override;

private:
    Torvo_ifstream stream_;
};

}  // namespace trv
