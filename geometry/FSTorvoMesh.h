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

    [[nodiscard]] TRVStatus addVertexData(const TRVVec3* vertexData, const TRVVec3* normalData,
                                          int32_t vertexCount) override;
    [[nodiscard]] TRVStatus endMesh() override;
    [[nodiscard]] TRVStatus beginMaterialGroup(const std::string& name) override;
    [[nodiscard]] TRVStatus endMaterialGroup() override;
    [[nodiscard]] TRVStatus addTriangleData(const int32_t* indexData, int32_t indexCount) override;
    [[nodiscard]] TRVStatus beginUVLayer(const std::string& name) override;
    [[nodiscard]] TRVStatus endUVLayer() override;
    [[nodiscard]] TRVStatus addUVData(const TRVVec2* uvData, int32_t uvCount) override;
    [[nodiscard]] TRVStatus beginColorLayer(const std::string& name) override;
    [[nodiscard]] TRVStatus endColorLayer() override;
    [[nodiscard]] TRVStatus addColorData(const TRVLinearRGBA* colorData, int32_t colorCount) override;
    [[nodiscard]] TRVStatus beginTangents() override;
    [[nodiscard]] TRVStatus endTangents() override;
    [[nodiscard]] TRVStatus addTangentData(const TRVVec3* tangentData, const TRVVec3* bitangentData,
                                           int32_t tangentCount) override;

private:
    [[nodiscard]] TRVStatus finalizedRefusal() const;
    [[nodiscard]] TRVStatus vertexAllocationFailed();
    // Header, vertex block and triangle block into an open file; false when a write failed.
    bool writeFile(ttm::TempMeshFile& file) const;

    std::string name_;
    const CacheDirectories* manager_;
    std::unique_ptr<MeshBuildData> buildData_;
};

}  // namespace trv
