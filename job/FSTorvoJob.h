// One bake of one ended scene: its stages, the renderer runs and their progress.
#pragma once

#include "job/TorvoJobStub.h"

#include <string>

namespace trv {

class FSTorvoManager;

class FSTorvoJob : public TorvoJobStub {
public:
    FSTorvoJob(FSTorvoManager* manager, std::string name);
    ~FSTorvoJob() override;

    const std::string& name() const { return name_; }

    TRVStatus startJob(int32_t displayMode, int32_t distribution) override;
    TRVStatus waitJobDone(int32_t timeoutMilliseconds) override;
    TRVStatus isJobRunning(TRVBool* running) override;
    TRVStatus isJobCompleted(TRVBool* completed) override;
    TRVStatus getJobResult(int32_t* jobResult) override;
    TRVStatus cancelJob() override;
    TRVStatus destroyJob() override;
    TRVStatus setJobOutputPath(const std::string& outputDirectory) override;
    TRVStatus getJobProgress(TorvoString* title, int32_t* progress) override;
    TRVStatus getGlobalJobProgress(int32_t* globalProgress) override;
    TRVStatus jobHasNewProgress(TRVBool* newActivity, TRVBool* newProgress) override;
    TRVStatus createTextureTarget(const std::string& name, int32_t width, int32_t height,
                                  TorvoTargetStub*& out) override;
    TRVStatus createCameraTarget(const std::string& name, TorvoCameraStub& camera, int32_t width, int32_t height,
                                 TorvoTargetStub*& out) override;
    TRVStatus createAtlasedTextureTarget(const std::string& name, int32_t maxWidth, int32_t maxHeight,
                                         int32_t maxTextures, TorvoTargetStub*& out) override;
    TRVStatus createVertexTarget(const std::string& name, TorvoTargetStub*& out) override;
    TRVStatus createPointCloudTarget(const std::string& name, TorvoTargetStub*& out) override;
    TRVStatus createFullShadingPass(const std::string& name, TorvoRenderPassStub*& out) override;
    TRVStatus createRNMPass(const std::string& name, int32_t components, int32_t samples, int32_t basis,
                            TorvoRenderPassStub*& out) override;
    TRVStatus createLightPass(const std::string& name, int32_t bakeType, TorvoRenderPassStub*& out) override;
    TRVStatus createNormalPass(const std::string& name, TorvoRenderPassStub*& out) override;
    TRVStatus createAmbientOcclusionPass(const std::string& name, float maxDistance, float coneAngle,
                                         TorvoRenderPassStub*& out) override;
    TRVStatus createIlluminationPass(const std::string& name, int32_t mode, TorvoRenderPassStub*& out) override;
    TRVStatus createLuaPass(const std::string& name, const std::string& scriptPath,
                            TorvoRenderPassStub*& out) override;

private:
    FSTorvoManager* manager_;
    std::string name_;
};

}  // namespace trv
