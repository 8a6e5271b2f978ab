// Vertex framebuffers over ".pc" result files, and the reader's bounds on what a header claims.
#include "TestFiles.h"

#include "core/Log.h"
#include "results/FSTorvoVertexFramebuffer.h"
#include "results/PointCloudFormat.h"
#include "results/PointcloudReader.h"

#include "torvo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace pc = trv::pointcloud;
using testfiles::readFile;
using testfiles::TestDirectory;
using trv::FramebufferList;
using trv::FSTorvoVertexFramebuffer;
using trv::PointcloudReader;

namespace {

std::string letterName(int32_t index)
{
    return std::string(1, char('a' + index));
}

struct Attribute {
    const char* name;
    uint32_t size, count;
};

// A result file: point type "floatArrayPoint", point p's record holds 100 * p, 100 * p + 1, ...
// in every attribute. The record size and point count fields can be overridden.
std::string resultFile(const std::vector<Attribute>& attributes, uint32_t points, int64_t recordSizeField = -1)
{
    std::string out;
    pc::putU32(out, 1);
    pc::putText(out, pc::formatName);
    pc::putText(out, pc::resultPointType);
    pc::putU32(out, 6);
    pc::putU32(out, 0);
    for (int i = 0; i < 6 + 16; ++i)
        pc::putFloat(out, 0.0f);
    uint32_t recordSize = 0;
    for (const Attribute& a : attributes)
        recordSize += a.size * a.count;
    pc::putU32(out, points);
    pc::putU32(out, recordSizeField < 0 ? recordSize : uint32_t(recordSizeField));
    pc::putU32(out, uint32_t(attributes.size()));
    for (const Attribute& a : attributes) {
        pc::putText(out, a.name);
        pc::putU32(out, a.size);
        pc::putU32(out, a.count);
    }
    for (uint32_t p = 0; p < points; ++p)
        for (uint32_t i = 0; i < recordSize / 4; ++i)
            pc::putFloat(out, float(100 * p + i));
    return out;
}

class VertexFramebuffer : public ::testing::Test {
protected:
    std::unique_ptr<FSTorvoVertexFramebuffer> load(const std::string& bytes)
    {
        std::ofstream(file_, std::ios::binary | std::ios::trunc) << bytes;
        return std::make_unique<FSTorvoVertexFramebuffer>(file_, owner_, letterName);
    }

    TestDirectory dir_{"vertexfb"};
    fs::path file_ = dir_ / "result_pass0_entity_beauty.pc";
    FramebufferList owner_;
};

TEST_F(VertexFramebuffer, PointsAreOneRowOfTheValuesChannels)
{
    // Records of 7 floats: position (0..2), index (3), values (4..6).
    const auto framebuffer = load(resultFile({{"position", 4, 3}, {"index", 4, 1}, {"values", 4, 3}}, 5));
    int32_t count = 0, width = 0, height = 0;
    ASSERT_EQ(framebuffer->getChannelCount(&count), 0);
    ASSERT_EQ(framebuffer->getResolution(&width, &height), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(width, 5);
    EXPECT_EQ(height, 1);
    for (int32_t i = 0; i < 3; ++i) {
        TorvoString name = nullptr;
        ASSERT_EQ(framebuffer->getChannelName(i, &name), 0);
        char text[4] = {};
        ASSERT_EQ(TRVCopy(name, text, sizeof text), 0);
        EXPECT_EQ(std::string(text), letterName(i));
        TRVReleaseString(name);
    }

    std::vector<float> values(3 * 3 + 1, -1.0f);
    ASSERT_EQ(framebuffer->readRegionHDR(1, 0, 4, 1, TRV_CHANNEL_ALL, values.data()), 0);
    EXPECT_EQ(values, (std::vector<float>{104, 105, 106, 204, 205, 206, 304, 305, 306, -1}));
    ASSERT_EQ(framebuffer->readRegionHDR(4, 0, 5, 1, TRV_CHANNEL_ALL, values.data()), 0);
    EXPECT_EQ(values[2], 406.0f);
}

TEST_F(VertexFramebuffer, RegionsSelectionsAndLdrReadsAreRefused)
{
    const auto framebuffer = load(resultFile({{"values", 4, 2}}, 4));
    struct Case {
        int32_t minX, minY, maxX, maxY, selection;
        TRVStatus status;
        const char* message;
    };
    const char* region = "Invalid region for vertex data\n";
    const char* allOnly = "Vertex framebuffer only supports reading all channels\n";
    const Case cases[] = {
        {0, 0, 4, 1, TRV_CHANNEL_ALL, 0, nullptr},
        {0, 0, 4, 2, TRV_CHANNEL_ALL, 1, region},
        {0, 1, 4, 2, TRV_CHANNEL_ALL, 1, region},
        {0, 0, 5, 1, TRV_CHANNEL_ALL, 1, region},
        {2, 0, 2, 1, TRV_CHANNEL_ALL, 1, region},
        {-1, 0, 2, 1, TRV_CHANNEL_ALL, 1, region},
        {-3, 0, -1, 1, TRV_CHANNEL_ALL, 1, region},
        {0, 0, 4, 1, TRV_CHANNEL_RGBAZ, 9, allOnly},
        {0, 0, 4, 1, TRV_CHANNEL_R, 9, allOnly},
        {0, 0, 4, 1, 9, 9, allOnly},
        {0, 0, 5, 1, TRV_CHANNEL_RGBAZ, 1, region},  // the region is checked first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.minX << "," << c.minY << " to " << c.maxX << "," << c.maxY << " sel "
                                          << c.selection);
        std::vector<float> out(8, -7.0f);
        EXPECT_EQ(framebuffer->readRegionHDR(c.minX, c.minY, c.maxX, c.maxY, c.selection, out.data()), c.status);
        if (c.message) {
            EXPECT_EQ(trv::lastError(), c.message);
            EXPECT_EQ(out, std::vector<float>(8, -7.0f));
        }
    }
    uint8_t bytes[8] = {};
    EXPECT_EQ(framebuffer->readRegionLDR(0, 0, 4, 1, TRV_CHANNEL_ALL, 1.0f, bytes), 9);
    EXPECT_EQ(trv::lastError(), "Vertex framebuffer does not support LDR reading\n");
    float min = 0, max = 0;
    EXPECT_EQ(framebuffer->getNormalizationData(0, &min, &max), 6);
    EXPECT_EQ(trv::lastError(), "Normalization data can only be found in EXR frame buffers.\n");
    EXPECT_EQ(framebuffer->readRegionHDR(0, 0, 4, 1, TRV_CHANNEL_ALL, nullptr), 1);
}

TEST_F(VertexFramebuffer, ExportsAndDestroy)
{
    std::ofstream(file_, std::ios::binary) << resultFile({{"values", 4, 3}}, 2);
    owner_.push_back(std::make_shared<FSTorvoVertexFramebuffer>(file_, owner_, letterName));
    const TorvoFramebuffer handle = trv::handleOf<TorvoFramebuffer>(owner_.back().get());
    int32_t width = 0, height = 0;
    ASSERT_EQ(TRVGetResolution(handle, &width, &height), TRV_SUCCESS);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 1);
    float values[6] = {};
    ASSERT_EQ(TRVReadRegionHDR(handle, 0, 0, 2, 1, TRV_CHANNEL_ALL, values), TRV_SUCCESS);
    EXPECT_EQ(values[5], 102.0f);
    EXPECT_EQ(TRVReadRegionHDR(handle, 0, 0, 2, 1, TRV_CHANNEL_RGBAZ, values), TRV_NOT_SUPPORTED);
    uint8_t bytes[6] = {};
    EXPECT_EQ(TRVReadRegionLDR(handle, 0, 0, 2, 1, TRV_CHANNEL_ALL, 2.2f, bytes), TRV_NOT_SUPPORTED);
    ASSERT_EQ(TRVDestroyFramebuffer(handle), TRV_SUCCESS);
    EXPECT_TRUE(owner_.empty());
}

TEST_F(VertexFramebuffer, LoadingIsLoggedAndBadFilesThrow)
{
    const fs::path log = dir_ / "info.log";
    ASSERT_EQ(trv::setLogTarget(trv::InfoLog, 3, log.string()), 0);
    load(resultFile({{"values", 4, 1}}, 1));
    EXPECT_EQ(trv::setLogTarget(trv::InfoLog, 0, ""), 0);
    std::string text = readFile(log);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    EXPECT_EQ(text, "Opening point cloud file " + file_.string() + "\nClosing point cloud file " + file_.string() + "\n");

    EXPECT_THROW(load(resultFile({{"values", 4, 1}, {"index", 4, 1}}, 1)), PointcloudReader::InvalidHeaderException);
    EXPECT_THROW(load(resultFile({{"values", 4, 1}}, 3).substr(0, 100)), std::ios_base::failure);
    std::error_code ec;
    fs::remove(file_, ec);
    EXPECT_THROW(FSTorvoVertexFramebuffer(file_, owner_, letterName), std::ios_base::failure);
    EXPECT_TRUE(owner_.empty());
}

// What a header claims is held against the size of the file before anything is allocated for it.
TEST(PointCloudHeaderBounds, RecordSizeAndPointsMustFitTheFile)
{
    TestDirectory dir("vertexfb");
    const fs::path file = dir / "result.pc";
    struct Case {
        const char* what;
        std::vector<Attribute> attributes;
        uint32_t points;
        size_t cut;  // bytes dropped from the end
        bool refused;
    };
    const Case cases[] = {
        // No points and a values attribute of nearly 4 GiB per point: nothing to read, yet a
        // record buffer and a billion channel names would follow from it.
        {"no points, huge record", {{"values", 4, 0x3FFFFFFFu}}, 0, 0, true},
        {"no points, record of one file's size", {{"index", 4, 20}, {"values", 4, 30}}, 0, 0, false},
        {"no points, record larger than the file", {{"index", 4, 60}, {"values", 4, 30}}, 0, 0, true},
        {"no points, small record", {{"values", 4, 3}}, 0, 0, false},
        {"points fill the file", {{"values", 4, 3}}, 10, 0, false},
        {"one byte short", {{"values", 4, 3}}, 10, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = resultFile(c.attributes, c.points);
        bytes.resize(bytes.size() - c.cut);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        if (c.refused) {
            EXPECT_THROW(PointcloudReader::read(file), PointcloudReader::InvalidHeaderException);
        } else {
            const PointcloudReader::Contents contents = PointcloudReader::read(file);
            EXPECT_EQ(contents.pointCount, c.points);
            EXPECT_EQ(contents.values.size(), size_t(c.points) * contents.valuesPerPoint);
        }
    }
}

TEST(PointCloudHeaderBounds, AnEmptyResultGivesAFramebufferOfNoPoints)
{
    TestDirectory dir("vertexfb");
    const fs::path file = dir / "result.pc";
    std::ofstream(file, std::ios::binary) << resultFile({{"position", 4, 3}, {"values", 4, 4}}, 0);
    FramebufferList owner;
    FSTorvoVertexFramebuffer framebuffer(file, owner, letterName);
    int32_t width = -1, height = 0, count = 0;
    ASSERT_EQ(framebuffer.getResolution(&width, &height), 0);
    ASSERT_EQ(framebuffer.getChannelCount(&count), 0);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(count, 4);
    float value = 0;
    EXPECT_EQ(framebuffer.readRegionHDR(0, 0, 1, 1, TRV_CHANNEL_ALL, &value), 1);
}

}  // namespace
