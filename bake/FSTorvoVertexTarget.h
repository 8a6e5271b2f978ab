// Bakes one set of values per mesh vertex of each of its instances.
#pragma once

#include "bake/FSTorvoTarget.h"

#include <list>
#include <memory>

namespace trv {

class FSTorvoVertexTargetEntity;

class FSTorvoVertexTarget : public FSTorvoTarget {
public:
    using FSTorvoTarget::FSTorvoTarget;
    ~FSTorvoVertexTarget() override;

    const std::list<std::shared_ptr<FSTorvoVertexTargetEntity>>& entities() const { return entities_; }

    TRVStatus addBakeInstance(TorvoInstanceStub& instance, TorvoTargetEntityStub*& out) override;
    TRVStatus getVertexbuffer(TorvoRenderPassStub& pass, TorvoTargetEntityStub& entity,
                              TorvoFramebufferStub*& out) override;
    TRVStatus addPass(TorvoRenderPassStub& pass) override;
    TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                 RenderTool& tool) override;
    std::string renderOutputName(const JobPass& pass) const override;
    TRVStatus prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix) override;

private:
    std::list<std::shared_ptr<FSTorvoVertexTargetEntity>> entities_;
};

}  // namespace trv
