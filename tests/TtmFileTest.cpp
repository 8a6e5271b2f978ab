// The ".ttm" mesh file: byte layout written by the mesh objects, reading back, failing streams.
#include "geometry/TempMesh.h"
#include "geometry/TempMeshFile.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::TestDirectory;
using trv::ttm::TempMeshFile;
using trv::ttm::TempMeshVertex;

namespace {

std::vector<unsigned char> readBytes(const fs::path& file)
{
    const std::string bytes = testfiles::readFile(file);
    return {bytes.begin(), bytes.end()};
}

// Little-endian byte images of the fields, assembled independently of the writer.
struct Bytes {
    std::vector<unsigned char> data;
    Bytes& i32(int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data.push_back(static_cast<unsigned char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
        return *this;
    }
    Bytes& f32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return i32(static_cast<int32_t>(bits));
    }
    Bytes& str(const std::string& s)
    {
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(0);
        return *this;
    }
};

TempMeshVertex vertexAt(int i)
{
    TempMeshVertex v{};
    for (int c = 0; c < 3; ++c) {
        v.position[c] = float(i) + 0.25f * float(c);
        v.normal[c] = c == 2 ? 1.0f : 0.0f;
    }
    return v;
}

}  // namespace

TEST(TtmFile, SmallestMeshHasTheFixedByteLayout)
{
    TestDirectory dir("ttm");
    const fs::path file = dir / "m.ttm";
    TempMeshFile out;
    ASSERT_TRUE(out.open(file));
    EXPECT_FALSE(out.open(file)) << "a second open while a file is open";
    auto& mesh = *out.mesh();
    EXPECT_EQ(mesh.version(), 2);
    mesh.name = "abc";
    mesh.vertexCount = 3;
    mesh.materialGroups.push_back({"g", 1});
    const float lo[3] = {0, 0, 0}, hi[3] = {2, 2.25f, 2.5f};
    std::memcpy(mesh.boundsMin, lo, sizeof lo);
    std::memcpy(mesh.boundsMax, hi, sizeof hi);
    mesh.writeHeader();
    for (int i = 0; i < 3; ++i)
        mesh.writeVertex(vertexAt(i));
    const int32_t triangle[3] = {0, 1, 2};
    mesh.writeTriangle(triangle);
    ASSERT_TRUE(out.close());

    Bytes expected;
    expected.str("TTM").i32(2).str("abc").i32(3).i32(0).i32(1).str("g").i32(1);
    expected.f32(0).f32(0).f32(0).f32(2).f32(2.25f).f32(2.5f).i32(0);
    ASSERT_EQ(expected.data.size(), 4u + 4 + 4 + 4 + 4 + 4 + 2 + 4 + 12 + 12 + 4);
    for (int i = 0; i < 3; ++i) {
        const TempMeshVertex v = vertexAt(i);
        for (float f : v.position)
            expected.f32(f);
        for (float f : v.normal)
            expected.f32(f);
        for (int k = 0; k < 6; ++k)
            expected.f32(0.0f);  // no tangents, no bitangents
    }
    expected.i32(0).i32(1).i32(2);
    EXPECT_EQ(readBytes(file), expected.data);
}

TEST(TtmFile, ColorsUvLayersAndEmptyGroupsRoundTrip)
{
    TestDirectory dir("ttm");
    const fs::path file = dir / "big.ttm";
    // More than one write buffer of records, so that records straddle buffer boundaries.
    const int vertices = int(TempMeshFile::BufferSize / 80) + 1234;
    {
        TempMeshFile out;
        ASSERT_TRUE(out.open(file));
        auto& mesh = *out.mesh();
        mesh.name = "n";
        mesh.vertexCount = vertices;
        mesh.uvLayerNames = {"first", "second"};
        mesh.materialGroups = {{"same", 0}, {"same", 2}};
        mesh.setHasVertexColors(true);
        mesh.writeHeader();
        EXPECT_EQ(mesh.vertexRecordSize(), 48u + 16 + 16);
        for (int i = 0; i < vertices; ++i) {
            TempMeshVertex v = vertexAt(i);
            v.tangent[0] = 1;
            v.bitangent[1] = 1;
            v.color[3] = float(i);
            mesh.writeVertex(v);
            mesh.writeUV(float(i), 0.5f);
            mesh.writeUV(-float(i), 0.25f);
        }
        const int32_t a[3] = {0, 1, 2}, b[3] = {vertices - 1, 0, 1};
        mesh.writeTriangle(a);
        mesh.writeTriangle(b);
        ASSERT_TRUE(out.close());
    }
    const std::size_t header = 4 + 4 + 2 + 4 + 4 + 6 + 7 + 4 + 5 + 4 + 5 + 4 + 24 + 4;
    EXPECT_EQ(fs::file_size(file), header + std::size_t(vertices) * 80 + 24);

    TempMeshFile in;
    ASSERT_TRUE(in.openForReading(file));
    auto& mesh = *in.mesh();
    EXPECT_EQ(mesh.name, "n");
    EXPECT_EQ(mesh.vertexCount, vertices);
    EXPECT_EQ(mesh.uvLayerNames, (std::vector<std::string>{"first", "second"}));
    ASSERT_EQ(mesh.materialGroups.size(), 2u);
    EXPECT_EQ(mesh.materialGroups[0].triangleCount, 0);
    EXPECT_EQ(mesh.materialGroups[1].name, "same");
    EXPECT_EQ(mesh.materialGroups[1].triangleCount, 2);
    EXPECT_TRUE(mesh.hasVertexColors());
    EXPECT_EQ(mesh.boundsMin[0], FLT_MAX) << "bounds keep their starting values when not set";
    EXPECT_EQ(mesh.boundsMax[2], -FLT_MAX);
    for (int i = 0; i < vertices; ++i) {
        TempMeshVertex v;
        float u1, v1, u2, v2;
        ASSERT_TRUE(mesh.readVertex(v) && mesh.readUV(u1, v1) && mesh.readUV(u2, v2)) << i;
        ASSERT_EQ(v.position[0], float(i));
        ASSERT_EQ(v.tangent[0], 1.0f);
        ASSERT_EQ(v.bitangent[1], 1.0f);
        ASSERT_EQ(v.color[3], float(i));
        ASSERT_EQ(u1, float(i));
        ASSERT_EQ(u2, -float(i));
        ASSERT_EQ(v2, 0.25f);
    }
    int32_t t[3];
    ASSERT_TRUE(mesh.readTriangle(t) && mesh.readTriangle(t));
    EXPECT_EQ(t[0], vertices - 1);
    EXPECT_FALSE(mesh.readTriangle(t)) << "the file ends after the last triangle";
}

TEST(TtmFile, ReaderRefusesWhatIsNotAVersion2MeshFile)
{
    TestDirectory dir("ttm");
    auto refuses = [&](const Bytes& bytes) {
        const fs::path file = dir / "x.ttm";
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data.data()),
                                                    std::streamsize(bytes.data.size()));
        TempMeshFile in;
        const bool opened = in.openForReading(file);
        return !opened && !in.isOpen() && in.mesh() == nullptr;
    };
    Bytes good;
    good.str("TTM").i32(2).str("n").i32(0).i32(0).i32(0);
    for (int i = 0; i < 6; ++i)
        good.f32(0);
    good.i32(1);
    EXPECT_FALSE(refuses(good));

    EXPECT_TRUE(refuses(Bytes().str("TTX").i32(2)));
    EXPECT_TRUE(refuses(Bytes().str("TTM").i32(1)));
    EXPECT_TRUE(refuses(Bytes().str("TTM").i32(2).str("n").i32(-1).i32(0).i32(0)));
    EXPECT_TRUE(refuses(Bytes().str("TTM").i32(2).str("n").i32(0).i32(0x7fffffff)));
    EXPECT_TRUE(refuses(Bytes().str("TTM").i32(2).str("n").i32(0).i32(0).i32(1).str("g").i32(-3)));
    Bytes truncated;
    truncated.data.assign(good.data.begin(), good.data.end() - 1);
    EXPECT_TRUE(refuses(truncated));
    Bytes unterminated;
    unterminated.str("TTM").i32(2);
    unterminated.data.insert(unterminated.data.end(), 100, 'a');
    EXPECT_TRUE(refuses(unterminated));
    EXPECT_FALSE(TempMeshFile().openForReading(dir / "missing.ttm"));
}

TEST(TtmFile, CloseReportsWritesThatDidNotReachTheFile)
{
    // A stream with room for 100 bytes: the header fits, the vertex block does not.
    char room[100];
    TempMeshFile out;
    ASSERT_TRUE(out.open(fmemopen(room, sizeof room, "wb")));
    auto& mesh = *out.mesh();
    mesh.name = "n";
    mesh.vertexCount = 10;
    mesh.writeHeader();
    for (int i = 0; i < 10; ++i)
        mesh.writeVertex(vertexAt(i));
    EXPECT_FALSE(out.close());
    EXPECT_FALSE(out.isOpen());

    // The same amount of data written after a successful reopen is judged afresh.
    char large[4096];
    ASSERT_TRUE(out.open(fmemopen(large, sizeof large, "wb")));
    out.mesh()->writeHeader();
    EXPECT_TRUE(out.close());

    // A full device reports the loss when the buffer is handed over.
    if (std::FILE* full = std::fopen("/dev/full", "wb")) {
        ASSERT_TRUE(out.open(full));
        out.mesh()->writeHeader();
        EXPECT_FALSE(out.close());
    }
}

TEST(TtmFile, VertexBlockWritesTheSameBytesAsRecordByRecord)
{
    TestDirectory dir("ttm");
    const int n = int(TempMeshFile::BufferSize / 80) + 77;  // crosses buffer boundaries
    std::vector<float> positions, normals, tangents, bitangents, colors, uv0, uv1;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            positions.push_back(float(i * 3 + c));
            normals.push_back(float(-c));
            tangents.push_back(float(i) * 0.5f);
            bitangents.push_back(float(c) + 0.25f);
        }
        for (int c = 0; c < 4; ++c)
            colors.push_back(float(i % 7) + float(c));
        uv0.insert(uv0.end(), {float(i), 1.0f});
        uv1.insert(uv1.end(), {2.0f, float(-i)});
    }
    const int32_t indices[6] = {0, 1, 2, 2, 1, 0};

    for (const bool withTangents : {true, false}) {
        SCOPED_TRACE(withTangents ? "tangents" : "no tangents");
        auto writeWith = [&](const fs::path& file, bool block) {
            TempMeshFile out;
            EXPECT_TRUE(out.open(file));
            auto& mesh = *out.mesh();
            mesh.name = "block";
            mesh.vertexCount = n;
            mesh.uvLayerNames = {"a", "b"};
            mesh.materialGroups = {{"g", 2}};
            mesh.setHasVertexColors(true);
            mesh.writeHeader();
            if (block) {
                trv::ttm::TempMeshVertexArrays arrays;
                arrays.count = std::size_t(n);
                arrays.positions = positions.data();
                arrays.normals = normals.data();
                arrays.tangents = withTangents ? tangents.data() : nullptr;
                arrays.bitangents = withTangents ? bitangents.data() : nullptr;
                arrays.colors = colors.data();
                arrays.uvLayers = {uv0.data(), uv1.data()};
                EXPECT_TRUE(mesh.writeVertexBlock(arrays));
                mesh.writeTriangleBlock(indices, 2);
            } else {
                for (int i = 0; i < n; ++i) {
                    TempMeshVertex v{};
                    std::memcpy(v.position, &positions[size_t(i) * 3], 12);
                    std::memcpy(v.normal, &normals[size_t(i) * 3], 12);
                    if (withTangents) {
                        std::memcpy(v.tangent, &tangents[size_t(i) * 3], 12);
                        std::memcpy(v.bitangent, &bitangents[size_t(i) * 3], 12);
                    }
                    std::memcpy(v.color, &colors[size_t(i) * 4], 16);
                    mesh.writeVertex(v);
                    mesh.writeUV(uv0[size_t(i) * 2], uv0[size_t(i) * 2 + 1]);
                    mesh.writeUV(uv1[size_t(i) * 2], uv1[size_t(i) * 2 + 1]);
                }
                mesh.writeTriangle(indices);
                mesh.writeTriangle(indices + 3);
            }
            EXPECT_TRUE(out.close());
        };
        writeWith(dir / "records.ttm", false);
        writeWith(dir / "block.ttm", true);
        const auto records = readBytes(dir / "records.ttm");
        EXPECT_EQ(records.size(), 4u + 4 + 6 + 4 + 4 + 2 + 2 + 4 + 2 + 4 + 24 + 4 + std::size_t(n) * 80 + 24);
        EXPECT_TRUE(records == readBytes(dir / "block.ttm"));
    }

    // Arrays that do not fit the header are refused before anything is written.
    TempMeshFile out;
    ASSERT_TRUE(out.open(dir / "refused.ttm"));
    out.mesh()->uvLayerNames = {"a"};
    trv::ttm::TempMeshVertexArrays none;
    EXPECT_FALSE(out.mesh()->writeVertexBlock(none));
}
