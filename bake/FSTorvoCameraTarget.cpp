#include "bake/FSTorvoCameraTarget.h"

#include "core/Log.h"
#include "core/Status.h"
#include "bake/FSTorvoFullShadingPass.h"
#include "job/FSTorvoJob.h"
#include "core/XmlTools.h"
#include "scene/FSTorvoCamera.h"

#include <stdexcept>

namespace trv {

namespace {

constexpr int32_t onlyFramebuffer = 0;
constexpr int32_t framebufferCount = 1;

const FSTorvoCamera& cameraOfScene(TorvoCameraStub& camera, const FSTorvoJob& job)
{
    if (!FSTorvoCameraTarget::isCameraOf(camera, job))
        throw std::invalid_argument(FSTorvoCameraTarget::foreignCameraMessage);
    return dynamic_cast<const FSTorvoCamera&>(camera);
}

}  // namespace

bool FSTorvoCameraTarget::isCameraOf(TorvoCameraStub& camera, const FSTorvoJob& job)
{
    const auto* own = dynamic_cast<const FSTorvoCamera*>(&camera);
    return own && own->scene() == job.scene().get();
}

FSTorvoCameraTarget::FSTorvoCameraTarget(FSTorvoJob& job, std::string name, TorvoCameraStub& camera, int32_t width,
                                         int32_t height)
    : FSTorvoTarget(job, std::move(name)), camera_(&cameraOfScene(camera, job)), width_(width), height_(height)
{
}

FSTorvoCameraTarget::~FSTorvoCameraTarget() = default;

TRVStatus FSTorvoCameraTarget::getFramebufferCount(int32_t* count)
{
    return countFramebuffers(count, framebufferCount);
}

TRVStatus FSTorvoCameraTarget::getFramebuffer(int32_t index, TorvoRenderPassStub& pass, TorvoFramebufferStub*& out)
{
    out = nullptr;
    if (const TRVStatus refused = refuseUnfinished())
        return refused;
    if (index != onlyFramebuffer)
        return Status::InvalidParameter;
    const FSTorvoRenderPass* own = ownPass(pass);
    if (!own) {
        errorStream() << "Render pass is not present in target" << std::endl;
        return Status::InvalidHandle;
    }
    return openImageResult(resultFile(renderOutputName(*own) + "_shape.exr"), *own, out);
}

TRVStatus FSTorvoCameraTarget::addPass(TorvoRenderPassStub& pass)
{
    if (!dynamic_cast<FSTorvoFullShadingPass*>(&pass)) {
        errorStream() << "The only supported render pass for camera targets is the Full Shading Pass" << std::endl;
        return Status::InvalidParameter;
    }
    return FSTorvoTarget::addPass(pass);
}

TRVStatus FSTorvoCameraTarget::writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                                  RenderTool&)
{
    using namespace xmlTools;
    auto document = copyOf(base);
    tinyxml2::XMLElement* frame = findOrCreatePath(document.get(), "KXConfig/FrameSettings");
    tinyxml2::XMLElement* resolution = findOrCreate(frame, "resolution");
    setText(resolution, "x", width_);
    setText(resolution, "y", height_);
    setText(frame, "renderType", "Render");
    setText(frame, "cameraName", camera_->hashedName());
    setText(frame, "imageFormat", "EXRMultiLayer");
    documents.push_back(std::move(document));
    return Status::Success;
}

std::string FSTorvoCameraTarget::renderOutputName(const JobPass& pass) const
{
    return pass.shortName() + "_" + camera_->hashedName();
}

TRVStatus FSTorvoCameraTarget::prefixOutputNames(tinyxml2::XMLDocument&, const std::string&)
{
    // The image is named on the command line (the stage's output name), not in the document.
    return Status::Success;
}

}  // namespace trv
