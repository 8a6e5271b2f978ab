#include "geometry/FSTorvoMesh.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "cache/CacheDirectories.h"
#include "geometry/MeshBuildData.h"
#include "geometry/StagedFile.h"
#include "geometry/TempMeshFile.h"

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace trv {

namespace {

constexpr std::size_t MaxVertices = std::numeric_limits<int32_t>::max();
// A group's triangle count is stored as a 32-bit integer.
constexpr std::size_t MaxGroupIndices = std::size_t(3) * std::numeric_limits<int32_t>::max();

[[nodiscard]] TRVStatus refuse(const char* message, TRVStatus status = Status::InvalidObjectState)
{
    errorStream() << message << std::endl;
    return status;
}

// Count check of the uv, color and tangent calls: compared unsigned and wide, so that a negative count
// is always too many.
bool exceedsVertexCount(std::size_t stored, int32_t added, std::size_t vertexCount)
{
    return static_cast<uint64_t>(stored) + static_cast<uint64_t>(static_cast<uint32_t>(added)) >
           static_cast<uint64_t>(vertexCount);
}

template <class Element>
bool hasLayerNamed(const BuildArray<MeshInputLayer<Element>>& layers, const std::string& name)
{
    return std::any_of(layers.begin(), layers.end(), [&](const auto& layer) { return layer.name == name; });
}

// A new layer with room for every vertex; throws std::bad_alloc / std::length_error.
template <class Element>
void appendLayer(BuildArray<MeshInputLayer<Element>>& layers, const std::string& name, std::size_t vertexCount)
{
    MeshInputLayer<Element> layer;
    layer.name = name;
    layer.data.reserve(vertexCount);
    layers.push_back(std::move(layer));
}

}  // namespace

FSTorvoMesh::FSTorvoMesh(const CacheDirectories* manager, std::string name, bool finalized)
    : name_(std::move(name)), manager_(manager), buildData_(finalized ? nullptr : std::make_unique<MeshBuildData>())
{
}

FSTorvoMesh::~FSTorvoMesh() = default;

TRVStatus FSTorvoMesh::finalizedRefusal() const
{
    return refuse("Mesh already Finalized.");
}

TRVStatus FSTorvoMesh::addVertexData(const TRVVec3* vertexData, const TRVVec3* normalData, int32_t vertexCount)
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != Initial)
        return refuse("Added vertices to mesh after beginning non vertex operation");
    if (!checkNotNull("vertexData", vertexData) || !checkNotNull("normalData", normalData) ||
        !checkAbove("vertexCount", vertexCount, 0))
        return Status::InvalidParameter;

    const std::size_t count = static_cast<std::size_t>(vertexCount);
    const bool first = d.positions.empty();
    try {
        if (count > MaxVertices - d.positions.size())
            throw std::length_error("too many vertices");
        appendAll(d.positions, vertexData, count, first);
        appendAll(d.normals, normalData, count, first);
    } catch (const std::bad_alloc&) {
        return vertexAllocationFailed();
    } catch (const std::length_error&) {
        return vertexAllocationFailed();
    }
    return Status::Success;
}

TRVStatus FSTorvoMesh::vertexAllocationFailed()
{
    MeshBuildData& d = *buildData_;
    if (d.normals.size() < d.positions.size())
        d.positions.erase(d.positions.begin() + static_cast<std::ptrdiff_t>(d.normals.size()), d.positions.end());
    return refuse("Failed to allocate vertex or normal data.", Status::MemoryAllocation);
}

TRVStatus FSTorvoMesh::beginMaterialGroup(const std::string& name)
{
    if (!buildData_)
        return Status::InvalidObjectState;
    MeshBuildData& d = *buildData_;
    if (d.state != Initial && d.state != Ready)
        return refuse("Tried to begin material group when not ready.");
    try {
        MeshInputGroup group;
        group.name = name;
        d.materialGroups.push_back(std::move(group));
    } catch (const std::exception&) {
        return refuse("Failed to allocate material group.", Status::MemoryAllocation);
    }
    d.state = InMaterialGroup;
    return Status::Success;
}

TRVStatus FSTorvoMesh::endMaterialGroup()
{
    if (!buildData_)
        return Status::InvalidObjectState;
    if (buildData_->state != InMaterialGroup)
        return refuse("Tried to end a material group when not ready.");
    buildData_->state = Ready;
    return Status::Success;
}

TRVStatus FSTorvoMesh::addTriangleData(const int32_t* indexData, int32_t indexCount)
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != InMaterialGroup)
        return refuse("Tried to add triangles when not inside a material group.");
    if (indexCount <= 0 || indexCount % 3 != 0 || !indexData)
        return refuse("Invalid triangle count, must be above 0 and divisable with 3.", Status::InvalidParameter);
    const std::size_t count = static_cast<std::size_t>(indexCount);
    const auto vertexCount = static_cast<int64_t>(d.positions.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (indexData[i] < 0 || indexData[i] >= vertexCount)
            return refuse("Added triangle index referencing non existing vertex.", Status::InvalidParameter);
    }
    BuildArray<int32_t>& indices = d.materialGroups.back().indices;
    try {
        if (count > MaxGroupIndices - indices.size())
            throw std::length_error("too many triangles");
        appendAll(indices, indexData, count);
    } catch (const std::exception&) {
        return refuse("Failed to allocate buffer for triangle indices.", Status::MemoryAllocation);
    }
    return Status::Success;
}

TRVStatus FSTorvoMesh::beginUVLayer(const std::string& name)
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != Initial && d.state != Ready)
        return refuse("Tried to begin uv layer when not ready for it.");
    if (hasLayerNamed(d.uvLayers, name))
        return refuse("Duplicate uv layer name.", Status::DuplicateName);
    try {
        appendLayer(d.uvLayers, name, d.positions.size());
    } catch (const std::exception&) {
        return refuse("Failed to allocate buffer for uv data.", Status::MemoryAllocation);
    }
    d.state = InUVLayer;
    return Status::Success;
}

TRVStatus FSTorvoMesh::endUVLayer()
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != InUVLayer)
        return refuse("Tried to end a uv layer when not ready for it.");
    if (d.uvLayers.back().data.size() != d.positions.size())
        return refuse("Tried to end a uv layer before adding the same number uv's as there are vertices.");
    d.state = Ready;
    return Status::Success;
}

TRVStatus FSTorvoMesh::addUVData(const TRVVec2* uvData, int32_t uvCount)
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != InUVLayer)
        return refuse("Tried to add uvs when not inside a begin/end uv layer state.");
    BuildArray<TRVVec2>& uvs = d.uvLayers.back().data;
    if (exceedsVertexCount(uvs.size(), uvCount, d.positions.size()))
        return refuse("Tried to add more uvs than there are vertices.");
    if (uvCount == 0)
        return Status::Success;
    if (!checkNotNull("uvData", uvData))
        return Status::InvalidParameter;
    try {
        appendAll(uvs, uvData, static_cast<std::size_t>(uvCount));
    } catch (const std::exception&) {
        return refuse("Failed to allocate buffer for uv data.", Status::MemoryAllocation);
    }
    return Status::Success;
}

TRVStatus FSTorvoMesh::beginColorLayer(const std::string& name)
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != Initial && d.state != Ready)
        return refuse("Tried to begin color layer when not ready for it.");
    if (!d.colorLayers.empty())
        return refuse("Adding more than one color layer not supported at the moment.", Status::NotSupported);
    try {
        appendLayer(d.colorLayers, name, d.positions.size());
    } catch (const std::exception&) {
        return refuse("Failed to allocate buffer for color data.", Status::MemoryAllocation);
    }
    d.state = InColorLayer;
    return Status::Success;
}

TRVStatus FSTorvoMesh::endColorLayer()
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != InColorLayer)
        return refuse("Tried to end a color layer when not ready for it.");
    if (d.colorLayers.back().data.size() != d.positions.size())
        return refuse(
            "Tried to end a color layer before adding the same number of colors's as there are vertices.");
    d.state = Ready;
    return Status::Success;
}

TRVStatus FSTorvoMesh::addColorData(const TRVLinearRGBA* colorData, int32_t colorCount)
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != InColorLayer)
        return refuse("Tried to add colors when not inside a begin/end color layer state.");
    BuildArray<TRVLinearRGBA>& colors = d.colorLayers.back().data;
    if (exceedsVertexCount(colors.size(), colorCount, d.positions.size()))
        return refuse("Tried to add more colors than there are vertices.");
    if (colorCount == 0)
        return Status::Success;
    if (!checkNotNull("colorData", colorData))
        return Status::InvalidParameter;
    try {
        appendAll(colors, colorData, static_cast<std::size_t>(colorCount));
    } catch (const std::exception&) {
        return refuse("Failed to allocate buffer for color data.", Status::MemoryAllocation);
    }
    return Status::Success;
}

TRVStatus FSTorvoMesh::beginTangents()
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != Initial && d.state != Ready)
        return refuse("Tried to begin tangent input when not ready for it.");
    if (d.tangentsBegun)
        return refuse("Beginning a tangent on a mesh already having tangents.", Status::NotSupported);
    try {
        d.tangents.reserve(d.positions.size());
        d.bitangents.reserve(d.positions.size());
    } catch (const std::exception&) {
        BuildArray<TRVVec3>().swap(d.tangents);
        BuildArray<TRVVec3>().swap(d.bitangents);
        return refuse("Failed to allocate buffer for tangent data.", Status::MemoryAllocation);
    }
    d.tangentsBegun = true;
    d.state = InTangents;
    return Status::Success;
}

TRVStatus FSTorvoMesh::endTangents()
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != InTangents)
        return refuse("Tried to end tangents when not ready for it.");
    if (d.tangents.size() != d.positions.size())
        return refuse(
            "Tried to end a tangent layer before adding the same number of tangents's as there are vertices.");
    d.state = Ready;
    return Status::Success;
}

TRVStatus FSTorvoMesh::addTangentData(const TRVVec3* tangentData, const TRVVec3* bitangentData,
                                      int32_t tangentCount)
{
    if (!buildData_)
        return finalizedRefusal();
    MeshBuildData& d = *buildData_;
    if (d.state != InTangents)
        return refuse("Tried to add tangents when not inside a begin/end tangents state.");
    if (exceedsVertexCount(d.tangents.size(), tangentCount, d.positions.size()))
        return refuse("Tried to add more tangents than there are vertices.");
    if (tangentCount == 0)
        return Status::Success;
    if (!checkNotNull("tangentData", tangentData) || !checkNotNull("bitangentData", bitangentData))
        return Status::InvalidParameter;
    const std::size_t count = static_cast<std::size_t>(tangentCount);
    try {
        appendAll(d.tangents, tangentData, count);
        appendAll(d.bitangents, bitangentData, count);
    } catch (const std::exception&) {
        if (d.bitangents.size() < d.tangents.size())
            d.tangents.erase(d.tangents.begin() + static_cast<std::ptrdiff_t>(d.bitangents.size()), d.tangents.end());
        return refuse("Failed to allocate buffer for tangent data.", Status::MemoryAllocation);
    }
    return Status::Success;
}

std::filesystem::path FSTorvoMesh::filePath() const
{
    const std::filesystem::path file = toWide(name_ + ".ttm");
    return manager_ ? manager_->meshesDirectory() / file : file;
}

TRVStatus FSTorvoMesh::endMesh()
{
    if (!buildData_)
        return finalizedRefusal();
    if (buildData_->state != Ready)
        return refuse("Mesh is not ready to be finalized.");

    const std::filesystem::path path = filePath();
    infoStream() << "Starting to write TTM: " << toBytes(path) << std::endl;
    try {
        StagedFile staged(path);
        ttm::TempMeshFile file;
        std::string reason;
        if (!file.open(staged.temporaryPath()) || !writeFile(file) || !file.close() || !staged.commit(reason)) {
            errorStream() << "Failed to write file: " << toBytes(path) << std::endl;
            return Status::FileIOError;
        }
    } catch (const std::bad_alloc&) {
        errorStream() << "Failed to allocate the write buffer for file: " << toBytes(path) << std::endl;
        return Status::MemoryAllocation;
    }
    buildData_.reset();
    infoStream() << "Successfully wrote TTM: " << toBytes(path) << std::endl;
    return Status::Success;
}

bool FSTorvoMesh::writeFile(ttm::TempMeshFile& file) const
{
    const MeshBuildData& d = *buildData_;
    ttm::TorvoTempMeshV2& mesh = *file.mesh();
    const std::size_t vertexCount = d.positions.size();

    mesh.name = name_;
    mesh.vertexCount = static_cast<int32_t>(vertexCount);
    for (const auto& layer : d.uvLayers)
        mesh.uvLayerNames.push_back(layer.name);
    for (const auto& group : d.materialGroups)
        mesh.materialGroups.push_back({group.name, static_cast<int32_t>(group.indices.size() / 3)});
    for (const TRVVec3& p : d.positions) {
        mesh.boundsMin[0] = std::min(mesh.boundsMin[0], p.x);
        mesh.boundsMin[1] = std::min(mesh.boundsMin[1], p.y);
        mesh.boundsMin[2] = std::min(mesh.boundsMin[2], p.z);
        mesh.boundsMax[0] = std::max(mesh.boundsMax[0], p.x);
        mesh.boundsMax[1] = std::max(mesh.boundsMax[1], p.y);
        mesh.boundsMax[2] = std::max(mesh.boundsMax[2], p.z);
    }
    // A color layer marks the mesh as colored even when there are no vertices (and so no colors).
    const bool hasColors = !d.colorLayers.empty();
    const TRVLinearRGBA* colors = hasColors ? d.colorLayers.front().data.data() : nullptr;
    const bool hasTangents = d.tangents.size() == vertexCount && d.bitangents.size() == vertexCount;
    mesh.setHasVertexColors(hasColors);
    mesh.writeHeader();

    ttm::TempMeshVertexArrays arrays;
    arrays.count = vertexCount;
    arrays.positions = d.positions.data();
    arrays.normals = d.normals.data();
    arrays.tangents = hasTangents ? d.tangents.data() : nullptr;
    arrays.bitangents = hasTangents ? d.bitangents.data() : nullptr;
    arrays.colors = colors;
    for (const auto& layer : d.uvLayers)
        arrays.uvLayers.push_back(layer.data.data());
    if (!mesh.writeVertexBlock(arrays))
        return false;
    for (const auto& group : d.materialGroups)
        mesh.writeTriangleBlock(group.indices.data(), group.indices.size() / 3);
    return file.good();
}

}  // namespace trv
