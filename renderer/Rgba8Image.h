// An image as 8-bit RGBA texels, top row first: what the decoders of the 8-bit texture kinds give.
#pragma once

#include <cstdint>
#include <vector>

namespace torvo_renderer {

struct Rgba8Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4 bytes
};

}  // namespace torvo_renderer
