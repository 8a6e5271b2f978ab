// EXR framebuffers: result images written here with OpenEXR, loaded, and read back by region.
#include "TestFiles.h"

#include "core/Log.h"
#include "results/FSTorvoExrFramebuffer.h"
#include "results/WCharIStream.h"

#include "torvo.h"

#include <Iex.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::readFile;
using testfiles::TestDirectory;
using trv::FramebufferList;
using trv::FSTorvoExrFramebuffer;

namespace {

// The names a pass of the standard kind gives its channels.
std::string standardName(int32_t index)
{
    const char* names[] = {"R", "G", "B", "A", "Z"};
    return index >= 0 && index < 5 ? names[index] : "I";
}

// The value channel k (position in the list given to writeExr) holds at pixel (x, y) of the data
// window: every value of an image is different and tells where it came from.
float testValue(size_t k, int x, int y)
{
    return float(1000 * k + 10 * y + x);
}

struct ExrImage {
    std::vector<std::string> channels;
    int width = 4, height = 3;
    Imath::V2i origin{0, 0};
    // Values by channel position, row after row; testValue when empty.
    std::vector<std::vector<float>> values;
};

void writeExr(const fs::path& file, const ExrImage& image)
{
    const Imath::Box2i window(image.origin, image.origin + Imath::V2i(image.width - 1, image.height - 1));
    Imf::Header header(window, window);
    header.compression() = Imf::ZIP_COMPRESSION;
    for (const std::string& name : image.channels)
        header.channels().insert(name, Imf::Channel(Imf::FLOAT));
    const size_t pixels = size_t(image.width) * image.height;
    std::vector<std::vector<float>> planes(image.channels.size());
    Imf::FrameBuffer frameBuffer;
    for (size_t k = 0; k < image.channels.size(); ++k) {
        if (image.values.empty()) {
            for (int y = 0; y < image.height; ++y)
                for (int x = 0; x < image.width; ++x)
                    planes[k].push_back(testValue(k, x, y));
        } else {
            planes[k] = image.values[k];
        }
        frameBuffer.insert(image.channels[k], Imf::Slice::Make(Imf::FLOAT, planes[k].data(), window, sizeof(float),
                                                               sizeof(float) * size_t(image.width)));
    }
    ASSERT_EQ(planes.empty() ? pixels : planes[0].size(), pixels);
    Imf::OutputFile out(file.c_str(), header);
    out.setFrameBuffer(frameBuffer);
    out.writePixels(image.height);
}

class ExrFramebuffer : public ::testing::Test {
protected:
    std::unique_ptr<FSTorvoExrFramebuffer> load(const ExrImage& image,
                                                trv::ChannelNameFunction names = standardName)
    {
        writeExr(file_, image);
        return std::make_unique<FSTorvoExrFramebuffer>(file_, owner_, names);
    }

    TestDirectory dir_{"exr"};
    fs::path file_ = dir_ / "result_pass0_target0.exr";
    FramebufferList owner_;
};

// Everything the framebuffer holds, read through the public region read.
std::vector<float> readAll(trv::TorvoFramebufferStub& framebuffer)
{
    int32_t width = 0, height = 0, count = 0;
    EXPECT_EQ(framebuffer.getResolution(&width, &height), 0);
    EXPECT_EQ(framebuffer.getChannelCount(&count), 0);
    std::vector<float> values(size_t(width) * height * count);
    EXPECT_EQ(framebuffer.readRegionHDR(0, 0, width, height, TRV_CHANNEL_ALL, values.data()), 0);
    return values;
}

TEST_F(ExrFramebuffer, ChannelsAreStoredInTheOrderOfThePassNames)
{
    struct Case {
        std::vector<std::string> written;  // as given to the writer (OpenEXR sorts them by name)
        std::vector<std::string> stored;   // expected file channel of index 0, 1, ...
    };
    std::vector<std::string> rnm, rnmStored;
    for (int i = 11; i >= 0; --i)
        rnm.push_back("tpRnm" + std::to_string(i));
    for (int i = 0; i < 12; ++i)
        rnmStored.push_back("tpRnm" + std::to_string(i));
    rnm.push_back("Z");
    rnmStored.push_back("Z");
    const Case cases[] = {
        {{"Z", "beauty.A", "beauty.B", "beauty.G", "beauty.R"}, {"beauty.R", "beauty.G", "beauty.B", "beauty.A", "Z"}},
        {{"c10", "c2", "c0"}, {"c0", "c2", "c10"}},
        {rnm, rnmStored},
        {{"Z", "x3", "x010", "x9"}, {"x3", "x9", "x010", "Z"}},
        {{"a.R", "b.G", "b.R"}, {"a.R", "b.R", "b.G"}},
        // A number longer than any integer type still orders by value.
        {{"n99999999999999999999999", "n100000000000000000000000", "n7"},
         {"n7", "n99999999999999999999999", "n100000000000000000000000"}},
        // Names of neither scheme: every channel, standard letters first in their usual order.
        {{"R", "G", "B", "A"}, {"R", "G", "B", "A"}},
        {{"Z", "A", "R"}, {"R", "A", "Z"}},
        {{"beauty.R", "beauty.G", "beauty.B", "mask"}, {"beauty.R", "beauty.G", "beauty.B", "mask"}},
        {{"beauty.R", "c1"}, {"beauty.R", "c1"}},
        {{"y", "depth", "x"}, {"depth", "x", "y"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.front() + " ... " + c.stored.back());
        ExrImage image;
        image.channels = c.written;
        image.width = 2;
        image.height = 2;
        const auto framebuffer = load(image);
        int32_t count = 0;
        ASSERT_EQ(framebuffer->getChannelCount(&count), 0);
        ASSERT_EQ(count, int32_t(c.stored.size()));
        const std::vector<float> values = readAll(*framebuffer);
        for (size_t i = 0; i < c.stored.size(); ++i) {
            const size_t k = size_t(std::find(c.written.begin(), c.written.end(), c.stored[i]) - c.written.begin());
            // Pixel (1, 1) is the last of the four.
            EXPECT_EQ(values[3 * count + i], testValue(k, 1, 1)) << "index " << i << " should be " << c.stored[i];
        }
    }
}

TEST_F(ExrFramebuffer, ChannelNamesComeFromThePassNotTheFile)
{
    ExrImage image;
    image.channels = {"tpIllumination0", "tpIllumination1", "Z"};
    const auto framebuffer = load(image, [](int32_t i) { return i == 2 ? std::string("Z") : "Ind" + std::to_string(i); });
    const char* expected[] = {"Ind0", "Ind1", "Z"};
    for (int32_t i = 0; i < 3; ++i) {
        TorvoString name = nullptr;
        ASSERT_EQ(framebuffer->getChannelName(i, &name), 0);
        char text[16] = {};
        ASSERT_EQ(TRVCopy(name, text, sizeof text), 0);
        EXPECT_STREQ(text, expected[i]);
        EXPECT_EQ(TRVReleaseString(name), 0);
    }
    TorvoString name = nullptr;
    for (int32_t index : {3, -1}) {
        EXPECT_EQ(framebuffer->getChannelName(index, &name), 1);
        EXPECT_EQ(trv::lastError(), "Index " + std::to_string(index) + " is invalid for this framebuffer\n");
        EXPECT_EQ(name, nullptr);
    }
    EXPECT_EQ(framebuffer->getChannelName(0, nullptr), 1);
}

TEST_F(ExrFramebuffer, RegionsAreCheckedAsUnsignedAgainstTheResolution)
{
    ExrImage image;
    image.channels = {"l.R", "l.G"};
    image.width = 5;
    image.height = 3;
    const auto framebuffer = load(image);
    struct Case {
        int32_t minX, minY, maxX, maxY;
        TRVStatus status;
    };
    const Case cases[] = {
        {0, 0, 5, 3, 0},  {4, 2, 5, 3, 0},  {0, 0, 6, 3, 1},   {0, 0, 5, 4, 1},  {2, 0, 2, 3, 1},
        {0, 1, 5, 1, 1},  {3, 0, 2, 3, 1},  {-1, 0, 5, 3, 1},  {0, -1, 5, 3, 1}, {-2, 0, -1, 3, 1},
        {0, 0, INT32_MIN, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.minX << "," << c.minY << " to " << c.maxX << "," << c.maxY);
        std::vector<float> hdr(5 * 3 * 2, -7.0f);
        std::vector<uint8_t> ldr(5 * 3 * 2, 77);
        EXPECT_EQ(framebuffer->readRegionHDR(c.minX, c.minY, c.maxX, c.maxY, TRV_CHANNEL_ALL, hdr.data()), c.status);
        EXPECT_EQ(framebuffer->readRegionLDR(c.minX, c.minY, c.maxX, c.maxY, TRV_CHANNEL_ALL, 1.0f, ldr.data()),
                  c.status);
        if (c.status != 0) {
            EXPECT_EQ(hdr, std::vector<float>(hdr.size(), -7.0f));
            EXPECT_EQ(ldr, std::vector<uint8_t>(ldr.size(), 77));
        }
    }
}

TEST_F(ExrFramebuffer, RegionsComeRowAfterRowPixelAfterPixelInSelectionOrder)
{
    ExrImage image;
    image.channels = {"Z", "beauty.A", "beauty.B", "beauty.G", "beauty.R"};  // positions 0..4 in testValue
    image.width = 6;
    image.height = 4;
    image.origin = {-3, 10};  // pixel (0, 0) is the data window's corner
    const auto framebuffer = load(image);
    int32_t width = 0, height = 0;
    ASSERT_EQ(framebuffer->getResolution(&width, &height), 0);
    EXPECT_EQ(width, 6);
    EXPECT_EQ(height, 4);

    // Region x 2..4, y 1..2; beauty.R is writer position 4, G 3, B 2, A 1, Z 0.
    struct Case {
        int32_t selection;
        std::vector<size_t> writerPositions;
    };
    const Case cases[] = {
        {TRV_CHANNEL_R, {4}},           {TRV_CHANNEL_G, {3}},          {TRV_CHANNEL_B, {2}},
        {TRV_CHANNEL_A, {1}},           {TRV_CHANNEL_Z, {0}},          {TRV_CHANNEL_RGB, {4, 3, 2}},
        {TRV_CHANNEL_RGBA, {4, 3, 2, 1}}, {TRV_CHANNEL_RGBAZ, {4, 3, 2, 1, 0}}, {TRV_CHANNEL_ALL, {4, 3, 2, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selection);
        const size_t n = c.writerPositions.size();
        std::vector<float> out(3 * 2 * n + 1, -1.0f);
        ASSERT_EQ(framebuffer->readRegionHDR(2, 1, 5, 3, c.selection, out.data()), 0);
        size_t at = 0;
        for (int y = 1; y < 3; ++y)
            for (int x = 2; x < 5; ++x)
                for (size_t k : c.writerPositions)
                    EXPECT_EQ(out[at++], testValue(k, x, y)) << x << "," << y;
        EXPECT_EQ(out.back(), -1.0f) << "written past the region";
    }

    // Whole rows of every channel, and one value out of the middle.
    std::vector<float> rows(6 * 2 * 5);
    ASSERT_EQ(framebuffer->readRegionHDR(0, 2, 6, 4, TRV_CHANNEL_ALL, rows.data()), 0);
    EXPECT_EQ(rows[0], testValue(4, 0, 2));
    EXPECT_EQ(rows[(6 + 5) * 5 + 3], testValue(1, 5, 3));
    float one = 0;
    ASSERT_EQ(framebuffer->readRegionHDR(5, 3, 6, 4, TRV_CHANNEL_B, &one), 0);
    EXPECT_EQ(one, testValue(2, 5, 3));
}

TEST_F(ExrFramebuffer, SelectionsOfMissingOrUnknownChannels)
{
    ExrImage image;
    image.channels = {"beauty.R", "beauty.G", "beauty.B", "beauty.A"};
    const auto framebuffer = load(image);
    std::vector<float> hdr(4 * 3 * 5, -7.0f);
    std::vector<uint8_t> ldr(4 * 3 * 5, 77);

    // The pass has no "Z" among the names of these four channels.
    for (int32_t selection : {TRV_CHANNEL_Z, TRV_CHANNEL_RGBAZ}) {
        EXPECT_EQ(framebuffer->readRegionHDR(0, 0, 4, 3, selection, hdr.data()), 1);
        EXPECT_EQ(trv::lastError(), "Channel Z not found\n");
        EXPECT_EQ(framebuffer->readRegionLDR(0, 0, 4, 3, selection, 2.2f, ldr.data()), 1);
        EXPECT_EQ(trv::lastError(), "Channel Z not found\n");
    }
    // Values outside the table select nothing: success, nothing written.
    for (int32_t selection : {9, -1, 1000}) {
        EXPECT_EQ(framebuffer->readRegionHDR(0, 0, 4, 3, selection, hdr.data()), 0);
        EXPECT_EQ(framebuffer->readRegionLDR(0, 0, 4, 3, selection, 2.2f, ldr.data()), 0);
        EXPECT_EQ(framebuffer->readRegionHDR(0, 0, 4, 3, selection, nullptr), 0);
    }
    EXPECT_EQ(hdr, std::vector<float>(hdr.size(), -7.0f));
    EXPECT_EQ(ldr, std::vector<uint8_t>(ldr.size(), 77));

    // A selection that would write needs a buffer.
    EXPECT_EQ(framebuffer->readRegionHDR(0, 0, 4, 3, TRV_CHANNEL_R, nullptr), 1);
    EXPECT_EQ(trv::lastError(), "Parameter buffer must not be NULL.\n");
    EXPECT_EQ(framebuffer->readRegionLDR(0, 0, 4, 3, TRV_CHANNEL_R, 1.0f, nullptr), 1);

    // Names repeated by the pass find the highest index.
    const auto repeated = load(image, [](int32_t i) { return i < 2 ? std::string("R") : std::string("G"); });
    float r = 0, g = 0;
    ASSERT_EQ(repeated->readRegionHDR(0, 0, 1, 1, TRV_CHANNEL_R, &r), 0);
    ASSERT_EQ(repeated->readRegionHDR(0, 0, 1, 1, TRV_CHANNEL_G, &g), 0);
    EXPECT_EQ(r, testValue(1, 0, 0));  // beauty.G, index 1
    EXPECT_EQ(g, testValue(3, 0, 0));  // beauty.A, index 3
}

TEST_F(ExrFramebuffer, LdrValuesAreClampedGammaCorrectedAndTruncated)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value, gamma;
        uint8_t byte;
    };
    // 0.25 ^ (1/2) = 0.5 and 0.5 * 255 = 127.5; 0.0625 ^ (1/4) = 0.5; 0.729 ^ (1/3) = 0.9 (229.5).
    const Case cases[] = {
        {2.0f, 1.0f, 255},  {1.0f, 2.2f, 255},    {-1.0f, 1.0f, 0},  {0.0f, 2.2f, 0},    {0.25f, 2.0f, 127},
        {0.5f, 1.0f, 127},  {0.0625f, 4.0f, 127}, {nan, 1.0f, 0},    {-inf, 2.0f, 0},    {inf, 2.0f, 255},
        {0.729f, 3.0f, 229}, {1e-30f, 1.0f, 0},   {0.999f, 1.0f, 254}, {0.5f, 1e-30f, 0}, {0.5f, inf, 255},
    };
    ExrImage image;
    image.channels = {"v.R"};
    image.width = int(std::size(cases));
    image.height = 1;
    image.values.emplace_back();
    for (const Case& c : cases)
        image.values[0].push_back(c.value);
    const auto framebuffer = load(image);
    for (int x = 0; x < image.width; ++x) {
        uint8_t byte = 42;
        ASSERT_EQ(framebuffer->readRegionLDR(x, 0, x + 1, 1, TRV_CHANNEL_R, cases[x].gamma, &byte), 0);
        EXPECT_EQ(int(byte), int(cases[x].byte)) << cases[x].value << " with gamma " << cases[x].gamma;
    }
    // A gamma that is not above 0 has no meaning.
    for (float gamma : {0.0f, -2.2f, nan}) {
        uint8_t byte = 42;
        EXPECT_EQ(framebuffer->readRegionLDR(0, 0, 1, 1, TRV_CHANNEL_R, gamma, &byte), 1);
        EXPECT_EQ(byte, 42);
    }
    EXPECT_EQ(trv::lastError(), "Parameter gamma must be above 0, was nan.\n");
}

TEST_F(ExrFramebuffer, LoadingIsLoggedWithThePath)
{
    const fs::path log = dir_ / "info.log";
    ASSERT_EQ(trv::setLogTarget(trv::InfoLog, 3, log.string()), 0);
    ExrImage image;
    image.channels = {"l.R"};
    load(image);
    EXPECT_EQ(trv::setLogTarget(trv::InfoLog, 0, ""), 0);
    std::string text = readFile(log);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    EXPECT_EQ(text,
              "Starting to load file: " + file_.string() + "\nDone loading file: " + file_.string() + "\n");
}

TEST_F(ExrFramebuffer, DestroyRemovesItFromItsListOnce)
{
    ExrImage image;
    image.channels = {"l.R"};
    writeExr(file_, image);
    owner_.push_back(std::make_shared<FSTorvoExrFramebuffer>(file_, owner_, standardName));
    owner_.push_back(std::make_shared<FSTorvoExrFramebuffer>(file_, owner_, standardName));
    const std::weak_ptr<trv::FSTorvoFramebuffer> first = owner_.front();
    trv::FSTorvoFramebuffer* second = owner_.back().get();

    EXPECT_EQ(first.lock()->destroy(), 0);
    EXPECT_TRUE(first.expired());
    ASSERT_EQ(owner_.size(), 1u);
    EXPECT_EQ(owner_.front().get(), second);

    // One that its list does not hold.
    FSTorvoExrFramebuffer stray(file_, owner_, standardName);
    EXPECT_EQ(stray.destroy(), 1);
    EXPECT_EQ(trv::lastError(), "Framebuffer not when removing it\n");
    EXPECT_EQ(owner_.size(), 1u);

    float min = 0, max = 0;
    EXPECT_EQ(stray.getNormalizationData(0, &min, &max), 6);
    EXPECT_EQ(trv::lastError(), "Normalization data can only be found in EXR frame buffers.\n");
    EXPECT_EQ(stray.getEntityNormalizationData(nullptr, 0, &min, &max), 6);
    EXPECT_EQ(trv::lastError(), "Normalization data can only be found in EXR frame buffers.\n");
}

// ---------------------------------------------------------------- damaged and missing files

TEST_F(ExrFramebuffer, MissingAndDamagedFilesThrowAndMakeNoFramebuffer)
{
    try {
        FSTorvoExrFramebuffer missing(dir_ / "none.exr", owner_, standardName);
        FAIL() << "a missing file loaded";
    } catch (const Iex::IoExc& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to open file: " + (dir_ / "none.exr").string());
    }

    ExrImage image;
    image.channels = {"Z", "b.A", "b.B", "b.G", "b.R"};
    image.width = 64;
    image.height = 40;
    writeExr(file_, image);
    const std::string whole = readFile(file_);
    // Cut at every length through the header and the offset table, then in steps through the data.
    std::vector<size_t> lengths;
    for (size_t n = 0; n < 600 && n < whole.size(); ++n)
        lengths.push_back(n);
    for (size_t n = 600; n < whole.size(); n += 97)
        lengths.push_back(n);
    lengths.push_back(whole.size() - 1);
    for (size_t length : lengths) {
        std::ofstream(file_, std::ios::binary | std::ios::trunc) << whole.substr(0, length);
        EXPECT_ANY_THROW(FSTorvoExrFramebuffer(file_, owner_, standardName)) << "cut at " << length;
    }
    EXPECT_TRUE(owner_.empty());
}

TEST_F(ExrFramebuffer, CorruptBytesNeverCrash)
{
    ExrImage image;
    image.channels = {"Z", "b.A", "b.B", "b.G", "b.R"};
    image.width = 33;
    image.height = 20;
    writeExr(file_, image);
    const std::string whole = readFile(file_);
    // Every byte of the header and offset table, and a spread of the data, set to values that
    // push fields to their extremes. A zero inside a name makes OpenEXR read text as an attribute
    // size and allocate gigabytes, which costs the sanitizer builds much time, so only some bytes
    // are cleared.
    int loaded = 0, refused = 0;
    for (size_t at = 0; at < whole.size(); at += at < 700 ? 1 : 53) {
        for (unsigned char value : {0x00, 0x7f, 0x80, 0xff}) {
            if (static_cast<unsigned char>(whole[at]) == value || (value == 0 && at % 8 != 0))
                continue;
            std::string bytes = whole;
            bytes[at] = static_cast<char>(value);
            std::ofstream(file_, std::ios::binary | std::ios::trunc) << bytes;
            try {
                FSTorvoExrFramebuffer framebuffer(file_, owner_, standardName);
                ++loaded;
            } catch (...) {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(loaded, 0);
}

TEST_F(ExrFramebuffer, HeadersClaimingHugeImagesAreRefusedWithoutTakingTheMemory)
{
    ExrImage image;
    image.channels = {"Z", "b.A", "b.B", "b.G", "b.R"};
    image.width = 2;
    image.height = 2;
    writeExr(file_, image);
    const std::string whole = readFile(file_);
    // The data window attribute: its name, its type name, a 4-byte size, then min x, min y, max x, max y.
    const std::string attribute = std::string("dataWindow") + '\0' + "box2i" + '\0';
    const size_t at = whole.find(attribute);
    ASSERT_NE(at, std::string::npos);
    const size_t box = at + attribute.size() + 4;
    struct Case {
        int32_t minX, minY, maxX, maxY;
    };
    const Case cases[] = {
        {0, 0, INT32_MAX - 1, INT32_MAX - 1}, {0, 0, 1 << 28, 15},  {INT32_MIN + 1, 0, INT32_MAX - 1, 3},
        {0, 0, 1, 1 << 30},                   {0, 0, 1 << 20, 1 << 20}, {5, 0, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.minX << "," << c.minY << " to " << c.maxX << "," << c.maxY);
        std::string bytes = whole;
        const int32_t corners[] = {c.minX, c.minY, c.maxX, c.maxY};
        std::memcpy(&bytes[box], corners, sizeof corners);
        std::ofstream(file_, std::ios::binary | std::ios::trunc) << bytes;
        EXPECT_ANY_THROW(FSTorvoExrFramebuffer(file_, owner_, standardName));
    }
}

// ----------------------------------------------------------------------- the input stream

TEST(WCharIStream, FailuresCarryTheirTexts)
{
    TestDirectory dir("exr");
    const fs::path file = dir / "four.bin";
    std::ofstream(file, std::ios::binary) << "abcd";
    trv::WCharIStream stream(file, "four.bin");
    char bytes[8] = {};
    EXPECT_TRUE(stream.read(bytes, 3));
    EXPECT_EQ(stream.tellg(), 3u);
    try {
        stream.read(bytes, 2);
        FAIL() << "read past the end";
    } catch (const Iex::InputExc& e) {
        EXPECT_STREQ(e.what(), "Unexpected end of file.");
    }
    stream.clear();
    stream.seekg(1);
    EXPECT_EQ(stream.tellg(), 1u);
    EXPECT_TRUE(stream.read(bytes, 3));
    EXPECT_EQ(std::string(bytes, 3), "bcd");

    try {
        stream.seekg(uint64_t(1) << 63);
        FAIL() << "seek beyond any offset";
    } catch (const Iex::IoExc& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to seek to position: 9223372036854775808in file: four.bin");
    }
    try {
        trv::WCharIStream missing(dir / "none.bin", "none.bin");
        FAIL() << "opened a missing file";
    } catch (const Iex::IoExc& e) {
        EXPECT_STREQ(e.what(), "Failed to open file: none.bin");
    }
}

// ------------------------------------------------------------- through the exported functions

TEST_F(ExrFramebuffer, ExportsReachTheFramebufferBehindTheHandle)
{
    ExrImage image;
    image.channels = {"Z", "beauty.A", "beauty.B", "beauty.G", "beauty.R"};
    writeExr(file_, image);
    owner_.push_back(std::make_shared<FSTorvoExrFramebuffer>(file_, owner_, standardName));
    TorvoFramebuffer handle = trv::handleOf<TorvoFramebuffer>(owner_.back().get());

    int32_t count = 0, width = 0, height = 0;
    ASSERT_EQ(TRVGetChannelCount(handle, &count), TRV_SUCCESS);
    EXPECT_EQ(count, 5);
    ASSERT_EQ(TRVGetResolution(handle, &width, &height), TRV_SUCCESS);
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 3);
    EXPECT_EQ(TRVGetChannelCount(handle, nullptr), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter count must not be NULL.\n");
    EXPECT_EQ(TRVGetResolution(handle, &width, nullptr), TRV_INVALID_PARAMETER);

    const char* names[] = {"R", "G", "B", "A", "Z"};
    for (int32_t i = 0; i < 5; ++i) {
        TorvoString name = nullptr;
        ASSERT_EQ(TRVGetChannelName(handle, i, &name), TRV_SUCCESS);
        int32_t length = 0;
        ASSERT_EQ(TRVGetLength(name, &length), TRV_SUCCESS);
        EXPECT_EQ(length, 2);  // with its terminating zero
        char text[4] = {};
        ASSERT_EQ(TRVCopy(name, text, sizeof text), TRV_SUCCESS);
        EXPECT_STREQ(text, names[i]);
        EXPECT_EQ(TRVReleaseString(name), TRV_SUCCESS);
    }
    TorvoString name = nullptr;
    EXPECT_EQ(TRVGetChannelName(handle, 5, &name), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Index 5 is invalid for this framebuffer\n");

    float rgb[3] = {};
    ASSERT_EQ(TRVReadRegionHDR(handle, 3, 2, 4, 3, TRV_CHANNEL_RGB, rgb), TRV_SUCCESS);
    EXPECT_EQ(rgb[0], testValue(4, 3, 2));
    EXPECT_EQ(rgb[2], testValue(2, 3, 2));
    EXPECT_EQ(TRVReadRegionHDR(handle, 0, 0, 5, 3, TRV_CHANNEL_RGB, rgb), TRV_INVALID_PARAMETER);
    uint8_t bytes[2] = {};
    ASSERT_EQ(TRVReadRegionLDR(handle, 0, 0, 2, 1, TRV_CHANNEL_R, 1.0f, bytes), TRV_SUCCESS);
    EXPECT_EQ(bytes[0], 255);  // 4000 clamps to 1

    ASSERT_EQ(TRVDestroyFramebuffer(handle), TRV_SUCCESS);
    EXPECT_TRUE(owner_.empty());

    const std::string nullHandle = "Invalid TorvoFramebuffer Handle: 0000000000000000\n";
    EXPECT_EQ(TRVGetChannelName(nullptr, 0, &name), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), nullHandle);
    EXPECT_EQ(TRVGetResolution(nullptr, &width, &height), TRV_INVALID_HANDLE);
    EXPECT_EQ(TRVReadRegionHDR(nullptr, 0, 0, 1, 1, 0, rgb), TRV_INVALID_HANDLE);
    EXPECT_EQ(TRVReadRegionLDR(nullptr, 0, 0, 1, 1, 0, 1.0f, bytes), TRV_INVALID_HANDLE);
    EXPECT_EQ(TRVDestroyFramebuffer(nullptr), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), nullHandle);
}

}  // namespace
