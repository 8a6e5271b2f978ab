#include "bake/FSTorvoTextureTarget.h"

#include "core/Log.h"
#include "core/Status.h"
#include "bake/FSTorvoRenderPass.h"
#include "bake/FSTorvoTextureTargetEntity.h"
#include "job/FSTorvoJob.h"
#include "core/XmlTools.h"
#include "scene/FSTorvoInstance.h"

namespace trv {

namespace {

// A texture target has one result per pass; the framebuffer index only exists for atlases.
constexpr int32_t onlyFramebuffer = 0;
constexpr int32_t framebufferCount = 1;

}  // namespace

FSTorvoTextureTarget::FSTorvoTextureTarget(FSTorvoJob& job, std::string name, int32_t width, int32_t height)
    : FSTorvoTarget(job, std::move(name)), width_(width), height_(height)
{
}

FSTorvoTextureTarget::~FSTorvoTextureTarget() = default;

bool FSTorvoTextureTarget::isTextureTarget() const
{
    return true;
}

TRVStatus FSTorvoTextureTarget::addBakeInstance(TorvoInstanceStub& instance, TorvoTargetEntityStub*& out)
{
    return addInstanceEntity(instance, entities_, out, *this);
}

TRVStatus FSTorvoTextureTarget::getFramebufferCount(int32_t* count)
{
    return countFramebuffers(count, framebufferCount);
}

TRVStatus FSTorvoTextureTarget::getFramebuffer(int32_t index, TorvoRenderPassStub& pass, TorvoFramebufferStub*& out)
{
    out = nullptr;
    if (const TRVStatus refused = refuseUnfinished())
        return refused;
    const FSTorvoRenderPass* own = ownPass(pass);
    if (!own) {
        errorStream() << "Render pass is not present in target" << std::endl;
        return Status::InvalidHandle;
    }
    if (index != onlyFramebuffer)
        return Status::InvalidParameter;
    return openImageResult(resultFile("result_" + own->shortName() + "_" + shortName() + ".exr"), *own, out);
}

TRVStatus FSTorvoTextureTarget::writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                                   RenderTool&)
{
    using namespace xmlTools;
    if (entities_.empty()) {
        warnEmpty();
        return Status::Success;
    }
    auto document = copyOf(base);
    tinyxml2::XMLElement* frame = findOrCreatePath(document.get(), "KXConfig/FrameSettings");
    setText(frame, "renderType", "SurfaceTransfer");
    tinyxml2::XMLElement* targets = reset(findOrCreatePath(document.get(), "KXConfig/SurfaceTransferSettings"), "targets");
    tinyxml2::XMLElement* texture = findOrCreate(targets, "SurfaceTransferTexture");
    setText(texture, "hasResolutionOverride", true);
    tinyxml2::XMLElement* resolution = findOrCreate(texture, "resolutionOverride");
    setText(resolution, "x", width_);
    setText(resolution, "y", height_);
    setText(texture, "textureName", shortName());
    tinyxml2::XMLElement* surfaces = findOrCreate(texture, "targetSurfaces");
    bool first = true;
    for (const auto& entity : entities_) {
        tinyxml2::XMLElement* surface =
            first ? findOrCreate(surfaces, "SurfaceTransferTarget") : append(surfaces, "SurfaceTransferTarget");
        first = false;
        writeUVSurfaceTarget(surface, *entity, entity->bakeUVSet());
        if (!entity->hasIdentityUVTransform()) {
            writeVec2(findOrCreate(surface, "UVScale"), entity->uvScale().x, entity->uvScale().y);
            writeVec2(findOrCreate(surface, "UVBias"), entity->uvBias().x, entity->uvBias().y);
        }
    }
    setText(frame, "imageFormat", "EXRMultiLayer");
    documents.push_back(std::move(document));
    return Status::Success;
}

std::string FSTorvoTextureTarget::renderOutputName(const JobPass&) const
{
    return {};
}

TRVStatus FSTorvoTextureTarget::prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix)
{
    return prefixChildren(document, "KXConfig/SurfaceTransferSettings/targets", "SurfaceTransferTexture",
                          "textureName", prefix, "Failed to find surface transfer targets");
}

TRVStatus FSTorvoTextureTarget::getNormalizationData(const FSTorvoTextureTargetEntity& entity,
                                                     TorvoRenderPassStub& pass, int32_t channel, float* min,
                                                     float* max)
{
    static const NormalizationMessages messages{"Loading Normalization data from ", nullptr};
    return normalizationRange(pass, onlyFramebuffer, shortName(), entity.source()->name(), channel, min, max,
                              messages);
}

}  // namespace trv
