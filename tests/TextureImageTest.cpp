// The image files of ended textures, read back by OpenEXR and libpng, and failures to write them.
#include "core/Log.h"
#include "manager/FSTorvoManager.h"
#include "cache/NameHash.h"
#include "geometry/ExrWriter.h"
#include "geometry/FSTorvoTexture.h"
#include "geometry/WCharOStream.h"
#include "torvo.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfTiledInputFile.h>
#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::FileSizeLimit;
using testfiles::readFile;
using testfiles::TestDirectory;
using trv::lastError;

namespace {

class TextureCache {
public:
    // The manager makes the directory.
    TextureCache() : root_("image", false) { manager_ = open(); }
    ~TextureCache() { TRVDestroyManager(manager_); }
    TorvoManager open() const
    {
        TorvoManager manager = nullptr;
        EXPECT_EQ(TRVCreateManager(root_.path().string().c_str(), TRV_CACHE_SHARED, &manager), 0);
        return manager;
    }
    TorvoTexture begin(const char* name, int32_t width, int32_t height, TRVTextureFormat format)
    {
        TorvoTexture texture = nullptr;
        EXPECT_EQ(TRVBeginTexture(manager_, name, width, height, format, &texture), 0);
        return texture;
    }
    fs::path file(const std::string& name, const char* extension) const
    {
        return textures() / (trv::nameHash(name) + extension);
    }
    fs::path textures() const { return root_ / "textures"; }
    trv::FSTorvoManager* manager() const { return reinterpret_cast<trv::FSTorvoManager*>(manager_); }
    TorvoManager handle() const { return manager_; }

private:
    TestDirectory root_;
    TorvoManager manager_ = nullptr;
};

std::vector<std::string> entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

// Pixel values that differ in every component, row and column; noise when asked (does not compress).
template <class T>
std::vector<T> pattern(int width, int height, int components, bool noise = false)
{
    std::vector<T> values;
    unsigned state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) {
                state = state * 1103515245u + 12345u;
                values.push_back(noise ? T((state >> 16) & 0xFF) : T((x * 7 + y * 13 + c * 61) % 251));
            }
    return values;
}

// Reads a PNG with libpng's classic read path: header fields and rows as stored.
struct PngFile {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    std::vector<std::vector<uint8_t>> rows;  // top row first
};

bool readPngFile(const fs::path& path, PngFile& out)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        png_get_IHDR(png, info, &out.width, &out.height, &out.bitDepth, &out.colorType, &out.interlace, nullptr,
                     nullptr);
        out.rows.assign(out.height, std::vector<uint8_t>(png_get_rowbytes(png, info)));
        for (auto& row : out.rows)
            png_read_row(png, row.data(), nullptr);
        png_read_end(png, nullptr);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}

}  // namespace

TEST(TextureImage, ExrFilesAreTiledFloatImagesWithTheFirstRowAtTheBottom)
{
    TextureCache cache;
    const int width = 45, height = 37;  // partial tiles at the right and top
    struct Case {
        const char* name;
        TRVTextureFormat format;
        std::vector<std::string> channels;  // in file order
        std::vector<std::string> given;     // component order of the input
    } cases[] = {
        {"y", TRV_TEXTURE_HDR_Y, {"Y"}, {"Y"}},
        {"rgb", TRV_TEXTURE_HDR_RGB, {"B", "G", "R"}, {"R", "G", "B"}},
        {"rgba", TRV_TEXTURE_HDR_RGBA, {"A", "B", "G", "R"}, {"R", "G", "B", "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int components = int(c.given.size());
        std::vector<float> pixels = pattern<float>(width, height, components);
        for (float& v : pixels)
            v = v / 8.0f - 3.0f;
        TorvoTexture texture = cache.begin(c.name, width, height, c.format);
        // Given in two calls, the first ending in the middle of a row.
        ASSERT_EQ(TRVAddPixelDataHDR(texture, pixels.data(), 100), 0);
        ASSERT_EQ(TRVAddPixelDataHDR(texture, pixels.data() + 100 * components, width * height - 100), 0);
        ASSERT_EQ(TRVEndTexture(texture), 0);
        const fs::path path = cache.file(c.name, ".exr");
        EXPECT_EQ(reinterpret_cast<trv::FSTorvoTexture*>(texture)->imagePath(), path);

        Imf::TiledInputFile file(path.c_str());
        const Imf::Header& header = file.header();
        EXPECT_EQ(header.dataWindow(), Imath::Box2i(Imath::V2i(0, 0), Imath::V2i(width - 1, height - 1)));
        EXPECT_EQ(header.displayWindow(), header.dataWindow());
        EXPECT_EQ(header.pixelAspectRatio(), 1.0f);
        EXPECT_EQ(header.screenWindowCenter(), Imath::V2f(0, 0));
        EXPECT_EQ(header.screenWindowWidth(), 1.0f);
        EXPECT_EQ(header.lineOrder(), Imf::INCREASING_Y);
        EXPECT_EQ(header.compression(), Imf::ZIP_COMPRESSION);
        const Imf::TileDescription& tiles = header.tileDescription();
        EXPECT_EQ(tiles.xSize, 32u);
        EXPECT_EQ(tiles.ySize, 32u);
        EXPECT_EQ(tiles.mode, Imf::ONE_LEVEL);
        EXPECT_EQ(tiles.roundingMode, Imf::ROUND_DOWN);
        std::vector<std::string> names;
        for (auto it = header.channels().begin(); it != header.channels().end(); ++it) {
            names.push_back(it.name());
            EXPECT_EQ(it.channel().type, Imf::FLOAT);
            EXPECT_EQ(it.channel().xSampling, 1);
            EXPECT_EQ(it.channel().ySampling, 1);
        }
        EXPECT_EQ(names, c.channels);

        std::vector<float> read(pixels.size(), -1.0f);
        Imf::FrameBuffer frame;
        for (int k = 0; k < components; ++k)
            frame.insert(c.given[size_t(k)], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(read.data() + k),
                                                        sizeof(float) * components,
                                                        sizeof(float) * components * width));
        file.setFrameBuffer(frame);
        file.readTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
        // File row y holds given row height - 1 - y.
        int mismatches = 0;
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < width * components; ++i)
                mismatches += read[size_t(y * width * components + i)] !=
                              pixels[size_t((height - 1 - y) * width * components + i)];
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(TextureImage, PngFilesOfEveryFormatReadBackIdentical)
{
    TextureCache cache;
    const int width = 13, height = 9;
    struct Case {
        const char* name;
        TRVTextureFormat format;
        int components;
        int colorType;
    } cases[] = {
        {"gray", TRV_TEXTURE_LDR_Y, 1, PNG_COLOR_TYPE_GRAY},
        {"rgb", TRV_TEXTURE_LDR_RGB, 3, PNG_COLOR_TYPE_RGB},
        {"rgba", TRV_TEXTURE_LDR_RGBA, 4, PNG_COLOR_TYPE_RGB_ALPHA},
    };
    const bool haveCheck = std::system("command -v pngcheck >/dev/null 2>&1") == 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> pixels = pattern<uint8_t>(width, height, c.components);
        TorvoTexture texture = cache.begin(c.name, width, height, c.format);
        for (int y = 0; y < height; ++y)  // one call per row
            ASSERT_EQ(TRVAddPixelDataLDR(texture, pixels.data() + y * width * c.components, width), 0);
        ASSERT_EQ(TRVEndTexture(texture), 0);
        const fs::path path = cache.file(c.name, ".png");

        PngFile png;
        ASSERT_TRUE(readPngFile(path, png));
        EXPECT_EQ(png.width, png_uint_32(width));
        EXPECT_EQ(png.height, png_uint_32(height));
        EXPECT_EQ(png.bitDepth, 8);
        EXPECT_EQ(png.colorType, c.colorType);
        EXPECT_EQ(png.interlace, PNG_INTERLACE_NONE);
        for (int y = 0; y < height; ++y) {
            const auto* given = pixels.data() + (height - 1 - y) * width * c.components;
            EXPECT_EQ(png.rows[size_t(y)], std::vector<uint8_t>(given, given + width * c.components)) << "row " << y;
        }
        if (haveCheck) {
            EXPECT_EQ(std::system(("pngcheck -q '" + path.string() + "' >/dev/null").c_str()), 0);
        }
    }

    // A second manager on the same cache finds every texture again, finished.
    TorvoManager second = cache.open();
    for (const Case& c : cases) {
        TorvoTexture found = nullptr;
        ASSERT_EQ(TRVFindTexture(second, c.name, &found), 0) << c.name;
        auto* texture = reinterpret_cast<trv::FSTorvoTexture*>(found);
        EXPECT_FALSE(texture->isBeingBuilt());
        EXPECT_EQ(texture->imagePath(), cache.file(c.name, ".png"));
        EXPECT_EQ(TRVEndTexture(found), 5);
    }
    EXPECT_EQ(TRVDestroyManager(second), 0);
}

TEST(TextureImage, AFailedEndKeepsTheTextureOpenAndTheCacheIntact)
{
    TextureCache cache;
    trv::FSTorvoManager* manager = cache.manager();
    const int size = 256;
    const std::vector<float> floats = [&] {
        std::vector<float> v;
        for (uint8_t b : pattern<uint8_t>(size, size, 4, true))
            v.push_back(float(b) * 0.37f);
        return v;
    }();
    const std::vector<uint8_t> bytes = pattern<uint8_t>(size, size, 4, true);

    // An image already in the cache under the final name stays as it is when a new one fails.
    trv::FSTorvoTexture exrBefore(manager, "same", 1, 1, TRV_TEXTURE_HDR_Y), exr(manager, "same", size, size, 2);
    trv::FSTorvoTexture pngBefore(manager, "same", 1, 1, TRV_TEXTURE_LDR_Y), png(manager, "same", size, size, 5);
    const float one = 1.0f;
    const uint8_t dark = 3;
    ASSERT_EQ(exrBefore.addPixelDataHDR(&one, 1), 0);
    ASSERT_EQ(exrBefore.endTexture(), 0);
    ASSERT_EQ(pngBefore.addPixelDataLDR(&dark, 1), 0);
    ASSERT_EQ(pngBefore.endTexture(), 0);
    const std::string exrKept = readFile(exrBefore.imagePath()), pngKept = readFile(pngBefore.imagePath());
    ASSERT_EQ(exr.addPixelDataHDR(floats.data(), size * size), 0);
    ASSERT_EQ(png.addPixelDataLDR(bytes.data(), size * size), 0);

    const fs::path exrPath = manager->texturesDirectory() / "same.exr";
    const fs::path pngPath = manager->texturesDirectory() / "same.png";
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_EQ(exr.endTexture(), 7);
        // OpenEXR puts its own sentence in front of the stream's.
        EXPECT_EQ(lastError(), "Exr file writing failed: Failed to write pixel data to image file \"" +
                                   exrPath.string() + "\". Failed to write to file: " + exrPath.string() + "\n");
        EXPECT_EQ(png.endTexture(), 7);
        EXPECT_EQ(lastError(), "Png file writing failed: Write Error (file: " + pngPath.string() + ")\n");
    }
    EXPECT_TRUE(exr.isBeingBuilt());
    EXPECT_TRUE(png.isBeingBuilt());
    EXPECT_EQ(readFile(exrPath), exrKept);
    EXPECT_EQ(readFile(pngPath), pngKept);
    EXPECT_EQ(entries(manager->texturesDirectory()).size(), 2u) << "no partial file is left behind";

    // No directory to write into.
    fs::rename(manager->texturesDirectory(), manager->texturesDirectory().string() + ".away");
    EXPECT_EQ(exr.endTexture(), 7);
    EXPECT_EQ(lastError(), "Exr file writing failed: Failed to open file: " + exrPath.string() + "\n");
    EXPECT_EQ(png.endTexture(), 7);
    EXPECT_EQ(lastError(), "Failed to open file " + pngPath.string() + "\n");
    fs::rename(manager->texturesDirectory().string() + ".away", manager->texturesDirectory());

    // Ending again replaces the old images.
    ASSERT_EQ(exr.endTexture(), 0);
    ASSERT_EQ(png.endTexture(), 0);
    EXPECT_FALSE(exr.isBeingBuilt());
    EXPECT_NE(readFile(exrPath), exrKept);
    PngFile read;
    ASSERT_TRUE(readPngFile(pngPath, read));
    EXPECT_EQ(read.rows[0], std::vector<uint8_t>(bytes.end() - size * 4, bytes.end()));
}

TEST(TextureImage, ExrWriterRefusesWhatItCannotWrite)
{
    const float pixel[2] = {1, 2};
    const fs::path path = fs::temp_directory_path() / ("torvo-exr-refused-" + std::to_string(::getpid()) + ".exr");
    EXPECT_EQ(trv::writeExrImage(path, pixel, 1, 1, 2), 7);
    EXPECT_EQ(lastError(), "Exr file writing failed: Unsupported number of components: 2\n");
    EXPECT_FALSE(fs::exists(path));
}

TEST(TextureImage, ExrStreamNamesItsFileInEveryFailure)
{
    const fs::path dir = fs::temp_directory_path() / ("torvo-exr-stream-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    auto message = [](auto&& action) -> std::string {
        try {
            action();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no failure";
    };
    EXPECT_EQ(message([&] { trv::WCharOStream stream(dir / "missing" / "x.exr", "shown.exr"); }),
              "Failed to open file: shown.exr");
    {
        trv::WCharOStream stream(dir / "x.exr", "shown.exr");
        stream.write("abcd", 4);
        EXPECT_EQ(stream.tellp(), 4u);
        stream.seekp(1);
        stream.write("Z", 1);
        EXPECT_EQ(stream.tellp(), 2u);
        EXPECT_EQ(message([&] { stream.seekp(~uint64_t(0)); }),
                  "Failed to seek to position: 18446744073709551615in file: shown.exr");
        EXPECT_EQ(message([&] { stream.write("e", 1); }), "Failed to write to file: shown.exr");
        EXPECT_EQ(message([&] { stream.close(); }), "Failed to write to file: shown.exr");
    }
    {
        trv::WCharOStream stream(dir / "y.exr");
        stream.write("abcd", 4);
        stream.seekp(1);
        stream.write("Z", 1);
        stream.close();
    }
    EXPECT_EQ(readFile(dir / "y.exr"), "aZcd");
    fs::remove_all(dir);
}
