// The header of a ".ttm" mesh file as an object, with the operations that write and read the
// file's records through the TempMeshFile the object is bound to.
//
// Layout (little-endian, no padding; strings end with one zero byte):
//   "TTM\0", version, name, vertexCount, uvLayerCount, uv layer names,
//   materialGroupCount, per group name and triangleCount, boundsMin xyz, boundsMax xyz,
//   hasVertexColors (version 2);
//   per vertex: position, normal, tangent, bitangent (4 x 3 floats), color (4 floats, when the
//   mesh has vertex colors), then one uv (2 floats) per uv layer;
//   per group in header order: its triangles, three 32-bit indices each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trv::ttm {

class TempMeshFile;

// One vertex record in memory; the writer takes as much of it as the version and flags call for.
struct TempMeshVertex {
    float position[3];
    float normal[3];
    float tangent[3];
    float bitangent[3];
    float color[4];
};

// The vertex data of a whole mesh as arrays, for writing the vertex block in one go.
struct TempMeshVertexArrays {
    std::size_t count = 0;
    const void* positions = nullptr;   // 3 floats per vertex
    const void* normals = nullptr;     // 3 floats per vertex
    const void* tangents = nullptr;    // 3 floats per vertex, or null for zeros
    const void* bitangents = nullptr;  // 3 floats per vertex, or null for zeros
    const void* colors = nullptr;      // 4 floats per vertex; written when the mesh has vertex colors
    std::vector<const void*> uvLayers;  // 2 floats per vertex each, in header order
};

struct TempMeshMaterialGroup {
    std::string name;
    int32_t triangleCount = 0;
};

class TorvoTempMeshBase {
public:
    explicit TorvoTempMeshBase(TempMeshFile* file);
    virtual ~TorvoTempMeshBase();
    TorvoTempMeshBase(const TorvoTempMeshBase&) = delete;
    TorvoTempMeshBase& operator=(const TorvoTempMeshBase&) = delete;

    virtual int32_t version() const = 0;
    // Reads the header from the name on (magic and version have been consumed). False when the
    // file ends early or holds a negative count or an over-long name.
    virtual bool readHeader();
    virtual bool readVertex(TempMeshVertex& vertex);
    virtual bool readUV(float& u, float& v);
    virtual bool readTriangle(int32_t (&indices)[3]);
    virtual void writeHeader();
    virtual void writeVertex(const TempMeshVertex& vertex);
    virtual void writeUV(float u, float v);
    virtual void writeTriangle(const int32_t* indices);
    virtual bool hasVertexColors() const;
    virtual void setHasVertexColors(bool hasColors);

    // Size of one vertex record including its uvs.
    std::size_t vertexRecordSize() const;
    // The whole vertex block, records assembled straight in the file's buffer: the same bytes as
    // writeVertex and writeUV called for every vertex. False when the arrays do not fit the header.
    bool writeVertexBlock(const TempMeshVertexArrays& arrays);
    // triangleCount triangles of three indices each, as writeTriangle writes them.
    void writeTriangleBlock(const int32_t* indices, std::size_t triangleCount);

    std::string name;
    int32_t vertexCount = 0;
    std::vector<std::string> uvLayerNames;
    std::vector<TempMeshMaterialGroup> materialGroups;
    float boundsMin[3];
    float boundsMax[3];

protected:
    TempMeshFile* file_;
};

class TorvoTempMeshV2 : public TorvoTempMeshBase {
public:
    explicit TorvoTempMeshV2(TempMeshFile* file);

    int32_t version() const override;
    bool readHeader() override;
    bool readVertex(TempMeshVertex& vertex) override;
    void writeHeader() override;
    void writeVertex(const TempMeshVertex& vertex) override;
    bool hasVertexColors() const override;
    void setHasVertexColors(bool hasColors) override;

private:
    bool hasVertexColors_ = false;
};

}  // namespace trv::ttm
