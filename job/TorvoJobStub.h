#pragma once

#include "core/Handles.h"

#include <string>

namespace trv {

class TorvoJobStub {
public:
    virtual ~TorvoJobStub() = default;
    [[nodiscard]] virtual TRVStatus startJob(int32_t displayMode, int32_t distribution) = 0;
    [[nodiscard]] virtual TRVStatus waitJobDone(int32_t timeoutMilliseconds) = 0;
    [[nodiscard]] virtual TRVStatus isJobRunning(TRVBool* running) = 0;
    [[nodiscard]] virtual TRVStatus isJobCompleted(TRVBool* completed) = 0;
    [[nodiscard]] virtual TRVStatus getJobResult(int32_t* jobResult) = 0;
    [[nodiscard]] virtual TRVStatus cancelJob() = 0;
    [[nodiscard]] virtual TRVStatus destroyJob() = 0;
    [[nodiscard]] virtual TRVStatus setJobOutputPath(const std::string& outputDirectory) = 0;
    [[nodiscard]] virtual TRVStatus getJobProgress(TorvoString* title, int32_t* progress) = 0;
    [[nodiscard]] virtual TRVStatus getGlobalJobProgress(int32_t* globalProgress) = 0;
    [[nodiscard]] virtual TRVStatus jobHasNewProgress(TRVBool* newActivity, TRVBool* newProgress) = 0;
    [[nodiscard]] virtual TRVStatus createTextureTarget(const std::string& name, int32_t width, int32_t height,
                                                        TorvoTargetStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createCameraTarget(const std::string& name, TorvoCameraStub& camera, int32_t width,
                                                       int32_t height, TorvoTargetStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createAtlasedTextureTarget(const std::string& name, int32_t maxWidth,
                                                               int32_t maxHeight, int32_t maxTextures,
                                                               TorvoTargetStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createVertexTarget(const std::string& name, TorvoTargetStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createPointCloudTarget(const std::string& name, TorvoTargetStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createFullShadingPass(const std::string& name, TorvoRenderPassStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createRNMPass(const std::string& name, int32_t components, int32_t samples,
                                                  int32_t basis, TorvoRenderPassStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createLightPass(const std::string& name, int32_t bakeType,
                                                    TorvoRenderPassStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createNormalPass(const std::string& name, TorvoRenderPassStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createAmbientOcclusionPass(const std::string& name, float maxDistance,
                                                               float coneAngle, TorvoRenderPassStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createIlluminationPass(const std::string& name, int32_t mode,
                                                           TorvoRenderPassStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createLuaPass(const std::string& name, const std::string& scriptPath,
                                                  TorvoRenderPassStub*& out) = 0;
};

}  // namespace trv
