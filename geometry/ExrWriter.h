// Writes float pixels as a tiled OpenEXR image.
#pragma once

#include "torvo.h"

#include <cstdint>
#include <filesystem>

namespace trv {

// Writes width x height pixels of 1 ("Y"), 3 ("R", "G", "B") or 4 ("R", "G", "B", "A") interleaved
// 32-bit float components, rows given bottom row first, as a ZIP-compressed image of 32 x 32 tiles
// (one level) whose top row is the last given row. The file appears under path only once complete.
// Logs "Starting to write EXR: ", then "Successfully wrote EXR: " or "Exr file writing failed: "
// with the error; status 0 or 7.
[[nodiscard]] TRVStatus writeExrImage(const std::filesystem::path& path, const float* pixels, int32_t width,
                                      int32_t height, int32_t components);

}  // namespace trv
