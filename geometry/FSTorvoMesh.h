// A mesh built through begin/add/end calls and stored as a ".ttm" file in the cache.
#pragma once

#include "geometry/TorvoMeshStub.h"

#include <filesystem>
#include <memory>
#include <string>

namespace trv {

class CacheDirectories;
struct MeshBuildData;
namespace ttm {
class TempMeshFile;
}

class FSTorvoMesh : public TorvoMeshStub {
public:
    // name is the hashed cache name; a mesh found in the cache is created finalized.
    FSTorvoMesh(const CacheDirectories* manager, std::string name, bool finalized);
    ~FSTorvoMesh() override;

    const std::string& name() const { return name_; }
    bool isFinalized() const { return !buildData_; }
    // The mesh's file: the manager's meshes directory joined with name + ".ttm".
    std::filesystem::path filePath() const;

    TRVStatus addVertexData(const TRVVec3* vertexData, const TRVVec3* normalData, int32_t vertexCount) override;
    TRVStatus endMesh() override;
    TRVStatus beginMaterialGroup(const std::string& name) override;
    TRVStatus endMaterialGroup() override;
    TRVStatus addTriangleData(const int32_t* indexData, int32_t indexCount) override;
    TRVStatus beginUVLayer(const std::string& name) override;
    TRVStatus endUVLayer() override;
    TRVStatus addUVData(const TRVVec2* uvData, int32_t uvCount) override;
    TRVStatus beginColorLayer(const std::string& name) override;
    TRVStatus endColorLayer() override;
    TRVStatus addColorData(const TRVLinearRGBA* colorData, int32_t colorCount) override;
    TRVStatus beginTangents() override;
    TRVStatus endTangents() override;
    TRVStatus addTangentData(const TRVVec3* tangentData, const TRVVec3* bitangentData, int32_t tangentCount) override;

private:
    TRVStatus finalizedRefusal() const;
    TRVStatus vertexAllocationFailed();
    // Header, vertex block and triangle block into an open file; false when a write failed.
    bool writeFile(ttm::TempMeshFile& file) const;

    std::string name_;
    const CacheDirectories* manager_;
    std::unique_ptr<MeshBuildData> buildData_;
};

}  // namespace trv
