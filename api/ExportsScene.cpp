// Exported functions of scenes and the objects they hold.
#include "api/Frame.h"
#include "scene/TorvoCameraStub.h"
#include "scene/TorvoInstanceStub.h"
#include "scene/TorvoLightSourceStub.h"
#include "scene/TorvoMaterialStub.h"
#include "scene/TorvoPointCloudStub.h"
#include "scene/TorvoSceneStub.h"

using namespace trv;

TRV_FUNC(TRVStatus) TRVReleaseScene(TorvoScene scene)
{
    return frame([](TorvoSceneStub& s) { return s.release(); }, scene);
}

TRV_FUNC(TRVStatus) TRVCreateInstance(TorvoScene scene, TorvoMesh mesh, const void* instanceName,
                                      const TRVMatrix4x4* transform, TorvoInstance* outInstance)
{
    return frameOut(
        outInstance,
        [&](TorvoSceneStub& s, TorvoMeshStub& m, auto& out) {
            return s.createInstance(m, text(instanceName), transform, out);
        },
        scene, mesh);
}

TRV_FUNC(TRVStatus) TRVCreatePerspectiveCamera(TorvoScene scene, const void* cameraName,
                                               const TRVMatrix4x4* transform, TorvoCamera* outCamera)
{
    return frameOut(
        outCamera,
        [&](TorvoSceneStub& s, auto& out) { return s.createPerspectiveCamera(text(cameraName), transform, out); },
        scene);
}

TRV_FUNC(TRVStatus) TRVCreateEnvironmentCamera(TorvoScene scene, const void* cameraName,
                                               const TRVMatrix4x4* transform, int32_t environmentType,
                                               TorvoCamera* outCamera)
{
    return frameOut(
        outCamera,
        [&](TorvoSceneStub& s, auto& out) {
            return s.createEnvironmentCamera(text(cameraName), transform, environmentType, out);
        },
        scene);
}

#define TRV_CREATE_LIGHT(Export, operation)                                                                       \
    TRV_FUNC(TRVStatus)                                                                                           \
    Export(TorvoScene scene, const void* lightName, const TRVMatrix4x4* transform, const TRVLinearRGB* color,     \
           TorvoLightSource* outLight)                                                                            \
    {                                                                                                             \
        return frameOut(                                                                                          \
            outLight,                                                                                             \
            [&](TorvoSceneStub& s, auto& out) { return s.operation(text(lightName), transform, color, out); },   \
            scene);                                                                                               \
    }

TRV_CREATE_LIGHT(TRVCreatePointLight, createPointLight)
TRV_CREATE_LIGHT(TRVCreateSpotLight, createSpotLight)
TRV_CREATE_LIGHT(TRVCreateDirectionalLight, createDirectionalLight)
TRV_CREATE_LIGHT(TRVCreateAreaLight, createAreaLight)
TRV_CREATE_LIGHT(TRVCreateWindowLight, createWindowLight)
#undef TRV_CREATE_LIGHT

TRV_FUNC(TRVStatus) TRVCreateMaterial(TorvoScene scene, const void* materialName, TorvoMaterial* outMaterial)
{
    return frameOut(outMaterial,
                    [&](TorvoSceneStub& s, auto& out) { return s.createMaterial(text(materialName), out); }, scene);
}

TRV_FUNC(TRVStatus) TRVFindMaterial(TorvoScene scene, const void* materialName, TorvoMaterial* outMaterial)
{
    return frameOut(outMaterial,
                    [&](TorvoSceneStub& s, auto& out) { return s.findMaterial(text(materialName), out); }, scene);
}

TRV_FUNC(TRVStatus) TRVCreatePointCloud(TorvoScene scene, const void* pointCloudName, TorvoPointCloud* outPointCloud)
{
    return frameOut(outPointCloud,
                    [&](TorvoSceneStub& s, auto& out) { return s.createPointCloud(text(pointCloudName), out); },
                    scene);
}

TRV_FUNC(TRVStatus) TRVEndScene(TorvoScene scene)
{
    return frame([](TorvoSceneStub& s) { return s.endScene(); }, scene);
}

TRV_FUNC(TRVStatus) TRVSetRenderStats(TorvoInstance instance, TRVRenderStats flags, int32_t operation)
{
    return frame([&](TorvoInstanceStub& i) { return i.setRenderStats(flags, operation); }, instance);
}

TRV_FUNC(TRVStatus) TRVAddInstanceLightLinks(TorvoInstance instance, int32_t mode, const TRVLightHandle* lights,
                                             int32_t count)
{
    return frame([&](TorvoInstanceStub& i) { return i.addLightLinks(mode, lights, count); }, instance);
}

TRV_FUNC(TRVStatus) TRVSetMaterialOverrides(TorvoInstance instance, const TRVMaterialHandle* materials, int32_t count)
{
    return frame([&](TorvoInstanceStub& i) { return i.setMaterialOverrides(materials, count); }, instance);
}

TRV_FUNC(TRVStatus) TRVAddLODInstance(TorvoInstance lowResInstance, TorvoInstance highResInstance)
{
    return frame([](TorvoInstanceStub& low, TorvoInstanceStub& high) { return low.addLODInstance(high); },
                 lowResInstance, highResInstance);
}

TRV_FUNC(TRVStatus) TRVSetFov(TorvoCamera camera, float horizontalFov, float pixelAspectRatio)
{
    return frame([&](TorvoCameraStub& c) { return c.setFov(horizontalFov, pixelAspectRatio); }, camera);
}

TRV_FUNC(TRVStatus) TRVAddPointCloudData(TorvoPointCloud pointCloud, const TRVVec3* positions,
                                         const TRVVec3* normals, int32_t count)
{
    return frame([&](TorvoPointCloudStub& p) { return p.addPointCloudData(positions, normals, count); },
                 pointCloud);
}

TRV_FUNC(TRVStatus) TRVEndPointCloud(TorvoPointCloud pointCloud)
{
    return frame([](TorvoPointCloudStub& p) { return p.endPointCloud(); }, pointCloud);
}

TRV_FUNC(TRVStatus) TRVSetShadowRadius(TorvoLightSource light, float radius)
{
    return frame([&](TorvoLightSourceStub& l) { return l.setShadowRadius(radius); }, light);
}

TRV_FUNC(TRVStatus) TRVSetShadowAngle(TorvoLightSource light, float angle)
{
    return frame([&](TorvoLightSourceStub& l) { return l.setShadowAngle(angle); }, light);
}

TRV_FUNC(TRVStatus) TRVSetCastShadows(TorvoLightSource light, TRVBool castShadows)
{
    return frame([&](TorvoLightSourceStub& l) { return l.setCastShadows(castShadows != 0); }, light);
}

TRV_FUNC(TRVStatus) TRVSetShadowSamples(TorvoLightSource light, int32_t samples)
{
    return frame(
        [&](TorvoLightSourceStub& l) {
            if (!checkAbove("Shadow samples", samples, 0))
                return TRVStatus(Status::InvalidParameter);
            return l.setShadowSamples(samples);
        },
        light);
}

TRV_FUNC(TRVStatus) TRVAddLightLightLinks(TorvoLightSource light, int32_t mode, const TRVInstanceHandle* instances,
                                          int32_t count)
{
    return frame([&](TorvoLightSourceStub& l) { return l.addLightLinks(mode, instances, count); }, light);
}

TRV_FUNC(TRVStatus) TRVSetFalloff(TorvoLightSource light, int32_t type, float exponent, float cutoff,
                                  TRVBool clampToOne)
{
    return frame([&](TorvoLightSourceStub& l) { return l.setFalloff(type, exponent, cutoff, clampToOne != 0); },
                 light);
}

TRV_FUNC(TRVStatus) TRVSetSpotlightCone(TorvoLightSource light, float coneAngle, float penumbraAngle,
                                        float penumbraExponent)
{
    return frame(
        [&](TorvoLightSourceStub& l) { return l.setSpotlightCone(coneAngle, penumbraAngle, penumbraExponent); },
        light);
}

TRV_FUNC(TRVStatus) TRVSetIntensityScale(TorvoLightSource light, float directScale, float indirectScale)
{
    return frame([&](TorvoLightSourceStub& l) { return l.setIntensityScale(directScale, indirectScale); }, light);
}

TRV_FUNC(TRVStatus) TRVSetLightRampEntry(TorvoLightSource light, float position, const TRVLinearRGB* color)
{
    return frame([&](TorvoLightSourceStub& l) { return l.addLightRampEntry(position, color); }, light);
}

TRV_FUNC(TRVStatus) TRVSetLightProjectedTexture(TorvoLightSource light, TorvoTexture texture)
{
    return frame([](TorvoLightSourceStub& l, TorvoTextureStub& t) { return l.setProjectedTexture(t); }, light,
                 texture);
}

TRV_FUNC(TRVStatus) TRVSetMaterialColor(TorvoMaterial material, int32_t channel, const TRVLinearRGBA* color)
{
    return frame([&](TorvoMaterialStub& m) { return m.setColor(channel, color); }, material);
}

TRV_FUNC(TRVStatus) TRVSetMaterialScale(TorvoMaterial material, int32_t channel, float scale)
{
    return frame([&](TorvoMaterialStub& m) { return m.setScale(channel, scale); }, material);
}

TRV_FUNC(TRVStatus) TRVSetMaterialTexture(TorvoMaterial material, int32_t channel, TorvoTexture texture)
{
    return frame([&](TorvoMaterialStub& m, TorvoTextureStub& t) { return m.setTexture(channel, t); }, material,
                 texture);
}

TRV_FUNC(TRVStatus) TRVSetMaterialUseVertexColors(TorvoMaterial material, int32_t channel)
{
    return frame([&](TorvoMaterialStub& m) { return m.setUseVertexColors(channel); }, material);
}

TRV_FUNC(TRVStatus) TRVSetChannelUVLayer(TorvoMaterial material, int32_t channel, const void* uvLayerName)
{
    return frame(
        [&](TorvoMaterialStub& m) {
            const std::string name = text(uvLayerName);
            if (!checkNotNull("UV Layer Name", uvLayerName))
                return TRVStatus(Status::InvalidParameter);
            return m.setChannelUVLayer(channel, name);
        },
        material);
}

TRV_FUNC(TRVStatus) TRVSetAlphaAsTransparency(TorvoMaterial material, TRVBool alphaAsTransparency)
{
    return frame([&](TorvoMaterialStub& m) { return m.setAlphaAsTransparency(alphaAsTransparency != 0); },
                 material);
}

TRV_FUNC(TRVStatus) TRVSetPrimaryGICorrection(TorvoMaterial material, float intensity, float saturation)
{
    return frame([&](TorvoMaterialStub& m) { return m.setPrimaryGICorrection(intensity, saturation); }, material);
}

TRV_FUNC(TRVStatus) TRVSetSecondaryGICorrection(TorvoMaterial material, float intensity, float saturation)
{
    return frame([&](TorvoMaterialStub& m) { return m.setSecondaryGICorrection(intensity, saturation); }, material);
}

TRV_FUNC(TRVStatus) TRVSetGIScale(TorvoMaterial material, float diffuseBoost, float emissiveScale,
                                  float specularScale)
{
    return frame([&](TorvoMaterialStub& m) { return m.setGIScale(diffuseBoost, emissiveScale, specularScale); },
                 material);
}
