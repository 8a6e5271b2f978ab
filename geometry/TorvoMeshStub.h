#pragma once

#include "core/Handles.h"

#include <string>

namespace trv {

class TorvoMeshStub {
public:
    virtual ~TorvoMeshStub() = default;
    [[nodiscard]] virtual TRVStatus addVertexData(const TRVVec3* vertexData, const TRVVec3* normalData,
                                                  int32_t vertexCount) = 0;
    [[nodiscard]] virtual TRVStatus endMesh() = 0;
    [[nodiscard]] virtual TRVStatus beginMaterialGroup(const std::string& name) = 0;
    [[nodiscard]] virtual TRVStatus endMaterialGroup() = 0;
    [[nodiscard]] virtual TRVStatus addTriangleData(const int32_t* indexData, int32_t indexCount) = 0;
    [[nodiscard]] virtual TRVStatus beginUVLayer(const std::string& name) = 0;
    [[nodiscard]] virtual TRVStatus endUVLayer() = 0;
    [[nodiscard]] virtual TRVStatus addUVData(const TRVVec2* uvData, int32_t uvCount) = 0;
    [[nodiscard]] virtual TRVStatus beginColorLayer(const std::string& name) = 0;
    [[nodiscard]] virtual TRVStatus endColorLayer() = 0;
    [[nodiscard]] virtual TRVStatus addColorData(const TRVLinearRGBA* colorData, int32_t colorCount) = 0;
    [[nodiscard]] virtual TRVStatus beginTangents() = 0;
    [[nodiscard]] virtual TRVStatus endTangents() = 0;
    [[nodiscard]] virtual TRVStatus addTangentData(const TRVVec3* tangentData, const TRVVec3* bitangentData,
                                                   int32_t tangentCount) = 0;
};

}  // namespace trv
