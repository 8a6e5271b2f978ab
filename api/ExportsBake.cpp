// Exported functions of passes, light pass entries, targets, entities and normalization data.
#include "api/Frame.h"
#include "bake/TorvoLightPassEntryStub.h"
#include "bake/TorvoRenderPassStub.h"
#include "bake/TorvoTargetEntityStub.h"
#include "bake/TorvoTargetStub.h"
#include "scene/TorvoInstanceStub.h"
#include "scene/TorvoLightSourceStub.h"
#include "scene/TorvoPointCloudStub.h"

using namespace trv;

TRV_FUNC(TRVStatus) TRVNormalizeTextures(TorvoRenderPass pass, TRVBool perChannel)
{
    return frame([&](TorvoRenderPassStub& p) { return p.setNormalization(perChannel != 0); }, pass);
}

TRV_FUNC(TRVStatus) TRVAddFullyBakedLight(TorvoRenderPass pass, TorvoLightSource light)
{
    return frame([](TorvoRenderPassStub& p, TorvoLightSourceStub& l) { return p.addFullyBakedLight(l); }, pass,
                 light);
}

TRV_FUNC(TRVStatus) TRVSetLambertianClamp(TorvoRenderPass pass, float value)
{
    return frame([&](TorvoRenderPassStub& p) { return p.setLambertianClamp(value); }, pass);
}

TRV_FUNC(TRVStatus) TRVSetAllowNegative(TorvoRenderPass pass, int32_t mode)
{
    return frame([&](TorvoRenderPassStub& p) { return p.setAllowNegative(mode); }, pass);
}

TRV_FUNC(TRVStatus) TRVIncludeNormalComponent(TorvoRenderPass pass)
{
    return frame([](TorvoRenderPassStub& p) { return p.includeNormalComponent(); }, pass);
}

TRV_FUNC(TRVStatus) TRVRNMMatchNormalIntensity(TorvoRenderPass pass)
{
    return frame([](TorvoRenderPassStub& p) { return p.matchNormalIntensity(); }, pass);
}

TRV_FUNC(TRVStatus) TRVSetAOAdaptive(TorvoRenderPass pass, float accuracy, float smooth)
{
    return frame([&](TorvoRenderPassStub& p) { return p.setAOAdaptive(accuracy, smooth); }, pass);
}

TRV_FUNC(TRVStatus) TRVSetAONumRays(TorvoRenderPass pass, int32_t minRays, int32_t maxRays)
{
    return frame([&](TorvoRenderPassStub& p) { return p.setAONumRays(minRays, maxRays); }, pass);
}

TRV_FUNC(TRVStatus) TRVSetAOContrast(TorvoRenderPass pass, float contrast, float scale)
{
    return frame([&](TorvoRenderPassStub& p) { return p.setAOContrast(contrast, scale); }, pass);
}

TRV_FUNC(TRVStatus) TRVSetAOUniformSampling(TorvoRenderPass pass)
{
    return frame([](TorvoRenderPassStub& p) { return p.setAOUniformSampling(); }, pass);
}

TRV_FUNC(TRVStatus) TRVSetAOSelfOcclusion(TorvoRenderPass pass, int32_t mode)
{
    return frame([&](TorvoRenderPassStub& p) { return p.setAOSelfOcclusion(mode); }, pass);
}

TRV_FUNC(TRVStatus) TRVEnableAOBentNormals(TorvoRenderPass pass)
{
    return frame([](TorvoRenderPassStub& p) { return p.enableAOBentNormals(); }, pass);
}

TRV_FUNC(TRVStatus) TRVCreateLightPassEntry(TorvoRenderPass pass, TorvoLightPassEntry* outEntry)
{
    return frameOut(
        outEntry, [](TorvoRenderPassStub& p, auto& out) { return p.createLightPassEntry(out); }, pass);
}

TRV_FUNC(TRVStatus) TRVAddLightToPass(TorvoLightPassEntry entry, TorvoLightSource light)
{
    return frame([](TorvoLightPassEntryStub& e, TorvoLightSourceStub& l) { return e.addLight(l); }, entry, light);
}

TRV_FUNC(TRVStatus) TRVAddTargetToPass(TorvoLightPassEntry entry, TorvoTargetEntity entity)
{
    return frame([](TorvoLightPassEntryStub& e, TorvoTargetEntityStub& t) { return e.addTarget(t); }, entry,
                 entity);
}

TRV_FUNC(TRVStatus) TRVEnableSignedDistanceField(TorvoRenderPass pass, int32_t pixelFilterSize,
                                                 float maxWorldDistance)
{
    return frame([&](TorvoRenderPassStub& p) { return p.enableSignedDistanceField(pixelFilterSize, maxWorldDistance); },
                 pass);
}

TRV_FUNC(TRVStatus) TRVAddBakeInstance(TorvoTarget target, TorvoInstance instance, TorvoTargetEntity* outEntity)
{
    return frameOut(
        outEntity,
        [](TorvoInstanceStub& i, TorvoTargetStub& t, auto& out) { return t.addBakeInstance(i, out); }, instance,
        target);
}

TRV_FUNC(TRVStatus) TRVAddBakePointCloud(TorvoTarget target, TorvoPointCloud pointCloud,
                                         TorvoTargetEntity* outEntity)
{
    return frameOut(
        outEntity,
        [](TorvoPointCloudStub& c, TorvoTargetStub& t, auto& out) { return t.addBakePointCloud(c, out); },
        pointCloud, target);
}

TRV_FUNC(TRVStatus) TRVAddPassToTarget(TorvoTarget target, TorvoRenderPass pass)
{
    return frame([](TorvoTargetStub& t, TorvoRenderPassStub& p) { return t.addPass(p); }, target, pass);
}

TRV_FUNC(TRVStatus) TRVGetFramebufferCount(TorvoTarget target, int32_t* outCount)
{
    return frame([&](TorvoTargetStub& t) { return t.getFramebufferCount(outCount); }, target);
}

TRV_FUNC(TRVStatus) TRVGetFramebuffer(TorvoTarget target, TorvoRenderPass pass, int32_t index,
                                      TorvoFramebuffer* outFramebuffer)
{
    return frameOut(
        outFramebuffer,
        [&](TorvoTargetStub& t, TorvoRenderPassStub& p, auto& out) { return t.getFramebuffer(index, p, out); },
        target, pass);
}

TRV_FUNC(TRVStatus) TRVGetVertexbuffer(TorvoTarget target, TorvoRenderPass pass, TorvoTargetEntity entity,
                                       TorvoFramebuffer* outFramebuffer)
{
    return frameOut(
        outFramebuffer,
        [](TorvoTargetStub& t, TorvoRenderPassStub& p, TorvoTargetEntityStub& e, auto& out) {
            return t.getVertexbuffer(p, e, out);
        },
        target, pass, entity);
}

TRV_FUNC(TRVStatus) TRVSetBakeUVSet(TorvoTargetEntity entity, const void* uvSetName)
{
    return frame([&](TorvoTargetEntityStub& e) { return e.setBakeUVSet(text(uvSetName)); }, entity);
}

TRV_FUNC(TRVStatus) TRVSetUVTransform(TorvoTargetEntity entity, const float* offset, const float* scale)
{
    return frame([&](TorvoTargetEntityStub& e) { return e.setUVTransform(offset, scale); }, entity);
}

TRV_FUNC(TRVStatus) TRVSetBakeResolution(TorvoTargetEntity entity, int32_t width, int32_t height)
{
    return frame([&](TorvoTargetEntityStub& e) { return e.setBakeResolution(width, height); }, entity);
}

TRV_FUNC(TRVStatus) TRVSetTexelScale(TorvoTargetEntity entity, float scale)
{
    return frame([&](TorvoTargetEntityStub& e) { return e.setTexelScale(scale); }, entity);
}

TRV_FUNC(TRVStatus) TRVSetAtlasPadding(TorvoTarget target, int32_t padding)
{
    return frame([&](TorvoTargetStub& t) { return t.setAtlasPadding(padding); }, target);
}

TRV_FUNC(TRVStatus) TRVSetAtlasPacking(TorvoTarget target, int32_t packing)
{
    return frame([&](TorvoTargetStub& t) { return t.setAtlasPacking(packing); }, target);
}

TRV_FUNC(TRVStatus) TRVSetAtlasAlignment(TorvoTarget target, int32_t alignment)
{
    return frame([&](TorvoTargetStub& t) { return t.setAtlasAlignment(alignment); }, target);
}

TRV_FUNC(TRVStatus) TRVEnableAtlasSpatial(TorvoTarget target)
{
    return frame([](TorvoTargetStub& t) { return t.enableAtlasSpatial(); }, target);
}

TRV_FUNC(TRVStatus) TRVGetAtlasInformation(TorvoTargetEntity entity, int32_t* outAtlasIndex, float* outOffset,
                                           float* outScale)
{
    return frame([&]() -> TRVStatus {
        if (!outAtlasIndex || !outOffset || !outScale) {
            errorStream() << "Null pointer passed to TRVGetAtlasInformation" << std::endl;
            return Status::InvalidParameter;
        }
        return frame([&](TorvoTargetEntityStub& e) { return e.getAtlasInformation(outAtlasIndex, outOffset, outScale); },
                     entity);
    });
}

TRV_FUNC(TRVStatus) TRVGetNormalizationData(TorvoTargetEntity entity, TorvoRenderPass pass, int32_t channel,
                                            float* outMin, float* outMax)
{
    return frame([&]() -> TRVStatus {
        if (!outMin || !outMax) {
            errorStream() << "Null pointer passed to TRVGetNormalizationData" << std::endl;
            return Status::InvalidParameter;
        }
        return frame(
            [&](TorvoTargetEntityStub& e, TorvoRenderPassStub& p) {
                return e.getNormalizationData(p, channel, outMin, outMax);
            },
            entity, pass);
    });
}
