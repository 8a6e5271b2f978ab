// Truevision TGA textures: uncompressed and run-length coded, 24/32-bit colour and 8-bit grey,
// either origin. Colour-mapped and 16-bit images are refused.
#pragma once

#include "Rgba8Image.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace torvo_renderer {

// Decodes the file's bytes; throws RenderError (refused input) naming `source` when they are not
// a TGA image of the kinds above, are cut short, or ask for more texels than maxTexels.
Rgba8Image decodeTga(const uint8_t* data, size_t size, const std::string& source, long long maxTexels);

}  // namespace torvo_renderer
