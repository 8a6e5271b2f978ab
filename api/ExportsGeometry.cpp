// Exported functions of meshes and textures.
#include "api/Frame.h"
#include "geometry/TorvoMeshStub.h"
#include "geometry/TorvoTextureStub.h"

using namespace trv;

TRV_FUNC(TRVStatus) TRVAddVertexData(TorvoMesh mesh, const TRVVec3* vertexData, const TRVVec3* normalData,
                                     int32_t vertexCount)
{
    return frame([&](TorvoMeshStub& m) { return m.addVertexData(vertexData, normalData, vertexCount); }, mesh);
}

TRV_FUNC(TRVStatus) TRVEndMesh(TorvoMesh mesh)
{
    return frame([](TorvoMeshStub& m) { return m.endMesh(); }, mesh);
}

TRV_FUNC(TRVStatus) TRVBeginMaterialGroup(TorvoMesh mesh, const void* materialName)
{
    return frame([&](TorvoMeshStub& m) { return m.beginMaterialGroup(text(materialName)); }, mesh);
}

TRV_FUNC(TRVStatus) TRVEndMaterialGroup(TorvoMesh mesh)
{
    return frame([](TorvoMeshStub& m) { return m.endMaterialGroup(); }, mesh);
}

TRV_FUNC(TRVStatus) TRVAddTriangleData(TorvoMesh mesh, const int32_t* indexData, int32_t indexCount)
{
    return frame([&](TorvoMeshStub& m) { return m.addTriangleData(indexData, indexCount); }, mesh);
}

TRV_FUNC(TRVStatus) TRVBeginUVLayer(TorvoMesh mesh, const void* layerName)
{
    return frame([&](TorvoMeshStub& m) { return m.beginUVLayer(text(layerName)); }, mesh);
}

TRV_FUNC(TRVStatus) TRVEndUVLayer(TorvoMesh mesh)
{
    return frame([](TorvoMeshStub& m) { return m.endUVLayer(); }, mesh);
}

TRV_FUNC(TRVStatus) TRVAddUVData(TorvoMesh mesh, const TRVVec2* uvData, int32_t uvCount)
{
    return frame([&](TorvoMeshStub& m) { return m.addUVData(uvData, uvCount); }, mesh);
}

TRV_FUNC(TRVStatus) TRVBeginColorLayer(TorvoMesh mesh, const void* layerName)
{
    return frame([&](TorvoMeshStub& m) { return m.beginColorLayer(text(layerName)); }, mesh);
}

TRV_FUNC(TRVStatus) TRVEndColorLayer(TorvoMesh mesh)
{
    return frame([](TorvoMeshStub& m) { return m.endColorLayer(); }, mesh);
}

TRV_FUNC(TRVStatus) TRVAddColorData(TorvoMesh mesh, const TRVLinearRGBA* colorData, int32_t colorCount)
{
    return frame([&](TorvoMeshStub& m) { return m.addColorData(colorData, colorCount); }, mesh);
}

TRV_FUNC(TRVStatus) TRVBeginTangents(TorvoMesh mesh)
{
    return frame([](TorvoMeshStub& m) { return m.beginTangents(); }, mesh);
}

TRV_FUNC(TRVStatus) TRVEndTangents(TorvoMesh mesh)
{
    return frame([](TorvoMeshStub& m) { return m.endTangents(); }, mesh);
}

TRV_FUNC(TRVStatus) TRVAddTangentData(TorvoMesh mesh, const TRVVec3* tangentData, const TRVVec3* bitangentData,
                                      int32_t tangentCount)
{
    return frame([&](TorvoMeshStub& m) { return m.addTangentData(tangentData, bitangentData, tangentCount); },
                 mesh);
}

TRV_FUNC(TRVStatus) TRVAddPixelDataHDR(TorvoTexture texture, const float* pixelData, int32_t pixelCount)
{
    return frame(
        [&](TorvoTextureStub& t) {
            if (!checkAbove("Pixel Count", pixelCount, 0) || !checkNotNull("Pixel Data", pixelData))
                return TRVStatus(Status::InvalidParameter);
            return t.addPixelDataHDR(pixelData, pixelCount);
        },
        texture);
}

TRV_FUNC(TRVStatus) TRVAddPixelDataLDR(TorvoTexture texture, const uint8_t* pixelData, int32_t pixelCount)
{
    return frame(
        [&](TorvoTextureStub& t) {
            if (!checkAbove("Pixel Count", pixelCount, 0) || !checkNotNull("Pixel Data", pixelData))
                return TRVStatus(Status::InvalidParameter);
            return t.addPixelDataLDR(pixelData, pixelCount);
        },
        texture);
}

TRV_FUNC(TRVStatus) TRVSetInputGamma(TorvoTexture texture, int32_t gammaType, float gammaValue)
{
    return frame([&](TorvoTextureStub& t) { return t.setInputGamma(gammaType, gammaValue); }, texture);
}

TRV_FUNC(TRVStatus) TRVEndTexture(TorvoTexture texture)
{
    return frame([](TorvoTextureStub& t) { return t.endTexture(); }, texture);
}
