// Textures built through the exported functions: the pixel, gamma and end rules.
#include "core/Log.h"
#include "manager/FSTorvoManager.h"
#include "cache/NameHash.h"
#include "geometry/BuildAllocator.h"
#include "geometry/FSTorvoTexture.h"
#include "geometry/TextureGamma.h"
#include "torvo.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::TestDirectory;
using trv::lastError;

namespace {

class TextureCache {
public:
    // The manager makes the directory.
    TextureCache() : root_("texture", false)
    {
        EXPECT_EQ(TRVCreateManager(root_.path().string().c_str(), TRV_CACHE_SHARED, &manager_), 0);
    }
    ~TextureCache() { TRVDestroyManager(manager_); }
    TorvoTexture begin(const char* name, int32_t width, int32_t height, TRVTextureFormat format)
    {
        TorvoTexture texture = nullptr;
        EXPECT_EQ(TRVBeginTexture(manager_, name, width, height, format, &texture), 0);
        return texture;
    }
    fs::path file(const char* name, const char* extension) const
    {
        return root_ / "textures" / (trv::nameHash(std::string(name)) + extension);
    }

private:
    TestDirectory root_;
    TorvoManager manager_ = nullptr;
};

#define EXPECT_CALL_RESULT(call, status, message)                     \
    do {                                                              \
        EXPECT_EQ((call), (status)) << #call;                         \
        EXPECT_EQ(lastError(), std::string(message) + "\n") << #call; \
    } while (0)

// The pixels of a PNG file as 8-bit values of the file's own format, read by libpng.
std::vector<uint8_t> readPng(const fs::path& file, uint32_t expectedFormat)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) {
        ADD_FAILURE() << image.message;
        return {};
    }
    EXPECT_EQ(image.format, expectedFormat);
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
    return pixels;
}

}  // namespace

TEST(TextureBuilder, PixelCountsFormatsAndEndingFollowTheRules)
{
    TextureCache cache;
    TorvoTexture hdr = cache.begin("hdr", 2, 2, TRV_TEXTURE_HDR_RGB);
    const std::vector<float> floats(3 * 5, 0.5f);
    const std::vector<uint8_t> bytes(4 * 5, 7);
    EXPECT_EQ(TRVAddPixelDataHDR(hdr, floats.data(), 3), 0);
    EXPECT_CALL_RESULT(TRVAddPixelDataHDR(hdr, floats.data(), 2), 1, "Tried to add more pixels than the texture contains.");
    EXPECT_CALL_RESULT(TRVEndTexture(hdr), 5, "Texture not ready to be ended.");
    EXPECT_CALL_RESULT(TRVAddPixelDataLDR(hdr, bytes.data(), 1), 5, "Tried to add LDR pixels to a HDR texture.");
    EXPECT_CALL_RESULT(TRVSetInputGamma(hdr, 1, 1.0f), 5, "Tried to set input gamma on HDR image.");
    EXPECT_CALL_RESULT(TRVAddPixelDataHDR(hdr, floats.data(), 0), 1, "Parameter Pixel Count must be above 0, was 0.");
    EXPECT_CALL_RESULT(TRVAddPixelDataHDR(hdr, nullptr, 1), 1, "Parameter Pixel Data must not be NULL.");
    EXPECT_EQ(TRVAddPixelDataHDR(hdr, floats.data(), 1), 0);
    EXPECT_EQ(TRVEndTexture(hdr), 0);
    EXPECT_TRUE(fs::is_regular_file(cache.file("hdr", ".exr")));
    EXPECT_CALL_RESULT(TRVEndTexture(hdr), 5, "Texture already finalized.");
    EXPECT_CALL_RESULT(TRVAddPixelDataHDR(hdr, floats.data(), 1), 5, "Texture already finalized.");
    EXPECT_CALL_RESULT(TRVSetInputGamma(hdr, 0, 2.2f), 5, "Texture already finalized.");

    TorvoTexture ldr = cache.begin("ldr", 2, 1, TRV_TEXTURE_LDR_RGB);
    EXPECT_CALL_RESULT(TRVAddPixelDataHDR(ldr, floats.data(), 1), 5, "Tried to add HDR pixels to a LDR texture.");
    EXPECT_CALL_RESULT(TRVSetInputGamma(ldr, 0, 0.0f), 1, "Parameter gamma must be above 0, was 0.");
    EXPECT_CALL_RESULT(TRVSetInputGamma(ldr, 0, -1.5f), 1, "Parameter gamma must be above 0, was -1.5.");
    EXPECT_EQ(TRVAddPixelDataLDR(ldr, bytes.data(), 1), 0);
    EXPECT_CALL_RESULT(TRVSetInputGamma(ldr, 0, 1.0f), 5, "Tried to set input after pixels were added to the image.");
    EXPECT_CALL_RESULT(TRVAddPixelDataLDR(ldr, bytes.data(), -1), 1, "Parameter Pixel Count must be above 0, was -1.");
    EXPECT_CALL_RESULT(TRVAddPixelDataLDR(ldr, bytes.data(), 2), 1, "Tried to add more pixels than the texture contains.");
    EXPECT_EQ(TRVAddPixelDataLDR(ldr, bytes.data(), 1), 0);
    EXPECT_EQ(TRVEndTexture(ldr), 0);
    EXPECT_TRUE(fs::is_regular_file(cache.file("ldr", ".png")));

    // A format outside the table cannot take pixels or be written.
    TorvoTexture odd = cache.begin("odd", 1, 1, 9);
    EXPECT_CALL_RESULT(TRVAddPixelDataHDR(odd, floats.data(), 1), 1, "Texture format 9 is not supported.");
    EXPECT_CALL_RESULT(TRVAddPixelDataLDR(odd, bytes.data(), 1), 1, "Texture format 9 is not supported.");
    EXPECT_CALL_RESULT(TRVEndTexture(odd), 7, "Texture format 9 is not supported.");
    EXPECT_FALSE(fs::exists(cache.file("odd", ".png")) || fs::exists(cache.file("odd", ".exr")));
}

TEST(TextureBuilder, InputGammaIsConvertedToGamma22ExceptAlpha)
{
    EXPECT_FALSE(trv::needsGammaConversion(0, 2.2f));
    EXPECT_TRUE(trv::needsGammaConversion(0, 2.0f));
    EXPECT_TRUE(trv::needsGammaConversion(1, 2.2f));
    const auto linear = trv::gammaTable(1.0f);
    EXPECT_EQ(linear[128], 186);
    EXPECT_EQ(linear[0], 0);
    EXPECT_EQ(linear[255], 255);
    const auto same = trv::gammaTable(2.2f);
    for (int b = 0; b < 256; ++b)
        EXPECT_LE(std::abs(int(same[size_t(b)]) - b), 1) << b;
    EXPECT_EQ(trv::gammaTable(std::numeric_limits<float>::quiet_NaN())[200], 0) << "an unusable gamma gives black, not undefined bytes";

    TextureCache cache;
    const std::vector<uint8_t> pixel = {128, 128, 128, 128};

    TorvoTexture converted = cache.begin("converted", 1, 1, TRV_TEXTURE_LDR_RGBA);
    ASSERT_EQ(TRVSetInputGamma(converted, 0, 1.0f), 0);
    ASSERT_EQ(TRVAddPixelDataLDR(converted, pixel.data(), 1), 0);
    ASSERT_EQ(TRVEndTexture(converted), 0);
    EXPECT_EQ(readPng(cache.file("converted", ".png"), PNG_FORMAT_RGBA), (std::vector<uint8_t>{186, 186, 186, 128}));

    // Other gamma types use the value as it is, even the default one.
    TorvoTexture typed = cache.begin("typed", 1, 1, TRV_TEXTURE_LDR_Y);
    ASSERT_EQ(TRVSetInputGamma(typed, 3, 1.0f), 0);
    ASSERT_EQ(TRVAddPixelDataLDR(typed, pixel.data(), 1), 0);
    ASSERT_EQ(TRVEndTexture(typed), 0);
    EXPECT_EQ(readPng(cache.file("typed", ".png"), PNG_FORMAT_GRAY), (std::vector<uint8_t>{186}));

    TorvoTexture unchanged = cache.begin("unchanged", 1, 1, TRV_TEXTURE_LDR_RGB);
    ASSERT_EQ(TRVAddPixelDataLDR(unchanged, pixel.data(), 1), 0);
    ASSERT_EQ(TRVEndTexture(unchanged), 0);
    EXPECT_EQ(readPng(cache.file("unchanged", ".png"), PNG_FORMAT_RGB), (std::vector<uint8_t>{128, 128, 128}));
}

TEST(TextureBuilder, HugeTexturesTakeMemoryOnlyAsPixelsArrive)
{
    TextureCache cache;
    TorvoTexture huge = cache.begin("huge", 2000000000, 2000000000, TRV_TEXTURE_HDR_RGBA);
    const std::vector<float> floats(4 * 3, 1.0f);
    EXPECT_EQ(TRVAddPixelDataHDR(huge, floats.data(), 3), 0);
    EXPECT_CALL_RESULT(TRVEndTexture(huge), 5, "Texture not ready to be ended.");
    TorvoTexture wide = cache.begin("wide", 2147483647, 1, TRV_TEXTURE_LDR_RGBA);
    const std::vector<uint8_t> bytes(4 * 3, 9);
    EXPECT_EQ(TRVAddPixelDataLDR(wide, bytes.data(), 3), 0);
}

TEST(TextureBuilder, AllocationFailureKeepsThePixelsGivenSoFar)
{
    auto manager = std::make_unique<trv::FSTorvoManager>();
    const fs::path root = fs::temp_directory_path() / ("torvo-texture-alloc-" + std::to_string(::getpid()));
    ASSERT_EQ(manager->initialize(root, 0), 0);
    {
        // Without the room reserved up front the pixels grow as they come; a refusal keeps what was there.
        trv::failBuildAllocationAfter(0);
        trv::FSTorvoTexture texture(manager.get(), "t", 2, 1, TRV_TEXTURE_LDR_Y);
        trv::failBuildAllocationAfter(-1);
        const uint8_t bytes[2] = {10, 20};
        ASSERT_EQ(texture.addPixelDataLDR(bytes, 1), 0);
        trv::failBuildAllocationAfter(0);
        EXPECT_CALL_RESULT(texture.addPixelDataLDR(bytes + 1, 1), 2, "Failed to allocate pixel data.");
        trv::failBuildAllocationAfter(-1);
        EXPECT_EQ(texture.addPixelDataLDR(bytes + 1, 1), 0);
        ASSERT_EQ(texture.endTexture(), 0);
        EXPECT_EQ(readPng(texture.imagePath(), PNG_FORMAT_GRAY), (std::vector<uint8_t>{10, 20}));
    }
    manager.reset();
    fs::remove_all(root);
}
