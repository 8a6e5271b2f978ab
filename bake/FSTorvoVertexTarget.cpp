#include "bake/FSTorvoVertexTarget.h"

#include "core/Log.h"
#include "core/Status.h"
#include "bake/FSTorvoNormalPass.h"
#include "bake/FSTorvoVertexTargetEntity.h"
#include "core/XmlTools.h"

#include <algorithm>

namespace trv {

FSTorvoVertexTarget::~FSTorvoVertexTarget() = default;

TRVStatus FSTorvoVertexTarget::addBakeInstance(TorvoInstanceStub& instance, TorvoTargetEntityStub*& out)
{
    out = nullptr;
    const FSTorvoInstance* source = nullptr;
    if (const TRVStatus refused = checkInstance(instance, source))
        return refused;
    auto entity = std::make_shared<FSTorvoVertexTargetEntity>(*source);
    entities_.push_back(entity);
    out = entity.get();
    return Status::Success;
}

TRVStatus FSTorvoVertexTarget::getVertexbuffer(TorvoRenderPassStub& pass, TorvoTargetEntityStub& entity,
                                               TorvoFramebufferStub*& out)
{
    out = nullptr;
    const FSTorvoVertexTargetEntity* own = nullptr;
    const FSTorvoRenderPass* renderPass = nullptr;
    if (const TRVStatus refused =
            resolvePointResult(entities_, entity, pass, "Invalid vertex target entity", own, renderPass))
        return refused;
    return openPointResult(resultFile("result_" + renderPass->shortName() + "_" + own->name() + "_" +
                                      renderPass->resultLayerName() + ".pc"),
                           *renderPass, out);
}

TRVStatus FSTorvoVertexTarget::addPass(TorvoRenderPassStub& pass)
{
    if (dynamic_cast<FSTorvoNormalPass*>(&pass)) {
        errorStream() << "Normal Pass is not supported on Vertex Targets" << std::endl;
        return Status::InvalidParameter;
    }
    return FSTorvoTarget::addPass(pass);
}

TRVStatus FSTorvoVertexTarget::writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                                  RenderTool&)
{
    using namespace xmlTools;
    if (entities_.empty()) {
        warnEmpty();
        return Status::Success;
    }
    auto document = copyOf(base);
    setText(findOrCreatePath(document.get(), "KXConfig/FrameSettings"), "renderType", "VertexTransfer");
    tinyxml2::XMLElement* targets = reset(findOrCreatePath(document.get(), "KXConfig/SurfaceTransferSettings"), "targets");
    // Every instance is a result of its own, named after its entity.
    for (const auto& entity : entities_) {
        tinyxml2::XMLElement* texture = append(targets, "SurfaceTransferTexture");
        setText(texture, "textureName", entity->name());
        writeSurfaceTarget(findOrCreate(findOrCreate(texture, "targetSurfaces"), "SurfaceTransferTarget"), *entity);
    }
    documents.push_back(std::move(document));
    return Status::Success;
}

std::string FSTorvoVertexTarget::renderOutputName(const JobPass&) const
{
    return {};
}

TRVStatus FSTorvoVertexTarget::prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix)
{
    return prefixChildren(document, "KXConfig/SurfaceTransferSettings/targets", "SurfaceTransferTexture",
                          "textureName", prefix, "Failed to find surface transfer targets");
}

}  // namespace trv
