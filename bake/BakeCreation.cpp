#include "bake/BakeCreation.h"

#include "api/Frame.h"
#include "api/Log.h"
#include "api/Status.h"
#include "bake/FSTorvoAmbientOcclusionPass.h"
#include "bake/FSTorvoCameraTarget.h"
#include "bake/FSTorvoFullShadingPass.h"
#include "bake/FSTorvoIlluminationPass.h"
#include "bake/FSTorvoLUAPass.h"
#include "bake/FSTorvoNormalPass.h"
#include "bake/FSTorvoPointCloudTarget.h"
#include "bake/FSTorvoRNMPass.h"
#include "bake/FSTorvoTextureTarget.h"
#include "bake/FSTorvoVertexTarget.h"

#include <new>

namespace trv::bake {

namespace {

constexpr int32_t smallestResolution = 0;  // sizes must lie above it

// Builds a target whose construction may fail for a reason other than memory; such a failure is
// logged with the target kind's message and gives 6.
template <class Target, class... Arguments>
TRVStatus construct(const char* failure, std::shared_ptr<FSTorvoTarget>& out, Arguments&&... arguments)
{
    try {
        out = std::make_shared<Target>(std::forward<Arguments>(arguments)...);
        return Status::Success;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        errorStream() << e.what() << std::endl;
    } catch (...) {
    }
    errorStream() << failure << std::endl;
    return Status::InvalidHandle;
}

bool resolutionValid(int32_t width, int32_t height)
{
    return checkAbove("width", width, smallestResolution) && checkAbove("height", height, smallestResolution);
}

}  // namespace

TRVStatus createFullShadingPass(FSTorvoJob& job, const std::string& name, std::shared_ptr<FSTorvoRenderPass>& out)
{
    out = std::make_shared<FSTorvoFullShadingPass>(job, name);
    return Status::Success;
}

TRVStatus createNormalPass(FSTorvoJob& job, const std::string& name, std::shared_ptr<FSTorvoRenderPass>& out)
{
    out = std::make_shared<FSTorvoNormalPass>(job, name);
    return Status::Success;
}

TRVStatus createIlluminationPass(FSTorvoJob& job, const std::string& name, int32_t mode,
                                 std::shared_ptr<FSTorvoRenderPass>& out)
{
    out = std::make_shared<FSTorvoIlluminationPass>(job, name, mode);
    return Status::Success;
}

TRVStatus createRNMPass(FSTorvoJob& job, const std::string& name, int32_t components, int32_t samples,
                        int32_t basis, std::shared_ptr<FSTorvoRenderPass>& out)
{
    auto pass = std::make_shared<FSTorvoRNMPass>(job, name);
    TRVStatus status = pass->setComponents(components);
    if (status == Status::Success)
        status = pass->setSamples(samples);
    if (status == Status::Success)
        status = pass->setBasis(basis);
    if (status == Status::Success)
        out = std::move(pass);
    return status;
}

TRVStatus createAmbientOcclusionPass(FSTorvoJob& job, const std::string& name, float maxDistance, float coneAngle,
                                     std::shared_ptr<FSTorvoRenderPass>& out)
{
    auto pass = std::make_shared<FSTorvoAmbientOcclusionPass>(job, name);
    const TRVStatus status = pass->setDistanceAndCone(maxDistance, coneAngle);
    if (status == Status::Success)
        out = std::move(pass);
    return status;
}

TRVStatus createLuaPass(FSTorvoJob& job, const std::string& name, const std::string& scriptPath,
                        const std::filesystem::path& scriptsDirectory, std::shared_ptr<FSTorvoRenderPass>& out)
{
    auto pass = std::make_shared<FSTorvoLUAPass>(job, name);
    const TRVStatus status = pass->copyScript(scriptPath, scriptsDirectory);
    if (status == Status::Success)
        out = std::move(pass);
    return status;
}

TRVStatus createTextureTarget(FSTorvoJob& job, const std::string& name, int32_t width, int32_t height,
                              std::shared_ptr<FSTorvoTarget>& out)
{
    if (!resolutionValid(width, height))
        return Status::InvalidParameter;
    out = std::make_shared<FSTorvoTextureTarget>(job, name, width, height);
    return Status::Success;
}

TRVStatus createCameraTarget(FSTorvoJob& job, const std::string& name, TorvoCameraStub& camera, int32_t width,
                             int32_t height, std::shared_ptr<FSTorvoTarget>& out)
{
    if (!resolutionValid(width, height))
        return Status::InvalidParameter;
    return construct<FSTorvoCameraTarget>("Failed to create Camera target.", out, job, name, camera, width, height);
}

TRVStatus createVertexTarget(FSTorvoJob& job, const std::string& name, std::shared_ptr<FSTorvoTarget>& out)
{
    return construct<FSTorvoVertexTarget>("Failed to create Vertex target.", out, job, name);
}

TRVStatus createPointCloudTarget(FSTorvoJob& job, const std::string& name, std::shared_ptr<FSTorvoTarget>& out)
{
    return construct<FSTorvoPointCloudTarget>("Failed to create Point Cloud target.", out, job, name);
}

}  // namespace trv::bake
