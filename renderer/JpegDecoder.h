// JPEG textures through libjpeg, turned into 8-bit RGB (grey images repeat their one channel).
#pragma once

#include "Rgba8Image.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace torvo_renderer {

// Decodes the file's bytes; throws RenderError (refused input) naming `source` when libjpeg
// refuses them, warns about damaged or cut-short data, or the image has more texels than maxTexels.
Rgba8Image decodeJpeg(const uint8_t* data, size_t size, const std::string& source, long long maxTexels);

}  // namespace torvo_renderer
