#include "bake/FSTorvoPointCloudTarget.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "bake/FSTorvoLUAPass.h"
#include "bake/FSTorvoPointCloudTargetEntity.h"
#include "job/FSTorvoJob.h"
#include "core/XmlTools.h"
#include "scene/FSTorvoPointCloud.h"

#include <algorithm>

namespace trv {

FSTorvoPointCloudTarget::~FSTorvoPointCloudTarget() = default;

TRVStatus FSTorvoPointCloudTarget::addBakePointCloud(TorvoPointCloudStub& pointCloud, TorvoTargetEntityStub*& out)
{
    out = nullptr;
    const auto* own = dynamic_cast<const FSTorvoPointCloud*>(&pointCloud);
    if (!checkNotNull("instance", own))
        return Status::InvalidHandle;
    if (own->scene() != job().scene().get()) {
        errorStream() << "Added instances from a different scene to texture bake target" << std::endl;
        return Status::InvalidHandle;
    }
    auto entity = std::make_shared<FSTorvoPointCloudTargetEntity>(*own);
    entities_.push_back(entity);
    out = entity.get();
    return Status::Success;
}

TRVStatus FSTorvoPointCloudTarget::getVertexbuffer(TorvoRenderPassStub& pass, TorvoTargetEntityStub& entity,
                                                   TorvoFramebufferStub*& out)
{
    out = nullptr;
    const FSTorvoPointCloudTargetEntity* own = nullptr;
    const FSTorvoRenderPass* renderPass = nullptr;
    if (const TRVStatus refused =
            resolvePointResult(entities_, entity, pass, "Invalid point cloud target entity", own, renderPass))
        return refused;
    return openPointResult(
        resultFile("result_" + renderPass->shortName() + "_" + own->pointCloud().hashedName() + ".pc"), *renderPass,
        out);
}

TRVStatus FSTorvoPointCloudTarget::addPass(TorvoRenderPassStub& pass)
{
    if (!dynamic_cast<FSTorvoLUAPass*>(&pass)) {
        errorStream() << "The only supported render pass for point cloud targets is the LUA Pass" << std::endl;
        return Status::InvalidParameter;
    }
    return FSTorvoTarget::addPass(pass);
}

TRVStatus FSTorvoPointCloudTarget::writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                                      RenderTool&)
{
    using namespace xmlTools;
    if (entities_.empty()) {
        warnEmpty();
        return Status::Success;
    }
    auto document = copyOf(base);
    setText(findOrCreatePath(document.get(), "KXConfig/FrameSettings"), "renderType", "PointCloudBake");
    tinyxml2::XMLElement* targets = reset(findOrCreatePath(document.get(), "KXConfig/PointCloudBakeSettings"), "targets");
    for (const auto& entity : entities_) {
        const std::string& hashed = entity->pointCloud().hashedName();
        tinyxml2::XMLElement* target = append(targets, "PCBakeTarget");
        // The renderer runs in the job directory, two levels below the cache's scene files.
        setText(target, "input", "../../scenes/" + hashed + ".pc");
        setText(target, "outputFile", hashed + ".pc");
        setText(target, "sourceType", "PointCloudFile");
    }
    documents.push_back(std::move(document));
    return Status::Success;
}

std::string FSTorvoPointCloudTarget::renderOutputName(const JobPass&) const
{
    return {};
}

TRVStatus FSTorvoPointCloudTarget::prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix)
{
    return prefixChildren(document, "KXConfig/PointCloudBakeSettings/targets", "PCBakeTarget", "outputFile", prefix,
                          "Failed to find point cloud bake targets");
}

}  // namespace trv
