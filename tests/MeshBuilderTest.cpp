// Meshes built through the exported functions: every state and count rule, allocation failures,
// the written file, and failures to write it.
#include "core/Log.h"
#include "cache/NameHash.h"
#include "geometry/BuildAllocator.h"
#include "geometry/TempMesh.h"
#include "geometry/TempMeshFile.h"
#include "torvo.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::FileSizeLimit;
using testfiles::TestDirectory;
using trv::lastError;

namespace {

// A manager on a fresh cache directory (or on a given one), destroyed with the test.
class Cache {
public:
    Cache() : dir_(std::make_unique<TestDirectory>("mesh")), root_(dir_->path()) { create(); }
    explicit Cache(const fs::path& root) : root_(root) { create(); }
    ~Cache() { TRVDestroyManager(manager_); }
    TorvoMesh begin(const char* name)
    {
        TorvoMesh mesh = nullptr;
        EXPECT_EQ(TRVBeginMesh(manager_, name, &mesh), 0);
        return mesh;
    }
    fs::path meshFile(const char* name) const
    {
        return root_ / "meshes" / (trv::nameHash(std::string(name)) + ".ttm");
    }
    TorvoManager manager() const { return manager_; }

private:
    void create() { EXPECT_EQ(TRVCreateManager(root_.string().c_str(), TRV_CACHE_SHARED, &manager_), 0); }
    std::unique_ptr<TestDirectory> dir_;
    fs::path root_;
    TorvoManager manager_ = nullptr;
};

std::vector<TRVVec3> positions(int n)
{
    std::vector<TRVVec3> v;
    for (int i = 0; i < n; ++i)
        v.push_back({float(i), float(-i), 0.5f * float(i)});
    return v;
}

const std::vector<TRVVec3> up(64, TRVVec3{0, 0, 1});

// Runs one call and compares its status and, when given, the error line it logged.
#define EXPECT_CALL_RESULT(call, status, message)      \
    do {                                               \
        EXPECT_EQ((call), (status)) << #call;          \
        EXPECT_EQ(lastError(), std::string(message) + "\n") << #call; \
    } while (0)

// Every directory entry under dir.
std::vector<std::string> entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

}  // namespace

TEST(MeshBuilder, EveryRefusedCallLeavesTheMeshAsItWas)
{
    Cache cache;
    TorvoMesh mesh = cache.begin("checked");
    const auto p = positions(4);
    const std::vector<TRVVec2> uv(8, TRVVec2{0.5f, 0.25f});
    const std::vector<TRVLinearRGBA> colors(4, TRVLinearRGBA{1, 0.5f, 0.25f, 1});
    const std::vector<TRVVec3> tangents(4, TRVVec3{1, 0, 0});

    EXPECT_CALL_RESULT(TRVAddVertexData(mesh, nullptr, up.data(), 3), 1, "Parameter vertexData must not be NULL.");
    EXPECT_CALL_RESULT(TRVAddVertexData(mesh, p.data(), nullptr, 3), 1, "Parameter normalData must not be NULL.");
    EXPECT_CALL_RESULT(TRVAddVertexData(mesh, p.data(), up.data(), 0), 1,
                       "Parameter vertexCount must be above 0, was 0.");
    EXPECT_CALL_RESULT(TRVAddVertexData(mesh, p.data(), up.data(), -7), 1,
                       "Parameter vertexCount must be above 0, was -7.");
    // Vertices accumulate over calls.
    EXPECT_EQ(TRVAddVertexData(mesh, p.data(), up.data(), 2), 0);
    EXPECT_EQ(TRVAddVertexData(mesh, p.data() + 2, up.data(), 2), 0);
    EXPECT_CALL_RESULT(TRVEndMesh(mesh), 5, "Mesh is not ready to be finalized.");

    // Section calls outside their section.
    const int32_t tri[3] = {0, 1, 2};
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, tri, 3), 5, "Tried to add triangles when not inside a material group.");
    EXPECT_CALL_RESULT(TRVEndMaterialGroup(mesh), 5, "Tried to end a material group when not ready.");
    EXPECT_CALL_RESULT(TRVAddUVData(mesh, uv.data(), 1), 5,
                       "Tried to add uvs when not inside a begin/end uv layer state.");
    EXPECT_CALL_RESULT(TRVEndUVLayer(mesh), 5, "Tried to end a uv layer when not ready for it.");
    EXPECT_CALL_RESULT(TRVAddColorData(mesh, colors.data(), 1), 5,
                       "Tried to add colors when not inside a begin/end color layer state.");
    EXPECT_CALL_RESULT(TRVEndColorLayer(mesh), 5, "Tried to end a color layer when not ready for it.");
    EXPECT_CALL_RESULT(TRVAddTangentData(mesh, tangents.data(), tangents.data(), 1), 5,
                       "Tried to add tangents when not inside a begin/end tangents state.");
    EXPECT_CALL_RESULT(TRVEndTangents(mesh), 5, "Tried to end tangents when not ready for it.");

    // Inside a uv layer nothing else may begin, and vertices are closed.
    ASSERT_EQ(TRVBeginUVLayer(mesh, "uv"), 0);
    EXPECT_CALL_RESULT(TRVAddVertexData(mesh, p.data(), up.data(), 1), 5,
                       "Added vertices to mesh after beginning non vertex operation");
    EXPECT_CALL_RESULT(TRVBeginMaterialGroup(mesh, "m"), 5, "Tried to begin material group when not ready.");
    EXPECT_CALL_RESULT(TRVBeginUVLayer(mesh, "uv2"), 5, "Tried to begin uv layer when not ready for it.");
    EXPECT_CALL_RESULT(TRVBeginColorLayer(mesh, "c"), 5, "Tried to begin color layer when not ready for it.");
    EXPECT_CALL_RESULT(TRVBeginTangents(mesh), 5, "Tried to begin tangent input when not ready for it.");
    EXPECT_CALL_RESULT(TRVEndMesh(mesh), 5, "Mesh is not ready to be finalized.");
    EXPECT_CALL_RESULT(TRVAddUVData(mesh, uv.data(), 5), 5, "Tried to add more uvs than there are vertices.");
    EXPECT_CALL_RESULT(TRVAddUVData(mesh, uv.data(), -1), 5, "Tried to add more uvs than there are vertices.");
    EXPECT_CALL_RESULT(TRVAddUVData(mesh, nullptr, 2), 1, "Parameter uvData must not be NULL.");
    EXPECT_EQ(TRVAddUVData(mesh, uv.data(), 3), 0);
    EXPECT_CALL_RESULT(TRVEndUVLayer(mesh), 5,
                       "Tried to end a uv layer before adding the same number uv's as there are vertices.");
    EXPECT_CALL_RESULT(TRVAddUVData(mesh, uv.data(), 2), 5, "Tried to add more uvs than there are vertices.");
    EXPECT_EQ(TRVAddUVData(mesh, uv.data(), 1), 0);
    EXPECT_EQ(TRVEndUVLayer(mesh), 0);
    EXPECT_CALL_RESULT(TRVBeginUVLayer(mesh, "uv"), 3, "Duplicate uv layer name.");

    // Triangles: count and index rules; a refused call stores none of its indices.
    ASSERT_EQ(TRVBeginMaterialGroup(mesh, "m"), 0);
    const char* badCount = "Invalid triangle count, must be above 0 and divisable with 3.";
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, tri, 0), 1, badCount);
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, tri, 4), 1, badCount);
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, tri, -3), 1, badCount);
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, nullptr, 3), 1, badCount);
    const int32_t tooHigh[6] = {0, 1, 2, 1, 2, 4}, negative[3] = {0, -1, 2};
    const char* badIndex = "Added triangle index referencing non existing vertex.";
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, tooHigh, 6), 1, badIndex);
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, negative, 3), 1, badIndex);
    const int32_t good[6] = {0, 1, 2, 3, 2, 1};
    EXPECT_EQ(TRVAddTriangleData(mesh, good, 3), 0);
    EXPECT_EQ(TRVAddTriangleData(mesh, good + 3, 3), 0);
    EXPECT_EQ(TRVEndMaterialGroup(mesh), 0);
    EXPECT_EQ(TRVBeginMaterialGroup(mesh, "m"), 0) << "group names may repeat";
    EXPECT_EQ(TRVEndMaterialGroup(mesh), 0);

    // One color layer at most.
    ASSERT_EQ(TRVBeginColorLayer(mesh, "c"), 0);
    EXPECT_CALL_RESULT(TRVAddColorData(mesh, colors.data(), -2), 5, "Tried to add more colors than there are vertices.");
    EXPECT_CALL_RESULT(TRVEndColorLayer(mesh), 5,
                       "Tried to end a color layer before adding the same number of colors's as there are vertices.");
    EXPECT_EQ(TRVAddColorData(mesh, colors.data(), 4), 0);
    EXPECT_EQ(TRVEndColorLayer(mesh), 0);
    EXPECT_CALL_RESULT(TRVBeginColorLayer(mesh, "other"), 9,
                       "Adding more than one color layer not supported at the moment.");

    // One tangent section at most; tangents and bitangents arrive together.
    ASSERT_EQ(TRVBeginTangents(mesh), 0);
    EXPECT_EQ(TRVAddTangentData(mesh, tangents.data(), tangents.data(), 1), 0);
    EXPECT_CALL_RESULT(TRVEndTangents(mesh), 5,
                       "Tried to end a tangent layer before adding the same number of tangents's as there are vertices.");
    EXPECT_CALL_RESULT(TRVAddTangentData(mesh, tangents.data(), tangents.data(), 4), 5,
                       "Tried to add more tangents than there are vertices.");
    EXPECT_CALL_RESULT(TRVAddTangentData(mesh, tangents.data(), nullptr, 3), 1,
                       "Parameter bitangentData must not be NULL.");
    EXPECT_EQ(TRVAddTangentData(mesh, tangents.data(), tangents.data(), 3), 0);
    EXPECT_EQ(TRVEndTangents(mesh), 0);
    EXPECT_CALL_RESULT(TRVBeginTangents(mesh), 9, "Beginning a tangent on a mesh already having tangents.");

    ASSERT_EQ(TRVEndMesh(mesh), 0);

    // The file holds exactly what was accepted.
    trv::ttm::TempMeshFile file;
    ASSERT_TRUE(file.openForReading(cache.meshFile("checked")));
    const auto& header = *file.mesh();
    EXPECT_EQ(header.name, trv::nameHash(std::string("checked")));
    EXPECT_EQ(header.vertexCount, 4);
    EXPECT_EQ(header.uvLayerNames, std::vector<std::string>{"uv"});
    ASSERT_EQ(header.materialGroups.size(), 2u);
    EXPECT_EQ(header.materialGroups[0].triangleCount, 2);
    EXPECT_EQ(header.materialGroups[1].triangleCount, 0);
    EXPECT_TRUE(header.hasVertexColors());
    EXPECT_EQ(header.boundsMin[1], -3.0f);
    EXPECT_EQ(header.boundsMax[0], 3.0f);
    for (int i = 0; i < 4; ++i) {
        trv::ttm::TempMeshVertex v;
        float u, w;
        ASSERT_TRUE(file.mesh()->readVertex(v) && file.mesh()->readUV(u, w));
        EXPECT_EQ(v.position[2], 0.5f * float(i));
        EXPECT_EQ(v.tangent[0], 1.0f);
        EXPECT_EQ(v.color[1], 0.5f);
        EXPECT_EQ(u, 0.5f);
    }
    int32_t t[3];
    ASSERT_TRUE(file.mesh()->readTriangle(t) && file.mesh()->readTriangle(t));
    EXPECT_EQ(t[0], 3);
    EXPECT_EQ(t[2], 1);
}

TEST(MeshBuilder, AnEndedMeshRefusesEverything)
{
    Cache cache;
    TorvoMesh mesh = cache.begin("ended");
    const auto p = positions(3);
    ASSERT_EQ(TRVAddVertexData(mesh, p.data(), up.data(), 3), 0);
    ASSERT_EQ(TRVBeginMaterialGroup(mesh, "g"), 0);
    ASSERT_EQ(TRVEndMaterialGroup(mesh), 0);
    ASSERT_EQ(TRVEndMesh(mesh), 0);

    const char* ended = "Mesh already Finalized.";
    EXPECT_CALL_RESULT(TRVEndMesh(mesh), 5, ended);
    EXPECT_CALL_RESULT(TRVAddVertexData(mesh, p.data(), up.data(), 3), 5, ended);
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, nullptr, 0), 5, ended);
    EXPECT_CALL_RESULT(TRVBeginUVLayer(mesh, "u"), 5, ended);
    EXPECT_CALL_RESULT(TRVEndUVLayer(mesh), 5, ended);
    EXPECT_CALL_RESULT(TRVAddUVData(mesh, nullptr, 1), 5, ended);
    EXPECT_CALL_RESULT(TRVBeginColorLayer(mesh, "c"), 5, ended);
    EXPECT_CALL_RESULT(TRVEndColorLayer(mesh), 5, ended);
    EXPECT_CALL_RESULT(TRVAddColorData(mesh, nullptr, 1), 5, ended);
    EXPECT_CALL_RESULT(TRVBeginTangents(mesh), 5, ended);
    EXPECT_CALL_RESULT(TRVEndTangents(mesh), 5, ended);
    EXPECT_CALL_RESULT(TRVAddTangentData(mesh, nullptr, nullptr, 1), 5, ended);
    // The material group calls refuse silently: the last error stays the one before.
    const char* previous = "Invalid TorvoMesh Handle: 0000000000000000";
    EXPECT_CALL_RESULT(TRVEndMesh(nullptr), 6, previous);
    EXPECT_CALL_RESULT(TRVBeginMaterialGroup(mesh, "g"), 5, previous);
    EXPECT_CALL_RESULT(TRVEndMaterialGroup(mesh), 5, previous);

    // A mesh with only vertices cannot end; an empty group is enough.
    TorvoMesh bare = cache.begin("bare");
    ASSERT_EQ(TRVAddVertexData(bare, p.data(), up.data(), 3), 0);
    EXPECT_CALL_RESULT(TRVEndMesh(bare), 5, "Mesh is not ready to be finalized.");
}

TEST(MeshBuilder, MeshWithoutOptionalDataHasZeroTangentsAndNoColors)
{
    Cache cache;
    TorvoMesh mesh = cache.begin("plain");
    const auto p = positions(3);
    ASSERT_EQ(TRVAddVertexData(mesh, p.data(), up.data(), 3), 0);
    ASSERT_EQ(TRVBeginMaterialGroup(mesh, "only"), 0);
    ASSERT_EQ(TRVEndMaterialGroup(mesh), 0);
    ASSERT_EQ(TRVEndMesh(mesh), 0);

    const fs::path path = cache.meshFile("plain");
    const std::size_t header = 8 + 41 + 4 + 4 + 4 + 5 + 4 + 24 + 4;
    EXPECT_EQ(fs::file_size(path), header + 3 * 48);
    trv::ttm::TempMeshFile file;
    ASSERT_TRUE(file.openForReading(path));
    EXPECT_FALSE(file.mesh()->hasVertexColors());
    EXPECT_EQ(file.mesh()->materialGroups[0].triangleCount, 0);
    trv::ttm::TempMeshVertex v;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(file.mesh()->readVertex(v));
        EXPECT_EQ(v.position[0], float(i));
        EXPECT_EQ(v.normal[2], 1.0f);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(v.tangent[c] + v.bitangent[c], 0.0f);
    }
    EXPECT_EQ(entries(path.parent_path()), std::vector<std::string>{path.filename().string()})
        << "nothing but the mesh file is left in the cache";

    // A second manager on the same cache finds the ended mesh, finished.
    Cache second(path.parent_path().parent_path());
    TorvoMesh found = nullptr;
    ASSERT_EQ(TRVFindMesh(second.manager(), "plain", &found), 0);
    EXPECT_CALL_RESULT(TRVEndMesh(found), 5, "Mesh already Finalized.");
}

TEST(MeshBuilder, MeshWithoutVerticesKeepsItsSectionsAndStartingBounds)
{
    Cache cache;
    TorvoMesh mesh = cache.begin("empty");
    ASSERT_EQ(TRVBeginColorLayer(mesh, "c"), 0);
    ASSERT_EQ(TRVEndColorLayer(mesh), 0);
    ASSERT_EQ(TRVBeginUVLayer(mesh, "uv"), 0);
    ASSERT_EQ(TRVEndUVLayer(mesh), 0);
    ASSERT_EQ(TRVBeginTangents(mesh), 0);
    ASSERT_EQ(TRVEndTangents(mesh), 0);
    ASSERT_EQ(TRVBeginMaterialGroup(mesh, "g"), 0);
    ASSERT_EQ(TRVEndMaterialGroup(mesh), 0);
    ASSERT_EQ(TRVEndMesh(mesh), 0);

    const fs::path path = cache.meshFile("empty");
    EXPECT_EQ(fs::file_size(path), 8 + 41 + 4 + 4 + 3 + 4 + 2 + 4 + 24 + 4) << "no records, no triangles";
    trv::ttm::TempMeshFile file;
    ASSERT_TRUE(file.openForReading(path));
    const auto& header = *file.mesh();
    EXPECT_EQ(header.vertexCount, 0);
    EXPECT_EQ(header.uvLayerNames, std::vector<std::string>{"uv"});
    EXPECT_TRUE(header.hasVertexColors()) << "a color layer was given";
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(header.boundsMin[axis], 3.4028235e38f);
        EXPECT_EQ(header.boundsMax[axis], -3.4028235e38f);
    }
}

TEST(MeshBuilder, AllocationFailuresKeepVerticesAndNormalsEqualInLength)
{
    Cache cache;
    TorvoMesh mesh = cache.begin("short of memory");
    const auto p = positions(8);
    ASSERT_EQ(TRVAddVertexData(mesh, p.data(), up.data(), 3), 0);

    // Positions grow, normals cannot: the new positions are dropped again.
    trv::failBuildAllocationAfter(1);
    EXPECT_CALL_RESULT(TRVAddVertexData(mesh, p.data() + 3, up.data(), 5), 2, "Failed to allocate vertex or normal data.");
    trv::failBuildAllocationAfter(0);
    EXPECT_CALL_RESULT(TRVAddVertexData(mesh, p.data() + 3, up.data(), 5), 2, "Failed to allocate vertex or normal data.");
    trv::failBuildAllocationAfter(-1);

    // A refused layer is not there: its name is still free.
    trv::failBuildAllocationAfter(0);
    EXPECT_CALL_RESULT(TRVBeginUVLayer(mesh, "uv"), 2, "Failed to allocate buffer for uv data.");
    EXPECT_CALL_RESULT(TRVBeginTangents(mesh), 2, "Failed to allocate buffer for tangent data.");
    EXPECT_CALL_RESULT(TRVBeginMaterialGroup(mesh, "g"), 2, "Failed to allocate material group.");
    trv::failBuildAllocationAfter(-1);
    ASSERT_EQ(TRVBeginUVLayer(mesh, "uv"), 0);
    const std::vector<TRVVec2> uv(3, TRVVec2{1, 2});
    EXPECT_EQ(TRVAddUVData(mesh, uv.data(), 3), 0) << "the layer holds exactly three vertices' room";
    EXPECT_EQ(TRVEndUVLayer(mesh), 0);

    ASSERT_EQ(TRVBeginMaterialGroup(mesh, "g"), 0);
    const int32_t tri[3] = {2, 1, 0};
    trv::failBuildAllocationAfter(0);
    EXPECT_CALL_RESULT(TRVAddTriangleData(mesh, tri, 3), 2, "Failed to allocate buffer for triangle indices.");
    trv::failBuildAllocationAfter(-1);
    EXPECT_EQ(TRVAddTriangleData(mesh, tri, 3), 0);
    EXPECT_EQ(TRVEndMaterialGroup(mesh), 0);
    ASSERT_EQ(TRVBeginTangents(mesh), 0);
    EXPECT_EQ(TRVAddTangentData(mesh, up.data(), up.data(), 3), 0);
    EXPECT_EQ(TRVEndTangents(mesh), 0);
    ASSERT_EQ(TRVEndMesh(mesh), 0);

    trv::ttm::TempMeshFile file;
    ASSERT_TRUE(file.openForReading(cache.meshFile("short of memory")));
    EXPECT_EQ(file.mesh()->vertexCount, 3);
    ASSERT_EQ(file.mesh()->materialGroups.size(), 1u);
    EXPECT_EQ(file.mesh()->materialGroups[0].triangleCount, 1);
}

TEST(MeshBuilder, AFailedWriteKeepsTheMeshOpenAndLeavesNoFile)
{
    Cache cache;
    TorvoMesh mesh = cache.begin("big");
    const int n = 40000;  // about 2 MB of vertex records
    std::vector<TRVVec3> p(n, TRVVec3{1, 2, 3}), normals(n, TRVVec3{0, 1, 0});
    ASSERT_EQ(TRVAddVertexData(mesh, p.data(), normals.data(), n), 0);
    ASSERT_EQ(TRVBeginMaterialGroup(mesh, "g"), 0);
    ASSERT_EQ(TRVEndMaterialGroup(mesh), 0);
    const fs::path path = cache.meshFile("big");
    const fs::path meshes = path.parent_path();

    // The directory is gone: the file cannot be created.
    fs::remove_all(meshes);
    EXPECT_CALL_RESULT(TRVEndMesh(mesh), 7, "Failed to write file: " + path.string());
    fs::create_directories(meshes);

    // The disk fills up half way.
    {
        FileSizeLimit limit(256 * 1024);
        EXPECT_CALL_RESULT(TRVEndMesh(mesh), 7, "Failed to write file: " + path.string());
    }
    EXPECT_TRUE(entries(meshes).empty()) << "no partial file is left behind";
    {
        Cache later(meshes.parent_path());
        TorvoMesh found = nullptr;
        EXPECT_EQ(TRVFindMesh(later.manager(), "big", &found), 8);
    }

    // The mesh is still open and ends once the disk has room.
    ASSERT_EQ(TRVEndMesh(mesh), 0);
    EXPECT_EQ(fs::file_size(path), 8 + 41 + 4 + 4 + 4 + 2 + 4 + 24 + 4 + std::uintmax_t(n) * 48);
}
