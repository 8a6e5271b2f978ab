// Conversion of 8-bit pixel values from a caller's gamma to gamma 2.2.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace trv {

// True unless the input is already gamma 2.2 (type 0 with the value exactly 2.2).
bool needsGammaConversion(int32_t gammaType, float gammaValue);

// The converted value of every byte: v = byte / 255, raised to gamma, raised to the float nearest
// 1 / 2.2, clamped to [0, 1], times 255 truncated toward zero.
std::array<uint8_t, 256> gammaTable(float gamma);

// Converts count bytes in place; with components 4 every fourth byte (alpha) stays as it is.
void convertToGamma22(uint8_t* bytes, std::size_t count, int32_t components, float gamma);

}  // namespace trv
