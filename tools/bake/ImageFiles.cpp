#include "ImageFiles.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace torvobake {

bool writeExr(const std::string& path, const std::vector<float>& rgba, int width, int height, std::string& error)
{
    try {
        Imf::Header header(width, height);
        header.compression() = Imf::ZIP_COMPRESSION;
        static const char* const names[4] = {"R", "G", "B", "A"};
        for (const char* name : names)
            header.channels().insert(name, Imf::Channel(Imf::FLOAT));
        Imf::FrameBuffer buffer;
        const size_t pixel = 4 * sizeof(float);
        for (int c = 0; c < 4; ++c)
            buffer.insert(names[c], Imf::Slice(Imf::FLOAT, const_cast<char*>(reinterpret_cast<const char*>(rgba.data() + c)),
                                               pixel, pixel * static_cast<size_t>(width)));
        Imf::OutputFile file(path.c_str(), header);
        file.setFrameBuffer(buffer);
        file.writePixels(height);
        return true;
    } catch (const std::exception& e) {
        error = "cannot write " + path + ": " + e.what();
        return false;
    }
}

namespace {

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

} // namespace

std::vector<uint8_t> encodePng(const std::vector<float>& rgba, int width, int height, float gamma)
{
    std::vector<uint8_t> out;
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i)
        for (int c = 0; c < 3; ++c) {
            float v = rgba[i * 4 + c];
            v = std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f;
            rows[i * 3 + c] = static_cast<uint8_t>(std::lround(std::pow(v, 1.0f / gamma) * 255.0f));
        }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendPng, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, rows.data() + static_cast<size_t>(y) * width * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

void fillGutters(std::vector<float>& rgba, int width, int height, int rings)
{
    constexpr int channels = 4;
    constexpr int alpha = 3;
    std::vector<uint8_t> known(static_cast<size_t>(width) * height);
    for (size_t t = 0; t < known.size(); ++t)
        known[t] = rgba[t * channels + alpha] > 0.0f;
    std::vector<size_t> filled;
    for (int ring = 0; ring < rings; ++ring) {
        filled.clear();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const size_t t = static_cast<size_t>(y) * width + x;
                if (known[t])
                    continue;
                float sum[3] = {0.0f, 0.0f, 0.0f};
                int count = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= width || ny >= height)
                            continue;
                        const size_t n = static_cast<size_t>(ny) * width + nx;
                        if (!known[n])
                            continue;
                        for (int c = 0; c < 3; ++c)
                            sum[c] += rgba[n * channels + c];
                        ++count;
                    }
                }
                if (count == 0)
                    continue;
                for (int c = 0; c < 3; ++c)
                    rgba[t * channels + c] = sum[c] / static_cast<float>(count);
                filled.push_back(t);
            }
        }
        if (filled.empty())
            break;
        // Marked only after the ring is done, so that a ring reads nothing but the rings before it.
        for (size_t t : filled)
            known[t] = 1;
    }
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    stream.close();
    if (!stream) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace torvobake
