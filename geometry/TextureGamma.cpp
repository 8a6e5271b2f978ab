#include "geometry/TextureGamma.h"

#include <cmath>

namespace trv {

bool needsGammaConversion(int32_t gammaType, float gammaValue)
{
    return gammaType != 0 || gammaValue != 2.2f;
}

std::array<uint8_t, 256> gammaTable(float gamma)
{
    const float toGamma22 = 0.45454543828964233f;
    std::array<uint8_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        float v = static_cast<float>(byte) / 255.0f;
        v = std::pow(v, gamma);
        v = std::pow(v, toGamma22);
        if (!(v > 0.0f))  // also a NaN from an odd gamma value
            v = 0.0f;
        if (v > 1.0f)
            v = 1.0f;
        table[static_cast<std::size_t>(byte)] = static_cast<uint8_t>(v * 255.0f);
    }
    return table;
}

void convertToGamma22(uint8_t* bytes, std::size_t count, int32_t components, float gamma)
{
    const std::array<uint8_t, 256> table = gammaTable(gamma);
    if (components == 4) {
        for (std::size_t i = 0; i < count; ++i)
            if (i % 4 != 3)
                bytes[i] = table[bytes[i]];
    } else {
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = table[bytes[i]];
    }
}

}  // namespace trv
