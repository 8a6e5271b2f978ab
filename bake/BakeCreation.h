// Making the passes and targets of a job with their creation settings. A refused setting gives
// its status and no object; the job registers what is made.
#pragma once

#include "api/Handles.h"

#include <filesystem>
#include <memory>
#include <string>

namespace trv {

class FSTorvoJob;
class FSTorvoRenderPass;
class FSTorvoTarget;

namespace bake {

TRVStatus createFullShadingPass(FSTorvoJob& job, const std::string& name, std::shared_ptr<FSTorvoRenderPass>& out);
TRVStatus createNormalPass(FSTorvoJob& job, const std::string& name, std::shared_ptr<FSTorvoRenderPass>& out);
TRVStatus createIlluminationPass(FSTorvoJob& job, const std::string& name, int32_t mode,
                                 std::shared_ptr<FSTorvoRenderPass>& out);
TRVStatus createRNMPass(FSTorvoJob& job, const std::string& name, int32_t components, int32_t samples,
                        int32_t basis, std::shared_ptr<FSTorvoRenderPass>& out);
TRVStatus createAmbientOcclusionPass(FSTorvoJob& job, const std::string& name, float maxDistance, float coneAngle,
                                     std::shared_ptr<FSTorvoRenderPass>& out);
// The script is copied into scriptsDirectory, the cache's directory of scripts.
TRVStatus createLuaPass(FSTorvoJob& job, const std::string& name, const std::string& scriptPath,
                        const std::filesystem::path& scriptsDirectory, std::shared_ptr<FSTorvoRenderPass>& out);

TRVStatus createTextureTarget(FSTorvoJob& job, const std::string& name, int32_t width, int32_t height,
                              std::shared_ptr<FSTorvoTarget>& out);
TRVStatus createCameraTarget(FSTorvoJob& job, const std::string& name, TorvoCameraStub& camera, int32_t width,
                             int32_t height, std::shared_ptr<FSTorvoTarget>& out);
TRVStatus createVertexTarget(FSTorvoJob& job, const std::string& name, std::shared_ptr<FSTorvoTarget>& out);
TRVStatus createPointCloudTarget(FSTorvoJob& job, const std::string& name, std::shared_ptr<FSTorvoTarget>& out);

}  // namespace bake
}  // namespace trv
