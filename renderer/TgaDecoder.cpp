#include "TgaDecoder.h"

#include "RenderError.h"

#include <algorithm>

namespace torvo_renderer {

namespace {

constexpr size_t headerSize = 18;
constexpr uint8_t typeTrueColour = 2;
constexpr uint8_t typeGrey = 3;
constexpr uint8_t typeRleTrueColour = 10;
constexpr uint8_t typeRleGrey = 11;
constexpr uint8_t descriptorAlphaBits = 0x0f;
constexpr uint8_t descriptorRightToLeft = 0x10;
constexpr uint8_t descriptorTopToBottom = 0x20;
constexpr uint8_t rlePacketIsRun = 0x80;
constexpr uint8_t rlePacketCount = 0x7f;
constexpr size_t maxPacketPixels = 128;
constexpr uint8_t opaque = 255;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

Rgba8Image decodeTga(const uint8_t* data, size_t size, const std::string& source, long long maxTexels)
{
    auto refuse = [&](const std::string& why) { return badInput("Texture file cannot be read: " + source + " (" + why + ")"); };
    if (size < headerSize)
        throw refuse("shorter than a TGA header");
    const uint8_t idLength = data[0];
    const uint8_t colourMapType = data[1];
    const uint8_t type = data[2];
    const uint16_t colourMapLength = le16(data + 5);
    const uint8_t colourMapEntryBits = data[7];
    const int width = le16(data + 12);
    const int height = le16(data + 14);
    const uint8_t depth = data[16];
    const uint8_t descriptor = data[17];

    const bool rle = type == typeRleTrueColour || type == typeRleGrey;
    const bool grey = type == typeGrey || type == typeRleGrey;
    if (type != typeTrueColour && type != typeGrey && !rle)
        throw refuse("TGA image type " + std::to_string(type) + " is not read, only true-colour and grey ones");
    if (colourMapType > 1)
        throw refuse("unknown TGA colour map type");
    if (grey ? depth != 8 : (depth != 24 && depth != 32))
        throw refuse("TGA pixel depth " + std::to_string(depth) + " is not read");
    if (width == 0 || height == 0 || static_cast<long long>(width) * height > maxTexels)
        throw badInput("Texture file has an unusable size: " + source);

    // A colour map in a true-colour file only suggests a palette; it is skipped.
    size_t offset = headerSize + idLength;
    if (colourMapType == 1)
        offset += (static_cast<size_t>(colourMapLength) * colourMapEntryBits + 7) / 8;
    if (offset > size)
        throw refuse("cut short in its header");

    const size_t bytesPerPixel = depth / 8;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t available = size - offset;
    // Checked before allocating, so that a few bytes cannot ask for a large image: even the best
    // run-length coding needs one packet per 128 pixels.
    const size_t needed = rle ? (pixels + maxPacketPixels - 1) / maxPacketPixels * (1 + bytesPerPixel) : pixels * bytesPerPixel;
    if (available < needed)
        throw refuse("cut short in its pixels");

    // Pixels in file order, bytesPerPixel each.
    std::vector<uint8_t> stream;
    const uint8_t* filePixels = data + offset;
    if (rle) {
        stream.resize(pixels * bytesPerPixel);
        size_t pos = 0;
        size_t done = 0;
        while (done < pixels) {
            if (pos >= available)
                throw refuse("cut short in its run-length data");
            const uint8_t packet = filePixels[pos++];
            // Packets may run past the end of a row; one running past the end of the image is cut.
            const size_t count = std::min<size_t>((packet & rlePacketCount) + 1u, pixels - done);
            if (packet & rlePacketIsRun) {
                if (available - pos < bytesPerPixel)
                    throw refuse("cut short in its run-length data");
                for (size_t k = 0; k < count; ++k)
                    std::copy_n(filePixels + pos, bytesPerPixel, &stream[(done + k) * bytesPerPixel]);
                pos += bytesPerPixel;
            } else {
                const size_t raw = ((packet & rlePacketCount) + 1u) * bytesPerPixel;
                if (available - pos < raw)
                    throw refuse("cut short in its run-length data");
                std::copy_n(filePixels + pos, count * bytesPerPixel, &stream[done * bytesPerPixel]);
                pos += raw;
            }
            done += count;
        }
        filePixels = stream.data();
    }

    // 32-bit files that declare no alpha bits often leave the fourth byte zero: they are opaque.
    const bool useAlpha = depth == 32 && (descriptor & descriptorAlphaBits) != 0;
    const bool topToBottom = (descriptor & descriptorTopToBottom) != 0;
    const bool rightToLeft = (descriptor & descriptorRightToLeft) != 0;
    Rgba8Image image;
    image.width = width;
    image.height = height;
    image.rgba.resize(pixels * 4);
    for (int row = 0; row < height; ++row) {
        const int y = topToBottom ? row : height - 1 - row;
        for (int column = 0; column < width; ++column) {
            const int x = rightToLeft ? width - 1 - column : column;
            const uint8_t* in = filePixels + (static_cast<size_t>(row) * width + column) * bytesPerPixel;
            uint8_t* out = &image.rgba[(static_cast<size_t>(y) * width + x) * 4];
            if (grey) {
                out[0] = out[1] = out[2] = in[0];
                out[3] = opaque;
            } else {  // stored blue, green, red (, alpha)
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = useAlpha ? in[3] : opaque;
            }
        }
    }
    return image;
}

}  // namespace torvo_renderer
