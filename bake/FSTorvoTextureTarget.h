// Bakes its instances into one texture through their UVs.
#pragma once

#include "bake/FSTorvoTarget.h"

#include <list>
#include <memory>

namespace trv {

class FSTorvoTextureTargetEntity;

class FSTorvoTextureTarget : public FSTorvoTarget {
public:
    FSTorvoTextureTarget(FSTorvoJob& job, std::string name, int32_t width, int32_t height);
    ~FSTorvoTextureTarget() override;

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const std::list<std::shared_ptr<FSTorvoTextureTargetEntity>>& entities() const { return entities_; }

    bool isTextureTarget() const override;
    TRVStatus addBakeInstance(TorvoInstanceStub& instance, TorvoTargetEntityStub*& out) override;
    TRVStatus getFramebufferCount(int32_t* count) override;
    TRVStatus getFramebuffer(int32_t index, TorvoRenderPassStub& pass, TorvoFramebufferStub*& out) override;
    TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                 RenderTool& tool) override;
    std::string renderOutputName(const JobPass& pass) const override;
    TRVStatus prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix) override;

    // The range the renderer normalized entity's values of pass from, for one channel when the
    // pass normalizes per channel. The pass's document is read once and kept.
    TRVStatus getNormalizationData(const FSTorvoTextureTargetEntity& entity, TorvoRenderPassStub& pass,
                                   int32_t channel, float* min, float* max);

private:
    int32_t width_;
    int32_t height_;
    std::list<std::shared_ptr<FSTorvoTextureTargetEntity>> entities_;
};

}  // namespace trv
