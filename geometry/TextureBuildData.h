// The pixels of a texture while it is being built.
#pragma once

#include "geometry/BuildAllocator.h"

#include <cstdint>

namespace trv {

// Components per pixel of a texture format (0 to 5), or 0 for any other value.
inline int32_t textureComponents(int32_t format)
{
    switch (format) {
    case 0: case 3: return 1;
    case 1: case 4: return 3;
    case 2: case 5: return 4;
    default: return 0;
    }
}
inline bool isHdrFormat(int32_t format) { return format >= 0 && format <= 2; }
inline bool isLdrFormat(int32_t format) { return format >= 3 && format <= 5; }

struct TextureBuildData {
    int32_t width = 0;
    int32_t height = 0;
    int32_t format = 0;
    BuildArray<uint8_t> ldrPixels;  // interleaved components, first given row first
    BuildArray<float> hdrPixels;
    int64_t pixelsAdded = 0;  // whole pixels received so far
    int32_t gammaType = 0;
    float gammaValue = 2.2f;

    int64_t pixelCount() const { return int64_t(width) * int64_t(height); }
};

}  // namespace trv
