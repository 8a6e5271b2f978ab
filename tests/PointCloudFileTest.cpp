// Point cloud files: the layout the writer produces, and the reader over result files built here.
#include "SceneTestSupport.h"

#include "cache/NameHash.h"
#include "results/PointCloudFormat.h"
#include "results/PointcloudReader.h"
#include "results/PointcloudWriter.h"

#include <cstring>

using namespace scenetest;
using trv::PointcloudReader;
namespace pc = trv::pointcloud;

namespace {

// A file in a directory of the test's own.
class TempFile {
public:
    const fs::path& path() const { return path_; }

private:
    testfiles::TestDirectory dir_{"pc"};
    fs::path path_ = dir_ / "cloud.pc";
};

uint32_t u32At(const std::string& bytes, size_t offset)
{
    return pc::getU32(reinterpret_cast<const unsigned char*>(bytes.data()) + offset);
}
float floatAt(const std::string& bytes, size_t offset)
{
    return pc::getFloat(reinterpret_cast<const unsigned char*>(bytes.data()) + offset);
}
std::string textAt(const std::string& bytes, size_t offset)
{
    return pc::getText(reinterpret_cast<const unsigned char*>(bytes.data()) + offset);
}

struct Attribute {
    std::string name;
    uint32_t size, count;
};

// A result file of the renderer's point type: every attribute filled with its running float index.
std::string resultFile(const std::vector<Attribute>& attributes, uint32_t points, uint32_t version = 1,
                       const char* pointType = pc::resultPointType, int bytesPerPointDelta = 0)
{
    std::string out;
    pc::putU32(out, version);
    pc::putText(out, pc::formatName);
    pc::putText(out, pointType);
    pc::putU32(out, 6);
    pc::putU32(out, 0);
    for (int i = 0; i < 6 + 16; ++i)
        pc::putFloat(out, 0.0f);
    uint32_t recordSize = 0;
    for (const auto& a : attributes)
        recordSize += a.size * a.count;
    pc::putU32(out, points);
    pc::putU32(out, recordSize + bytesPerPointDelta);
    pc::putU32(out, static_cast<uint32_t>(attributes.size()));
    for (const auto& a : attributes) {
        pc::putText(out, a.name.c_str());
        pc::putU32(out, a.size);
        pc::putU32(out, a.count);
    }
    float next = 0.0f;
    for (uint32_t p = 0; p < points; ++p)
        for (uint32_t i = 0; i < recordSize / 4; ++i)
            pc::putFloat(out, next++);
    return out;
}

void store(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

}  // namespace

TEST(PointCloudFile, WriterLayoutForTwoPoints)
{
    TempFile file;
    const std::vector<TRVVec3> positions = {{1, -2, 3}, {-4, 5, 0.5f}};
    const std::vector<TRVVec3> normals = {{0, 0, 1}, {0, 1, 0}};
    ASSERT_EQ(trv::PointcloudWriter::write(file.path(), positions, normals), 0);
    const std::string bytes = readFile(file.path());
    ASSERT_EQ(bytes.size(), 352u);
    EXPECT_EQ(u32At(bytes, 0), 1u);
    EXPECT_EQ(bytes.substr(4, 32), std::string("KX Point Cloud") + '\0' + std::string(17, ' '));
    EXPECT_EQ(bytes.substr(36, 32), std::string("doughPoint") + '\0' + std::string(21, ' '));
    EXPECT_EQ(u32At(bytes, 68), 6u);
    EXPECT_EQ(u32At(bytes, 72), 0u);
    const float box[6] = {-4, -2, 0.5f, 1, 5, 3};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(floatAt(bytes, 76 + 4 * i), box[i]) << i;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(floatAt(bytes, 100 + 4 * i), i % 5 == 0 ? 1.0f : 0.0f) << i;
    EXPECT_EQ(u32At(bytes, 164), 2u);
    EXPECT_EQ(u32At(bytes, 168), 28u);
    EXPECT_EQ(u32At(bytes, 172), 3u);
    const Attribute expected[] = {{"position", 4, 3}, {"index", 4, 1}, {"normal", 4, 3}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(textAt(bytes, 176 + 40 * i), expected[i].name);
        EXPECT_EQ(u32At(bytes, 176 + 40 * i + 32), 4u);
        EXPECT_EQ(u32At(bytes, 176 + 40 * i + 36), expected[i].count);
    }
    // Second point: position, index 1, normal.
    EXPECT_EQ(floatAt(bytes, 324), -4.0f);
    EXPECT_EQ(floatAt(bytes, 332), 0.5f);
    EXPECT_EQ(u32At(bytes, 336), 1u);
    EXPECT_EQ(floatAt(bytes, 344), 1.0f);
}

TEST(PointCloudFile, EmptyCloudHasAnInvertedLargestBox)
{
    TempFile file;
    ASSERT_EQ(trv::PointcloudWriter::write(file.path(), {}, {}), 0);
    const std::string bytes = readFile(file.path());
    ASSERT_EQ(bytes.size(), 296u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(floatAt(bytes, 76 + 4 * i), 3.4028235e38f);
        EXPECT_EQ(floatAt(bytes, 88 + 4 * i), -3.4028235e38f);
    }
}

TEST(PointCloudFile, ReaderTakesTheLastValuesAttribute)
{
    TempFile file;
    store(file.path(), resultFile({{"position", 4, 3}, {"index", 4, 1}, {"values", 4, 3}}, 2, 0));
    const PointcloudReader::Contents contents = PointcloudReader::read(file.path());
    EXPECT_EQ(contents.valuesPerPoint, 3u);
    EXPECT_EQ(contents.pointCount, 2u);
    // Point records hold floats 0..6 and 7..13; the values are the last three of each.
    EXPECT_EQ(contents.values, (std::vector<float>{4, 5, 6, 11, 12, 13}));

    store(file.path(), resultFile({{"position", 4, 3}}, 5));
    const PointcloudReader::Contents none = PointcloudReader::read(file.path());
    EXPECT_EQ(none.valuesPerPoint, 0u);
    EXPECT_TRUE(none.values.empty());
}

TEST(PointCloudFile, ReaderRefusesHeadersItDoesNotAccept)
{
    TempFile file;
    const std::vector<Attribute> good = {{"values", 4, 1}};
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"version 2", resultFile(good, 1, 2)},
        {"input point type", resultFile(good, 1, 1, pc::inputPointType)},
        {"values not last", resultFile({{"values", 4, 1}, {"index", 4, 1}}, 1)},
        {"bytes per point", resultFile(good, 1, 1, pc::resultPointType, 4)},
        {"values of 8-byte components", resultFile({{"values", 8, 1}}, 1)},
        // (2^32-1)^2 + 3 * 2863311529 + 8 is 2^64 + 4: a 64-bit sum wraps round to the 4 bytes per
        // point stated, with the values 4 bytes before the record.
        {"attribute sizes wrapping round",
         resultFile({{"a", 0xFFFFFFFFu, 0xFFFFFFFFu}, {"b", 3, 2863311529u}, {"values", 4, 2}}, 1)},
    };
    for (const auto& c : cases) {
        store(file.path(), c.second);
        EXPECT_THROW(PointcloudReader::read(file.path()), PointcloudReader::InvalidHeaderException) << c.first;
    }
    // A file the writer produced is of the input type.
    ASSERT_EQ(trv::PointcloudWriter::write(file.path(), {{1, 2, 3}}, {{0, 0, 1}}), 0);
    EXPECT_THROW(PointcloudReader::read(file.path()), PointcloudReader::InvalidHeaderException);
    std::string wrongName = resultFile(good, 1);
    wrongName[4] = 'k';
    store(file.path(), wrongName);
    EXPECT_THROW(PointcloudReader::read(file.path()), PointcloudReader::InvalidHeaderException);
}

TEST(PointCloudFile, PointCountBeyondTheFileIsAHeaderErrorAndShortHeadersAStreamFailure)
{
    TempFile file;
    std::string bytes = resultFile({{"values", 4, 4}}, 3);
    // Claim four billion points: refused before anything is allocated.
    bytes[164] = bytes[165] = bytes[166] = bytes[167] = '\xff';
    store(file.path(), bytes);
    EXPECT_THROW(PointcloudReader::read(file.path()), PointcloudReader::InvalidHeaderException);

    store(file.path(), resultFile({{"values", 4, 4}}, 3).substr(0, 150));
    EXPECT_THROW(PointcloudReader::read(file.path()), std::ios_base::failure);
    EXPECT_THROW(PointcloudReader::read(file.path().string() + ".missing"), std::ios_base::failure);
}

// The writer's output read back by a reader of the writer's own point type, built here: every
// point keeps its position, index and normal.
TEST(PointCloudFile, WrittenPointsRoundTrip)
{
    TempFile file;
    std::vector<TRVVec3> positions, normals;
    for (int i = 0; i < 5000; ++i) {
        positions.push_back({i * 0.5f, -i * 0.25f, 1.0f / (i + 1)});
        normals.push_back({0, i % 2 ? 1.0f : -1.0f, 0});
    }
    ASSERT_EQ(trv::PointcloudWriter::write(file.path(), positions, normals), 0);
    const std::string bytes = readFile(file.path());
    ASSERT_EQ(textAt(bytes, 36), pc::inputPointType);
    const uint32_t count = u32At(bytes, 164), recordSize = u32At(bytes, 168);
    ASSERT_EQ(count, positions.size());
    ASSERT_EQ(bytes.size(), 176 + 40 * u32At(bytes, 172) + size_t(count) * recordSize);
    size_t offset = 176 + 40 * 3;
    for (uint32_t i = 0; i < count; ++i, offset += recordSize) {
        ASSERT_EQ(floatAt(bytes, offset), positions[i].x);
        ASSERT_EQ(floatAt(bytes, offset + 4), positions[i].y);
        ASSERT_EQ(floatAt(bytes, offset + 8), positions[i].z);
        ASSERT_EQ(u32At(bytes, offset + 12), i);
        ASSERT_EQ(floatAt(bytes, offset + 16), normals[i].x);
        ASSERT_EQ(floatAt(bytes, offset + 20), normals[i].y);
        ASSERT_EQ(floatAt(bytes, offset + 24), normals[i].z);
    }
}

class PointCloud : public SceneFixture {};

TEST_F(PointCloud, EndWritesTheHashedFileAndEmptiesThePoints)
{
    TorvoPointCloud cloud = nullptr;
    ASSERT_EQ(TRVCreatePointCloud(scene_, "probes", &cloud), TRV_SUCCESS);
    const TRVVec3 positions[] = {{0, 0, 0}, {1, 1, 1}}, normals[] = {{0, 1, 0}, {0, 1, 0}};
    ASSERT_EQ(TRVAddPointCloudData(cloud, positions, normals, 2), TRV_SUCCESS);
    ASSERT_EQ(TRVAddPointCloudData(cloud, positions, normals, 1), TRV_SUCCESS);
    ASSERT_EQ(TRVEndPointCloud(cloud), TRV_SUCCESS);
    const fs::path file = scenesDirectory() / (trv::nameHash(std::string("probesroom")) + ".pc");
    EXPECT_EQ(fs::file_size(file), 296u + 3 * 28u);
    // Ending again rewrites the file with the points added since.
    ASSERT_EQ(TRVEndPointCloud(cloud), TRV_SUCCESS);
    EXPECT_EQ(fs::file_size(file), 296u);

    EXPECT_EQ(TRVAddPointCloudData(cloud, nullptr, normals, 1), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter positions must not be NULL.\n");
    EXPECT_EQ(TRVAddPointCloudData(cloud, positions, normals, -1), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVAddPointCloudData(cloud, nullptr, nullptr, 0), TRV_SUCCESS);

    // An unwritable place: the writer's stream failure reaches the frame, the points stay.
    ASSERT_EQ(TRVAddPointCloudData(cloud, positions, normals, 2), TRV_SUCCESS);
    fs::remove_all(scenesDirectory());
    EXPECT_EQ(TRVEndPointCloud(cloud), TRV_UNHANDLED_EXCEPTION);
    fs::create_directories(scenesDirectory());
    ASSERT_EQ(TRVEndPointCloud(cloud), TRV_SUCCESS);
    EXPECT_EQ(fs::file_size(file), 296u + 2 * 28u);
}
