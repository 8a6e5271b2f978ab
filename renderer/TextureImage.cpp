#include "TextureImage.h"

#include "JpegDecoder.h"
#include "RenderError.h"
#include "TgaDecoder.h"

#include <ImfArray.h>
#include <ImfRgbaFile.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

namespace torvo_renderer {

namespace {

// Largest image accepted, so that a damaged header cannot ask for any amount of memory.
constexpr long long maxTexels = 1LL << 28;
constexpr float gamma8Bit = 2.2f;

std::string extensionOf(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::vector<uint8_t> fileBytes(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (!stream.good() && !stream.eof())
        throw badInput("Texture file cannot be read: " + path.string());
    return bytes;
}

// 8-bit colour is gamma coded (2.2) and made linear; alpha is linear already.
std::vector<float> linearFrom8Bit(const std::vector<uint8_t>& rgba)
{
    float linear[256];
    for (int i = 0; i < 256; ++i)
        linear[i] = std::pow(static_cast<float>(i) / 255.0f, gamma8Bit);
    std::vector<float> out(rgba.size());
    for (size_t i = 0; i < rgba.size(); ++i)
        out[i] = (i % 4 == 3) ? rgba[i] / 255.0f : linear[rgba[i]];
    return out;
}

}  // namespace

bool isReadableTexture(const std::filesystem::path& path)
{
    const std::string extension = extensionOf(path);
    return extension == ".exr" || extension == ".png" || extension == ".jpg" || extension == ".jpeg" ||
           extension == ".tga";
}

TextureImage TextureImage::read(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw badInput("Texture file not found: " + path.string());
    TextureImage image;
    const std::string extension = extensionOf(path);
    if (extension == ".exr") {
        try {
            Imf::RgbaInputFile file(path.c_str());
            const Imath::Box2i window = file.dataWindow();
            const long long width = (long long)window.max.x - window.min.x + 1;
            const long long height = (long long)window.max.y - window.min.y + 1;
            if (width <= 0 || height <= 0 || width * height > maxTexels)
                throw badInput("Texture file has an unusable size: " + path.string());
            Imf::Array2D<Imf::Rgba> pixels(height, width);
            file.setFrameBuffer(&pixels[0][0] - window.min.x - window.min.y * width, 1, static_cast<size_t>(width));
            file.readPixels(window.min.y, window.max.y);
            image.width_ = static_cast<int>(width);
            image.height_ = static_cast<int>(height);
            image.rgba_.resize(static_cast<size_t>(width * height * 4));
            for (long long y = 0; y < height; ++y)
                for (long long x = 0; x < width; ++x) {
                    const Imf::Rgba& p = pixels[y][x];
                    float* out = &image.rgba_[static_cast<size_t>((y * width + x) * 4)];
                    out[0] = p.r;
                    out[1] = p.g;
                    out[2] = p.b;
                    out[3] = p.a;
                }
        } catch (const RenderError&) {
            throw;
        } catch (const std::exception& e) {
            throw badInput("Texture file cannot be read: " + path.string() + " (" + e.what() + ")");
        }
    } else if (extension == ".png") {
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&png, path.c_str()))
            throw badInput("Texture file cannot be read: " + path.string() + " (" + png.message + ")");
        png.format = PNG_FORMAT_RGBA;
        if (png.width == 0 || png.height == 0 || (long long)png.width * png.height > maxTexels) {
            png_image_free(&png);
            throw badInput("Texture file has an unusable size: " + path.string());
        }
        std::vector<unsigned char> bytes(PNG_IMAGE_SIZE(png));
        if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr))
            throw badInput("Texture file cannot be read: " + path.string() + " (" + png.message + ")");
        image.width_ = static_cast<int>(png.width);
        image.height_ = static_cast<int>(png.height);
        image.rgba_ = linearFrom8Bit(bytes);
    } else if (extension == ".tga" || extension == ".jpg" || extension == ".jpeg") {
        const std::vector<uint8_t> bytes = fileBytes(path);
        const Rgba8Image decoded = extension == ".tga" ? decodeTga(bytes.data(), bytes.size(), path.string(), maxTexels)
                                                       : decodeJpeg(bytes.data(), bytes.size(), path.string(), maxTexels);
        image.width_ = decoded.width;
        image.height_ = decoded.height;
        image.rgba_ = linearFrom8Bit(decoded.rgba);
    } else {
        throw badInput("Texture file is of a kind this renderer does not read: " + path.string());
    }
    return image;
}

Vec3 TextureImage::lookup(float u, float v, size_t first) const
{
    if (width_ == 0 || !std::isfinite(u) || !std::isfinite(v))
        return {0, 0, 0};
    const float x = std::clamp(u, 0.0f, 1.0f) * width_ - 0.5f;
    const float y = (1.0f - std::clamp(v, 0.0f, 1.0f)) * height_ - 0.5f;
    const int x0 = std::clamp(static_cast<int>(std::floor(x)), 0, width_ - 1);
    const int y0 = std::clamp(static_cast<int>(std::floor(y)), 0, height_ - 1);
    const int x1 = std::min(x0 + 1, width_ - 1);
    const int y1 = std::min(y0 + 1, height_ - 1);
    const float fx = std::clamp(x - static_cast<float>(x0), 0.0f, 1.0f);
    const float fy = std::clamp(y - static_cast<float>(y0), 0.0f, 1.0f);
    auto at = [&](int px, int py) {
        const float* p = &rgba_[(static_cast<size_t>(py) * width_ + px) * 4 + first];
        return first == 0 ? Vec3{p[0], p[1], p[2]} : Vec3{p[0], p[0], p[0]};
    };
    const Vec3 top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
    const Vec3 bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
    return top * (1 - fy) + bottom * fy;
}

Vec3 TextureImage::sample(float u, float v) const { return lookup(u, v, 0); }

float TextureImage::alpha(float u, float v) const
{
    constexpr size_t alphaChannel = 3;
    return width_ == 0 ? 1.0f : lookup(u, v, alphaChannel).x;
}

}  // namespace torvo_renderer
