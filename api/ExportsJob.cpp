// Exported functions of jobs.
#include "api/Frame.h"
#include "job/TorvoJobStub.h"

using namespace trv;

TRV_FUNC(TRVStatus) TRVStartJob(TorvoJob job, int32_t displayMode, int32_t distribution)
{
    return frame([&](TorvoJobStub& j) { return j.startJob(displayMode, distribution); }, job);
}

TRV_FUNC(TRVStatus) TRVWaitJobDone(TorvoJob job, int32_t timeoutMilliseconds)
{
    return frame([&](TorvoJobStub& j) { return j.waitJobDone(timeoutMilliseconds); }, job);
}

TRV_FUNC(TRVStatus) TRVIsJobRunning(TorvoJob job, TRVBool* outRunning)
{
    return frame([&](TorvoJobStub& j) { return j.isJobRunning(outRunning); }, job);
}

TRV_FUNC(TRVStatus) TRVIsJobCompleted(TorvoJob job, TRVBool* outCompleted)
{
    return frame([&](TorvoJobStub& j) { return j.isJobCompleted(outCompleted); }, job);
}

TRV_FUNC(TRVStatus) TRVSetJobOutputPath(TorvoJob job, const void* outputDirectory)
{
    return frame([&](TorvoJobStub& j) { return j.setJobOutputPath(text(outputDirectory)); }, job);
}

TRV_FUNC(TRVStatus) TRVGetJobProgress(TorvoJob job, TorvoString* outTitle, int32_t* outProgress)
{
    return frame([&](TorvoJobStub& j) { return j.getJobProgress(outTitle, outProgress); }, job);
}

TRV_FUNC(TRVStatus) TRVGetGlobalJobProgress(TorvoJob job, int32_t* outGlobalProgress)
{
    return frame([&](TorvoJobStub& j) { return j.getGlobalJobProgress(outGlobalProgress); }, job);
}

TRV_FUNC(TRVStatus) TRVJobHasNewProgress(TorvoJob job, TRVBool* outNewActivity, TRVBool* outNewProgress)
{
    return frame([&](TorvoJobStub& j) { return j.jobHasNewProgress(outNewActivity, outNewProgress); }, job);
}

TRV_FUNC(TRVStatus) TRVGetJobResult(TorvoJob job, int32_t* outJobResult)
{
    return frame([&](TorvoJobStub& j) { return j.getJobResult(outJobResult); }, job);
}

TRV_FUNC(TRVStatus) TRVCancelJob(TorvoJob job)
{
    return frame([](TorvoJobStub& j) { return j.cancelJob(); }, job);
}

TRV_FUNC(TRVStatus) TRVDestroyJob(TorvoJob job)
{
    return frame([](TorvoJobStub& j) { return j.destroyJob(); }, job);
}

// Runs a job to its end in one call; the job is destroyed afterwards in every case.
TRV_FUNC(TRVStatus) TRVExecuteTorvo(TorvoManager, TorvoJob job, int32_t displayMode, int32_t distribution,
                                    int32_t* outJobResult)
{
    TRVStatus status = TRVStartJob(job, displayMode, distribution);
    if (status != Status::Success) {
        TRVDestroyJob(job);
        return status;
    }
    TRVBool running = 1;
    while (running) {
        TRVWaitJobDone(job, -1);
        if (TRVIsJobRunning(job, &running) != Status::Success)
            break;
    }
    int32_t result = 0;
    TRVGetJobResult(job, &result);
    if (outJobResult)
        *outJobResult = result;
    TRVDestroyJob(job);
    return result == 0 ? Status::Success : Status::JobExecutionFailure;
}

TRV_FUNC(TRVStatus) TRVCreateTextureTarget(TorvoJob job, const void* name, int32_t width, int32_t height,
                                           TorvoTarget* outTarget)
{
    return frameOut(
        outTarget, [&](TorvoJobStub& j, auto& out) { return j.createTextureTarget(text(name), width, height, out); },
        job);
}

TRV_FUNC(TRVStatus) TRVCreateCameraTarget(TorvoJob job, const void* name, TorvoCamera camera, int32_t width,
                                          int32_t height, TorvoTarget* outTarget)
{
    return frameOut(
        outTarget,
        [&](TorvoJobStub& j, TorvoCameraStub& c, auto& out) {
            return j.createCameraTarget(text(name), c, width, height, out);
        },
        job, camera);
}

TRV_FUNC(TRVStatus) TRVCreateVertexTarget(TorvoJob job, const void* name, TorvoTarget* outTarget)
{
    return frameOut(outTarget, [&](TorvoJobStub& j, auto& out) { return j.createVertexTarget(text(name), out); },
                    job);
}

TRV_FUNC(TRVStatus) TRVCreatePointCloudTarget(TorvoJob job, const void* name, TorvoTarget* outTarget)
{
    return frameOut(outTarget, [&](TorvoJobStub& j, auto& out) { return j.createPointCloudTarget(text(name), out); },
                    job);
}

TRV_FUNC(TRVStatus) TRVCreateAtlasedTextureTarget(TorvoJob job, const void* name, int32_t maxWidth,
                                                  int32_t maxHeight, int32_t maxTextures, TorvoTarget* outTarget)
{
    return frameOut(
        outTarget,
        [&](TorvoJobStub& j, auto& out) {
            return j.createAtlasedTextureTarget(text(name), maxWidth, maxHeight, maxTextures, out);
        },
        job);
}

TRV_FUNC(TRVStatus) TRVCreateFullShadingPass(TorvoJob job, const void* name, TorvoRenderPass* outPass)
{
    return frameOut(outPass, [&](TorvoJobStub& j, auto& out) { return j.createFullShadingPass(text(name), out); },
                    job);
}

TRV_FUNC(TRVStatus) TRVCreateNormalPass(TorvoJob job, const void* name, TorvoRenderPass* outPass)
{
    return frameOut(outPass, [&](TorvoJobStub& j, auto& out) { return j.createNormalPass(text(name), out); }, job);
}

TRV_FUNC(TRVStatus) TRVCreateIlluminationPass(TorvoJob job, const void* name, int32_t mode, TorvoRenderPass* outPass)
{
    return frameOut(outPass,
                    [&](TorvoJobStub& j, auto& out) { return j.createIlluminationPass(text(name), mode, out); }, job);
}

TRV_FUNC(TRVStatus) TRVCreateRNMPass(TorvoJob job, const void* name, int32_t components, int32_t samples,
                                     int32_t basis, TorvoRenderPass* outPass)
{
    return frameOut(
        outPass,
        [&](TorvoJobStub& j, auto& out) { return j.createRNMPass(text(name), components, samples, basis, out); },
        job);
}

TRV_FUNC(TRVStatus) TRVCreateAmbientOcclusionPass(TorvoJob job, const void* name, float maxDistance, float coneAngle,
                                                  TorvoRenderPass* outPass)
{
    return frameOut(
        outPass,
        [&](TorvoJobStub& j, auto& out) {
            return j.createAmbientOcclusionPass(text(name), maxDistance, coneAngle, out);
        },
        job);
}

TRV_FUNC(TRVStatus) TRVCreateLuaPass(TorvoJob job, const void* name, const void* scriptPath,
                                     TorvoRenderPass* outPass)
{
    return frameOut(
        outPass,
        [&](TorvoJobStub& j, auto& out) {
            const std::string script = text(scriptPath);  // the later text is converted first
            return j.createLuaPass(text(name), script, out);
        },
        job);
}

TRV_FUNC(TRVStatus) TRVCreateLightPass(TorvoJob job, const void* name, int32_t bakeType, TorvoRenderPass* outPass)
{
    return frameOut(outPass, [&](TorvoJobStub& j, auto& out) { return j.createLightPass(text(name), bakeType, out); },
                    job);
}
