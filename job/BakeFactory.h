// How a job makes its render passes and targets. Their kinds live in the layer above the job,
// which hands the job a factory through its owner. Each operation makes one object with its
// creation settings, or answers the refusal's status (with its message) and makes nothing.
#pragma once

#include "core/Handles.h"

#include <memory>
#include <string>

namespace trv {

class FSTorvoJob;
class JobPass;
class JobTarget;

class BakeFactory {
public:
    // A made object: what the job keeps, and the host's handle of the same object.
    struct Pass {
        std::shared_ptr<JobPass> pass;
        TorvoRenderPassStub* handle = nullptr;
    };
    struct Target {
        std::shared_ptr<JobTarget> target;
        TorvoTargetStub* handle = nullptr;
    };

    virtual TRVStatus createTextureTarget(FSTorvoJob& job, const std::string& name, int32_t width, int32_t height,
                                          Target& out) = 0;
    virtual TRVStatus createCameraTarget(FSTorvoJob& job, const std::string& name, TorvoCameraStub& camera,
                                         int32_t width, int32_t height, Target& out) = 0;
    virtual TRVStatus createAtlasedTextureTarget(FSTorvoJob& job, const std::string& name, int32_t maxWidth,
                                                 int32_t maxHeight, int32_t maxTextures, Target& out) = 0;
    virtual TRVStatus createVertexTarget(FSTorvoJob& job, const std::string& name, Target& out) = 0;
    virtual TRVStatus createPointCloudTarget(FSTorvoJob& job, const std::string& name, Target& out) = 0;
    virtual TRVStatus createFullShadingPass(FSTorvoJob& job, const std::string& name, Pass& out) = 0;
    virtual TRVStatus createRNMPass(FSTorvoJob& job, const std::string& name, int32_t components, int32_t samples,
                                    int32_t basis, Pass& out) = 0;
    virtual TRVStatus createLightPass(FSTorvoJob& job, const std::string& name, int32_t bakeType, Pass& out) = 0;
    virtual TRVStatus createNormalPass(FSTorvoJob& job, const std::string& name, Pass& out) = 0;
    virtual TRVStatus createAmbientOcclusionPass(FSTorvoJob& job, const std::string& name, float maxDistance,
                                                 float coneAngle, Pass& out) = 0;
    virtual TRVStatus createIlluminationPass(FSTorvoJob& job, const std::string& name, int32_t mode,
                                             Pass& out) = 0;
    virtual TRVStatus createLuaPass(FSTorvoJob& job, const std::string& name, const std::string& scriptPath,
                                    Pass& out) = 0;

protected:
    ~BakeFactory() = default;
};

}  // namespace trv
