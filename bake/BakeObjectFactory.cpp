#include "bake/BakeObjectFactory.h"

#include "bake/FSTorvoAmbientOcclusionPass.h"
#include "bake/FSTorvoAtlasTarget.h"
#include "bake/FSTorvoCameraTarget.h"
#include "bake/FSTorvoFullShadingPass.h"
#include "bake/FSTorvoIlluminationPass.h"
#include "bake/FSTorvoLUAPass.h"
#include "bake/FSTorvoLightPass.h"
#include "bake/FSTorvoNormalPass.h"
#include "bake/FSTorvoPointCloudTarget.h"
#include "bake/FSTorvoRNMPass.h"
#include "bake/FSTorvoTextureTarget.h"
#include "bake/FSTorvoVertexTarget.h"
#include "cache/CacheDirectories.h"
#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"

#include <new>

namespace trv {

namespace {

constexpr int32_t smallestResolution = 0;  // sizes must lie above it
const char* const cameraTargetFailure = "Failed to create Camera target.";

template <class Kind>
BakeFactory::Pass madePass(std::shared_ptr<Kind> pass)
{
    TorvoRenderPassStub* handle = pass.get();
    return {std::move(pass), handle};
}

template <class Kind>
BakeFactory::Target madeTarget(std::shared_ptr<Kind> target)
{
    TorvoTargetStub* handle = target.get();
    return {std::move(target), handle};
}

// Builds a target whose construction may fail for a reason other than memory; such a failure is
// logged with the kind's own message after the reason and gives 6.
template <class Kind, class... Arguments>
TRVStatus construct(const char* failure, BakeFactory::Target& out, Arguments&&... arguments)
{
    try {
        out = madeTarget(std::make_shared<Kind>(std::forward<Arguments>(arguments)...));
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

BakeObjectFactory::BakeObjectFactory(const CacheDirectories& cache) : cache_(&cache) {}

BakeObjectFactory::~BakeObjectFactory() = default;

TRVStatus BakeObjectFactory::createTextureTarget(FSTorvoJob& job, const std::string& name, int32_t width,
                                                 int32_t height, Target& out)
{
    if (!resolutionValid(width, height))
        return Status::InvalidParameter;
    out = madeTarget(std::make_shared<FSTorvoTextureTarget>(job, name, width, height));
    return Status::Success;
}

TRVStatus BakeObjectFactory::createCameraTarget(FSTorvoJob& job, const std::string& name, TorvoCameraStub& camera,
                                                int32_t width, int32_t height, Target& out)
{
    if (!resolutionValid(width, height))
        return Status::InvalidParameter;
    // Checked before anything is made, so a refused target takes no short name.
    if (!FSTorvoCameraTarget::isCameraOf(camera, job)) {
        errorStream() << FSTorvoCameraTarget::foreignCameraMessage << std::endl;
        errorStream() << cameraTargetFailure << std::endl;
        return Status::InvalidHandle;
    }
    return construct<FSTorvoCameraTarget>(cameraTargetFailure, out, job, name, camera, width, height);
}

TRVStatus BakeObjectFactory::createAtlasedTextureTarget(FSTorvoJob& job, const std::string& name, int32_t maxWidth,
                                                        int32_t maxHeight, int32_t maxTextures, Target& out)
{
    // The height is checked under the name the host's own size checks use.
    if (!checkAbove("maxWidth", maxWidth, smallestResolution) || !checkAbove("height", maxHeight, smallestResolution))
        return Status::InvalidParameter;
    return construct<FSTorvoAtlasTarget>("Failed to create Atlased texture target", out, job, name, maxWidth,
                                         maxHeight, maxTextures);
}

TRVStatus BakeObjectFactory::createVertexTarget(FSTorvoJob& job, const std::string& name, Target& out)
{
    return construct<FSTorvoVertexTarget>("Failed to create Vertex target.", out, job, name);
}

TRVStatus BakeObjectFactory::createPointCloudTarget(FSTorvoJob& job, const std::string& name, Target& out)
{
    return construct<FSTorvoPointCloudTarget>("Failed to create Point Cloud target.", out, job, name);
}

TRVStatus BakeObjectFactory::createFullShadingPass(FSTorvoJob& job, const std::string& name, Pass& out)
{
    out = madePass(std::make_shared<FSTorvoFullShadingPass>(job, name));
    return Status::Success;
}

TRVStatus BakeObjectFactory::createRNMPass(FSTorvoJob& job, const std::string& name, int32_t components,
                                           int32_t samples, int32_t basis, Pass& out)
{
    auto pass = std::make_shared<FSTorvoRNMPass>(job, name);
    TRVStatus status = pass->setComponents(components);
    if (status == Status::Success)
        status = pass->setSamples(samples);
    if (status == Status::Success)
        status = pass->setBasis(basis);
    if (status == Status::Success)
        out = madePass(std::move(pass));
    return status;
}

TRVStatus BakeObjectFactory::createLightPass(FSTorvoJob& job, const std::string& name, int32_t bakeType, Pass& out)
{
    out = madePass(std::make_shared<FSTorvoLightPass>(job, name, bakeType));
    return Status::Success;
}

TRVStatus BakeObjectFactory::createNormalPass(FSTorvoJob& job, const std::string& name, Pass& out)
{
    out = madePass(std::make_shared<FSTorvoNormalPass>(job, name));
    return Status::Success;
}

TRVStatus BakeObjectFactory::createAmbientOcclusionPass(FSTorvoJob& job, const std::string& name, float maxDistance,
                                                        float coneAngle, Pass& out)
{
    auto pass = std::make_shared<FSTorvoAmbientOcclusionPass>(job, name);
    const TRVStatus status = pass->setDistanceAndCone(maxDistance, coneAngle);
    if (status == Status::Success)
        out = madePass(std::move(pass));
    return status;
}

TRVStatus BakeObjectFactory::createIlluminationPass(FSTorvoJob& job, const std::string& name, int32_t mode,
                                                    Pass& out)
{
    out = madePass(std::make_shared<FSTorvoIlluminationPass>(job, name, mode));
    return Status::Success;
}

TRVStatus BakeObjectFactory::createLuaPass(FSTorvoJob& job, const std::string& name, const std::string& scriptPath,
                                           Pass& out)
{
    auto pass = std::make_shared<FSTorvoLUAPass>(job, name);
    const TRVStatus status = pass->copyScript(scriptPath, cache_->scriptsDirectory());
    if (status == Status::Success)
        out = madePass(std::move(pass));
    return status;
}

}  // namespace trv
