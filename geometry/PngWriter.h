// Writes 8-bit pixels as a PNG image through libpng.
#pragma once

#include "torvo.h"

#include <cstdint>
#include <filesystem>

namespace trv {

// Writes width x height pixels of 1 (gray), 3 (RGB) or 4 (RGB with alpha) interleaved bytes, rows given
// bottom row first, as an 8-bit non-interlaced PNG whose top row is the last given row. The file
// appears under path only once complete. Logs "Starting to write PNG: " and "Successfully wrote PNG: ";
// failures log their line and return 7.
[[nodiscard]] TRVStatus writePngImage(const std::filesystem::path& path, const uint8_t* pixels, int32_t width,
                                      int32_t height, int32_t components);

}  // namespace trv
