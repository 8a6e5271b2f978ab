// Bakes one set of values per point of each of its point clouds.
#pragma once

#include "bake/FSTorvoTarget.h"

#include <list>
#include <memory>

namespace trv {

class FSTorvoPointCloudTargetEntity;

class FSTorvoPointCloudTarget : public FSTorvoTarget {
public:
    using FSTorvoTarget::FSTorvoTarget;
    ~FSTorvoPointCloudTarget() override;

    const std::list<std::shared_ptr<FSTorvoPointCloudTargetEntity>>& entities() const { return entities_; }

    TRVStatus addBakePointCloud(TorvoPointCloudStub& pointCloud, TorvoTargetEntityStub*& out) override;
    TRVStatus getVertexbuffer(TorvoRenderPassStub& pass, TorvoTargetEntityStub& entity,
                              TorvoFramebufferStub*& out) override;
    TRVStatus addPass(TorvoRenderPassStub& pass) override;
    TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                 RenderTool& tool) override;
    std::string renderOutputName(const JobPass& pass) const override;
    TRVStatus prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix) override;

private:
    std::list<std::shared_ptr<FSTorvoPointCloudTargetEntity>> entities_;
};

}  // namespace trv
