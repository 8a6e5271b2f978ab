#include "MeshData.h"

#include "RenderError.h"

#include "geometry/TempMeshFile.h"

#include <cmath>

namespace torvo_renderer {

namespace {

// Bytes of the header as the mesh object describes it, for checking the file's size up front.
uint64_t headerSize(const trv::ttm::TorvoTempMeshV2& mesh)
{
    // magic, version; vertex, layer and group counts; bounds; the vertex color flag
    constexpr uint64_t fixedFields = 8 + 12 + 24 + 4;
    constexpr uint64_t triangleCountField = 4;
    uint64_t size = fixedFields + mesh.name.size() + 1;
    for (const std::string& layer : mesh.uvLayerNames)
        size += layer.size() + 1;
    for (const auto& group : mesh.materialGroups)
        size += group.name.size() + 1 + triangleCountField;
    return size;
}

}  // namespace

size_t MeshData::groupOf(size_t triangle) const
{
    for (size_t g = 0; g < groups.size(); ++g)
        if (triangle < size_t(groups[g].firstTriangle) + groups[g].triangleCount)
            return g;
    return groups.empty() ? 0 : groups.size() - 1;
}

int MeshData::uvLayer(const std::string& layerName) const
{
    for (size_t i = 0; i < uvLayerNames.size(); ++i)
        if (uvLayerNames[i] == layerName)
            return static_cast<int>(i);
    return -1;
}

MeshData readMeshFile(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw badInput("Mesh file not found: " + path.string());
    const uint64_t fileSize = std::filesystem::file_size(path, ec);
    trv::ttm::TempMeshFile file;
    if (ec || !file.openForReading(path))
        throw badInput("Mesh file does not parse: " + path.string());
    trv::ttm::TorvoTempMeshV2& mesh = *file.mesh();
    const trv::ttm::TorvoTempMeshV2& header = mesh;
    const RenderError truncated = badInput("Mesh file is truncated or holds bad triangles: " + path.string());

    // Sizes come from the file: they are checked against its length before anything is allocated.
    uint64_t triangles = 0;
    for (const auto& group : header.materialGroups)
        triangles += static_cast<uint64_t>(group.triangleCount);
    const uint64_t recordSize = 48 + (header.hasVertexColors() ? 16 : 0) + 8 * uint64_t(header.uvLayerNames.size());
    const uint64_t needed = headerSize(header) + uint64_t(header.vertexCount) * recordSize + triangles * 12;
    if (needed > fileSize)
        throw truncated;

    MeshData data;
    data.name = header.name;
    data.path = path;
    data.uvLayerNames = header.uvLayerNames;
    const size_t vertexCount = static_cast<size_t>(header.vertexCount);
    data.positions.resize(vertexCount);
    data.normals.resize(vertexCount);
    data.uvLayers.assign(header.uvLayerNames.size(), std::vector<MeshUV>(vertexCount));
    if (header.hasVertexColors())
        data.colors.resize(vertexCount);
    trv::ttm::TempMeshVertex vertex{};
    for (size_t i = 0; i < vertexCount; ++i) {
        if (!mesh.readVertex(vertex))
            throw truncated;
        data.positions[i] = {vertex.position[0], vertex.position[1], vertex.position[2]};
        data.normals[i] = {vertex.normal[0], vertex.normal[1], vertex.normal[2]};
        if (!isFinite(data.positions[i]))
            throw badInput("Mesh file " + path.string() + ": vertex " + std::to_string(i) +
                           " has a position that is not a finite number");
        if (!data.colors.empty()) {
            for (int c = 0; c < 4; ++c)
                data.colors[i][static_cast<size_t>(c)] = std::isfinite(vertex.color[c]) ? vertex.color[c] : 0.0f;
        }
        for (auto& layer : data.uvLayers)
            if (!mesh.readUV(layer[i].u, layer[i].v))
                throw truncated;
    }
    data.indices.resize(static_cast<size_t>(triangles) * 3);
    size_t next = 0;
    for (const auto& group : header.materialGroups) {
        data.groups.push_back({group.name, static_cast<uint32_t>(next / 3), static_cast<uint32_t>(group.triangleCount)});
        for (int32_t t = 0; t < group.triangleCount; ++t) {
            int32_t corners[3];
            if (!mesh.readTriangle(corners))
                throw truncated;
            for (int32_t index : corners) {
                if (index < 0 || index >= header.vertexCount)
                    throw badInput("Mesh file " + path.string() + ": triangle " + std::to_string(next / 3) +
                                   " refers to vertex " + std::to_string(index) + " of " +
                                   std::to_string(header.vertexCount));
                data.indices[next++] = static_cast<uint32_t>(index);
            }
        }
    }
    return data;
}

}  // namespace torvo_renderer
