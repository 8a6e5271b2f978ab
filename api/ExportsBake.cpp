// Exported functions of passes, targets, entities, framebuffers and normalization data.
// Their objects come with the bake subsystems; until then each answers status 4 through the frame.
#include "api/Frame.h"

using namespace trv;

TRV_FUNC(TRVStatus) TRVNormalizeTextures(TorvoRenderPass pass, TRVBool) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVAddFullyBakedLight(TorvoRenderPass pass, TorvoLightSource light)
{
    return notImplemented(pass, light);
}
TRV_FUNC(TRVStatus) TRVSetLambertianClamp(TorvoRenderPass pass, float) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVSetAllowNegative(TorvoRenderPass pass, int32_t) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVIncludeNormalComponent(TorvoRenderPass pass) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVRNMMatchNormalIntensity(TorvoRenderPass pass) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVSetAOAdaptive(TorvoRenderPass pass, float, float) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVSetAONumRays(TorvoRenderPass pass, int32_t, int32_t) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVSetAOContrast(TorvoRenderPass pass, float, float) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVSetAOUniformSampling(TorvoRenderPass pass) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVSetAOSelfOcclusion(TorvoRenderPass pass, int32_t) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVEnableAOBentNormals(TorvoRenderPass pass) { return notImplemented(pass); }
TRV_FUNC(TRVStatus) TRVCreateLightPassEntry(TorvoRenderPass pass, TorvoLightPassEntry*)
{
    return notImplemented(pass);
}
TRV_FUNC(TRVStatus) TRVAddLightToPass(TorvoLightPassEntry entry, TorvoLightSource light)
{
    return notImplemented(entry, light);
}
TRV_FUNC(TRVStatus) TRVAddTargetToPass(TorvoLightPassEntry entry, TorvoTargetEntity entity)
{
    return notImplemented(entry, entity);
}
TRV_FUNC(TRVStatus) TRVEnableSignedDistanceField(TorvoRenderPass pass, int32_t, float)
{
    return notImplemented(pass);
}

TRV_FUNC(TRVStatus) TRVAddBakeInstance(TorvoTarget target, TorvoInstance instance, TorvoTargetEntity*)
{
    return notImplemented(instance, target);
}
TRV_FUNC(TRVStatus) TRVAddBakePointCloud(TorvoTarget target, TorvoPointCloud pointCloud, TorvoTargetEntity*)
{
    return notImplemented(pointCloud, target);
}
TRV_FUNC(TRVStatus) TRVAddPassToTarget(TorvoTarget target, TorvoRenderPass pass)
{
    return notImplemented(target, pass);
}
TRV_FUNC(TRVStatus) TRVGetFramebufferCount(TorvoTarget target, int32_t*) { return notImplemented(target); }
TRV_FUNC(TRVStatus) TRVGetFramebuffer(TorvoTarget target, TorvoRenderPass pass, int32_t, TorvoFramebuffer*)
{
    return notImplemented(target, pass);
}
TRV_FUNC(TRVStatus) TRVGetVertexbuffer(TorvoTarget target, TorvoRenderPass pass, TorvoTargetEntity entity,
                                       TorvoFramebuffer*)
{
    return notImplemented(target, pass, entity);
}
TRV_FUNC(TRVStatus) TRVSetBakeUVSet(TorvoTargetEntity entity, const void*) { return notImplemented(entity); }
TRV_FUNC(TRVStatus) TRVSetUVTransform(TorvoTargetEntity entity, const float*, const float*)
{
    return notImplemented(entity);
}
TRV_FUNC(TRVStatus) TRVSetBakeResolution(TorvoTargetEntity entity, int32_t, int32_t) { return notImplemented(entity); }
TRV_FUNC(TRVStatus) TRVSetTexelScale(TorvoTargetEntity entity, float) { return notImplemented(entity); }
TRV_FUNC(TRVStatus) TRVSetAtlasPadding(TorvoTarget target, int32_t) { return notImplemented(target); }
TRV_FUNC(TRVStatus) TRVSetAtlasPacking(TorvoTarget target, int32_t) { return notImplemented(target); }
TRV_FUNC(TRVStatus) TRVSetAtlasAlignment(TorvoTarget target, int32_t) { return notImplemented(target); }
TRV_FUNC(TRVStatus) TRVEnableAtlasSpatial(TorvoTarget target) { return notImplemented(target); }
TRV_FUNC(TRVStatus) TRVGetAtlasInformation(TorvoTargetEntity entity, int32_t*, float*, float*)
{
    return notImplemented(entity);
}
TRV_FUNC(TRVStatus) TRVGetNormalizationData(TorvoTargetEntity entity, TorvoRenderPass pass, int32_t, float*, float*)
{
    return notImplemented(entity, pass);
}
