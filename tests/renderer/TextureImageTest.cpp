// Decoding of the 8-bit texture kinds: TGA (raw and run-length, colour and grey, every origin) and
// JPEG give the texels of small hand-made files, made linear with gamma 2.2; damaged files are
// refused as input, never read past their end.
#include "RenderError.h"
#include "TextureImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using torvo_renderer::ExitCode;
using torvo_renderer::RenderError;
using torvo_renderer::TextureImage;
using Bytes = std::vector<uint8_t>;

// (v / 255)^2.2 worked out by hand for the 8-bit values the images use.
constexpr float lin0 = 0.0f;
constexpr float lin40 = 0.016988f;
constexpr float lin64 = 0.047776f;
constexpr float lin128 = 0.219520f;
constexpr float lin200 = 0.585973f;
constexpr float lin255 = 1.0f;

struct Texel {
    float r, g, b, a;
};

class TextureFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("torvo_texture_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path write(const std::string& name, const Bytes& bytes)
    {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Texel (x, y), counted from the top left, looked up at its centre.
    static Texel texel(const TextureImage& image, int x, int y)
    {
        const float u = (x + 0.5f) / image.width();
        const float v = 1.0f - (y + 0.5f) / image.height();
        const auto c = image.sample(u, v);
        return {c.x, c.y, c.z, image.alpha(u, v)};
    }

    static void expectRefused(const fs::path& path, const std::string& label)
    {
        try {
            (void)TextureImage::read(path);
            ADD_FAILURE() << label << ": read";
        } catch (const RenderError& e) {
            EXPECT_EQ(e.code(), ExitCode::BadInput) << label;
            EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << label << ": " << e.what();
        }
    }

    fs::path dir_;
};

// The 18-byte header of a 2 x 2 image without ID or colour map.
Bytes tgaHeader(uint8_t type, uint8_t depth, uint8_t descriptor, uint16_t width = 2, uint16_t height = 2)
{
    return {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            uint8_t(width & 0xff), uint8_t(width >> 8), uint8_t(height & 0xff), uint8_t(height >> 8), depth, descriptor};
}

Bytes join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(TextureFiles, TgaKindsAndOriginsGiveTheirTexels)
{
    // Colour images show, from the top left: red, mid grey / blue, white. Colour is stored blue,
    // green, red; bottom-up files start with the bottom row.
    const Texel red{lin255, lin0, lin0, 1}, grey{lin128, lin128, lin128, 1}, blue{lin0, lin0, lin255, 1},
        white{lin255, lin255, lin255, 1};
    struct Case {
        const char* name;
        Bytes file;
        std::vector<Texel> texels;  // top row first
    };
    const Case cases[] = {
        {"raw 24-bit, bottom-up",
         join(tgaHeader(2, 24, 0x00), {0xff, 0, 0, 0xff, 0xff, 0xff, 0, 0, 0xff, 0x80, 0x80, 0x80}),
         {red, grey, blue, white}},
        {"raw 24-bit, top-down",
         join(tgaHeader(2, 24, 0x20), {0, 0, 0xff, 0x80, 0x80, 0x80, 0xff, 0, 0, 0xff, 0xff, 0xff}),
         {red, grey, blue, white}},
        {"raw 32-bit with 8 alpha bits, top-down",
         join(tgaHeader(2, 32, 0x28), {0, 0, 0xff, 0xff, 0x80, 0x80, 0x80, 0x40, 0xff, 0, 0, 0x80, 0xff, 0xff, 0xff, 0}),
         {red, {lin128, lin128, lin128, 64 / 255.0f}, {lin0, lin0, lin255, 128 / 255.0f}, {lin255, lin255, lin255, 0}}},
        {"raw 32-bit declaring no alpha bits is opaque",
         join(tgaHeader(2, 32, 0x20), {0, 0, 0xff, 0, 0x80, 0x80, 0x80, 0, 0xff, 0, 0, 0, 0xff, 0xff, 0xff, 0}),
         {red, grey, blue, white}},
        {"run-length 24-bit, bottom-up: a raw packet per row",
         join(tgaHeader(10, 24, 0x00), {0x01, 0xff, 0, 0, 0xff, 0xff, 0xff, 0x01, 0, 0, 0xff, 0x80, 0x80, 0x80}),
         {red, grey, blue, white}},
        {"run-length 32-bit, top-down: a run across the row end",
         join(tgaHeader(10, 32, 0x28), {0x82, 0x80, 0x80, 0x80, 0xff, 0x00, 0xff, 0, 0, 0xff}),
         {grey, grey, grey, blue}},
        {"raw grey, top-down, right to left",
         join(tgaHeader(3, 8, 0x30), {0xff, 0x00, 0x40, 0x80}),
         {{lin0, lin0, lin0, 1}, white, grey, {lin64, lin64, lin64, 1}}},
        {"run-length grey, bottom-up: run then raw packet",
         join(tgaHeader(11, 8, 0x00), {0x81, 0x80, 0x01, 0x28, 0xff}),
         {{lin40, lin40, lin40, 1}, white, grey, grey}},
        {"ID field and unused colour map are skipped",
         join({3, 1, 2, 0, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x20},
              {'a', 'b', 'c', 1, 2, 3, 4, 5, 6, 0, 0, 0xff, 0x80, 0x80, 0x80, 0xff, 0, 0, 0xff, 0xff, 0xff}),
         {red, grey, blue, white}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TextureImage image = TextureImage::read(write("t.tga", c.file));
        ASSERT_EQ(image.width(), 2);
        ASSERT_EQ(image.height(), 2);
        for (int i = 0; i < 4; ++i) {
            const Texel got = texel(image, i % 2, i / 2), want = c.texels[i];
            EXPECT_NEAR(got.r, want.r, 1e-4f) << "texel " << i;
            EXPECT_NEAR(got.g, want.g, 1e-4f) << "texel " << i;
            EXPECT_NEAR(got.b, want.b, 1e-4f) << "texel " << i;
            EXPECT_NEAR(got.a, want.a, 1e-4f) << "texel " << i;
        }
    }
}

TEST_F(TextureFiles, DamagedTgaIsRefused)
{
    const Bytes pixels24 = {0, 0, 0xff, 0x80, 0x80, 0x80, 0xff, 0, 0, 0xff, 0xff, 0xff};
    const Bytes header24 = tgaHeader(2, 24, 0);
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"empty", {}},
        {"header cut short", Bytes(header24.begin(), header24.begin() + 10)},
        {"raw pixels cut short", join(header24, Bytes(pixels24.begin(), pixels24.end() - 1))},
        {"ID field longer than the file", join({200, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0}, pixels24)},
        {"run-length packet cut short", join(tgaHeader(10, 24, 0), {0x01, 0xff, 0, 0, 0xff, 0xff, 0xff, 0x81, 0, 0})},
        {"run-length data ends early", join(tgaHeader(11, 8, 0), {0x81, 0x80, 0x80})},
        // A few bytes must not make a large image: 16000 x 16000 needs far more packets.
        {"run-length size beyond its data", join(tgaHeader(11, 8, 0, 16000, 16000), {0xff, 0x80, 0xff, 0x80})},
        {"size beyond the texel limit", join(tgaHeader(11, 8, 0, 65535, 65535), {0xff, 0x80})},
        {"zero width", tgaHeader(2, 24, 0, 0, 2)},
        {"colour-mapped", join({0, 1, 1, 0, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0}, {0, 0, 0, 1, 1, 1, 0, 1, 1, 0})},
        {"16-bit colour", join(tgaHeader(2, 16, 0), {0, 0, 0, 0, 0, 0, 0, 0})},
        {"grey of 16 bits", join(tgaHeader(3, 16, 0), {0, 0, 0, 0, 0, 0, 0, 0})},
        {"unknown image type", join(tgaHeader(7, 24, 0), pixels24)},
    };
    for (const Case& c : cases)
        expectRefused(write("bad.tga", c.file), c.name);
}

// 16 x 8, baseline, no chroma subsampling, quality 100: the left 8 x 8 block is (200, 40, 40), the
// right one mid grey (128, 128, 128).
const Bytes jpeg16x8 = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xff, 0xc0,
    0x00, 0x11, 0x08, 0x00, 0x08, 0x00, 0x10, 0x03, 0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11,
    0x01, 0xff, 0xc4, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0xff, 0xc4, 0x00, 0x14, 0x10, 0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xc4, 0x00,
    0x15, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x08, 0x0a, 0xff, 0xc4, 0x00, 0x14, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01,
    0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3f, 0x00, 0x2f, 0xc2, 0x75, 0x40, 0x14, 0x03, 0x61, 0x2f,
    0xef, 0xff, 0xd9,
};

TEST_F(TextureFiles, JpegGivesItsTexels)
{
    for (const char* name : {"t.jpg", "t.JPEG"}) {
        SCOPED_TRACE(name);
        const TextureImage image = TextureImage::read(write(name, jpeg16x8));
        ASSERT_EQ(image.width(), 16);
        ASSERT_EQ(image.height(), 8);
        // JPEG is lossy: within two 8-bit steps, measured in linear terms near each value.
        for (int y : {0, 3, 7})
            for (int x : {0, 7, 8, 15}) {
                const Texel got = texel(image, x, y);
                const Texel want = x < 8 ? Texel{lin200, lin40, lin40, 1} : Texel{lin128, lin128, lin128, 1};
                const float tolerance = x < 8 ? 0.013f : 0.008f;
                EXPECT_NEAR(got.r, want.r, tolerance) << x << "," << y;
                EXPECT_NEAR(got.g, want.g, x < 8 ? 0.002f : tolerance) << x << "," << y;
                EXPECT_NEAR(got.b, want.b, x < 8 ? 0.002f : tolerance) << x << "," << y;
                EXPECT_EQ(got.a, 1.0f);
            }
    }
}

TEST_F(TextureFiles, DamagedJpegIsRefused)
{
    Bytes badMarker = jpeg16x8;
    badMarker[2] = 0x00;  // the first marker after start of image
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"empty", {}},
        {"not a JPEG", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'}},
        {"cut short in the header", Bytes(jpeg16x8.begin(), jpeg16x8.begin() + 100)},
        {"cut short in the image data", Bytes(jpeg16x8.begin(), jpeg16x8.end() - 20)},
        {"damaged marker", badMarker},
    };
    for (const Case& c : cases)
        expectRefused(write("bad.jpg", c.file), c.name);
}

TEST_F(TextureFiles, OtherKindsAreNotReadable)
{
    for (const char* name : {"a.png", "a.exr", "a.jpg", "a.JPEG", "a.tga", "a.TGA"})
        EXPECT_TRUE(torvo_renderer::isReadableTexture(name)) << name;
    for (const char* name : {"a.bmp", "a.tif", "a.dds", "a.hdr", "a"})
        EXPECT_FALSE(torvo_renderer::isReadableTexture(name)) << name;
}

}  // namespace
