#include "geometry/TempMesh.h"

#include "geometry/TempMeshFile.h"

#include <cfloat>
#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "mesh files are written in the machine's byte order");
static_assert(sizeof(float) == 4, "mesh files hold 32-bit floats");

namespace trv::ttm {

namespace {
const char Magic[4] = {'T', 'T', 'M', '\0'};

bool readCount(TempMeshFile& file, int32_t& count)
{
    return file.read(&count, sizeof count) && count >= 0;
}
}  // namespace

TorvoTempMeshBase::TorvoTempMeshBase(TempMeshFile* file)
    : boundsMin{FLT_MAX, FLT_MAX, FLT_MAX}, boundsMax{-FLT_MAX, -FLT_MAX, -FLT_MAX}, file_(file)
{
}

TorvoTempMeshBase::~TorvoTempMeshBase() = default;

bool TorvoTempMeshBase::readHeader()
{
    TempMeshFile& f = *file_;
    int32_t layerCount = 0;
    if (!f.readString(name) || !readCount(f, vertexCount) || !readCount(f, layerCount))
        return false;
    uvLayerNames.clear();
    for (int32_t i = 0; i < layerCount; ++i) {
        std::string layer;
        if (!f.readString(layer))
            return false;
        uvLayerNames.push_back(std::move(layer));
    }
    int32_t groupCount = 0;
    if (!readCount(f, groupCount))
        return false;
    materialGroups.clear();
    for (int32_t i = 0; i < groupCount; ++i) {
        TempMeshMaterialGroup group;
        if (!f.readString(group.name) || !readCount(f, group.triangleCount))
            return false;
        materialGroups.push_back(std::move(group));
    }
    return f.read(boundsMin, sizeof boundsMin) && f.read(boundsMax, sizeof boundsMax);
}

bool TorvoTempMeshBase::readVertex(TempMeshVertex& vertex)
{
    return file_->read(&vertex, 12 * sizeof(float));
}

bool TorvoTempMeshBase::readUV(float& u, float& v)
{
    float uv[2];
    if (!file_->read(uv, sizeof uv))
        return false;
    u = uv[0];
    v = uv[1];
    return true;
}

bool TorvoTempMeshBase::readTriangle(int32_t (&indices)[3])
{
    return file_->read(indices, sizeof indices);
}

void TorvoTempMeshBase::writeHeader()
{
    TempMeshFile& f = *file_;
    const int32_t fileVersion = version();
    f.write(Magic, sizeof Magic);
    f.write(&fileVersion, sizeof fileVersion);
    f.writeString(name);
    f.write(&vertexCount, sizeof vertexCount);
    const int32_t layerCount = static_cast<int32_t>(uvLayerNames.size());
    f.write(&layerCount, sizeof layerCount);
    for (const std::string& layer : uvLayerNames)
        f.writeString(layer);
    const int32_t groupCount = static_cast<int32_t>(materialGroups.size());
    f.write(&groupCount, sizeof groupCount);
    for (const TempMeshMaterialGroup& group : materialGroups) {
        f.writeString(group.name);
        f.write(&group.triangleCount, sizeof group.triangleCount);
    }
    f.write(boundsMin, sizeof boundsMin);
    f.write(boundsMax, sizeof boundsMax);
}

void TorvoTempMeshBase::writeVertex(const TempMeshVertex& vertex)
{
    // position, normal, tangent and bitangent lie next to each other in the record
    file_->write(&vertex, 12 * sizeof(float));
}

void TorvoTempMeshBase::writeUV(float u, float v)
{
    const float uv[2] = {u, v};
    file_->write(uv, sizeof uv);
}

void TorvoTempMeshBase::writeTriangle(const int32_t* indices)
{
    file_->write(indices, 3 * sizeof(int32_t));
}

bool TorvoTempMeshBase::hasVertexColors() const
{
    return false;
}

void TorvoTempMeshBase::setHasVertexColors(bool)
{
}

std::size_t TorvoTempMeshBase::vertexRecordSize() const
{
    return (12 + (hasVertexColors() ? 4 : 0) + 2 * uvLayerNames.size()) * sizeof(float);
}

bool TorvoTempMeshBase::writeVertexBlock(const TempMeshVertexArrays& a)
{
    if (a.uvLayers.size() != uvLayerNames.size() || (hasVertexColors() && !a.colors && a.count > 0))
        return false;
    const std::size_t recordSize = vertexRecordSize();
    const bool colors = hasVertexColors();
    const auto* positions = static_cast<const char*>(a.positions);
    const auto* normals = static_cast<const char*>(a.normals);
    const auto* tangents = static_cast<const char*>(a.tangents);
    const auto* bitangents = static_cast<const char*>(a.bitangents);
    const auto* colorBytes = static_cast<const char*>(a.colors);
    const std::size_t vec3 = 3 * sizeof(float), vec4 = 4 * sizeof(float), vec2 = 2 * sizeof(float);
    for (std::size_t i = 0; i < a.count; ++i) {
        char* out = file_->space(recordSize);
        if (!out)
            return false;
        std::memcpy(out, positions + i * vec3, vec3);
        std::memcpy(out + vec3, normals + i * vec3, vec3);
        if (tangents && bitangents) {
            std::memcpy(out + 2 * vec3, tangents + i * vec3, vec3);
            std::memcpy(out + 3 * vec3, bitangents + i * vec3, vec3);
        } else {
            std::memset(out + 2 * vec3, 0, 2 * vec3);
        }
        out += 4 * vec3;
        if (colors) {
            std::memcpy(out, colorBytes + i * vec4, vec4);
            out += vec4;
        }
        for (const void* layer : a.uvLayers) {
            std::memcpy(out, static_cast<const char*>(layer) + i * vec2, vec2);
            out += vec2;
        }
    }
    return true;
}

void TorvoTempMeshBase::writeTriangleBlock(const int32_t* indices, std::size_t triangleCount)
{
    if (triangleCount > 0)
        file_->write(indices, triangleCount * 3 * sizeof(int32_t));
}

TorvoTempMeshV2::TorvoTempMeshV2(TempMeshFile* file) : TorvoTempMeshBase(file) {}

int32_t TorvoTempMeshV2::version() const
{
    return 2;
}

bool TorvoTempMeshV2::readHeader()
{
    int32_t colors = 0;
    if (!TorvoTempMeshBase::readHeader() || !file_->read(&colors, sizeof colors))
        return false;
    hasVertexColors_ = colors != 0;
    return true;
}

bool TorvoTempMeshV2::readVertex(TempMeshVertex& vertex)
{
    if (!TorvoTempMeshBase::readVertex(vertex))
        return false;
    if (hasVertexColors_)
        return file_->read(vertex.color, sizeof vertex.color);
    vertex.color[0] = vertex.color[1] = vertex.color[2] = vertex.color[3] = 0.0f;
    return true;
}

void TorvoTempMeshV2::writeHeader()
{
    TorvoTempMeshBase::writeHeader();
    const int32_t colors = hasVertexColors_ ? 1 : 0;
    file_->write(&colors, sizeof colors);
}

void TorvoTempMeshV2::writeVertex(const TempMeshVertex& vertex)
{
    TorvoTempMeshBase::writeVertex(vertex);
    if (hasVertexColors_)
        file_->write(vertex.color, sizeof vertex.color);
}

bool TorvoTempMeshV2::hasVertexColors() const
{
    return hasVertexColors_;
}

void TorvoTempMeshV2::setHasVertexColors(bool hasColors)
{
    hasVertexColors_ = hasColors;
}

}  // namespace trv::ttm
