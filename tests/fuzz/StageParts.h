// A pass and targets of the smallest kind that stage building accepts: the pass switches one
// render component on, each target adds one surface-transfer texture of its own name. Stand-ins
// for the bake layer's passes and targets, which the job layer sees only through these interfaces.
#pragma once

#include "core/XmlTools.h"
#include "job/JobPass.h"
#include "job/JobTarget.h"
#include "job/PassesAndTargets.h"

#include <memory>
#include <string>

namespace trvfuzz {

class StagePass : public trv::JobPass {
public:
    explicit StagePass(std::string shortName) : shortName_(std::move(shortName)) {}
    const std::string& shortName() const override { return shortName_; }
    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override
    {
        trv::xmlTools::setText(trv::xmlTools::textureBakeComponents(document), "fullShading", true);
        return 0;
    }

private:
    std::string shortName_;
};

class StageTarget : public trv::JobTarget {
public:
    StageTarget(std::string shortName, bool texture) : shortName_(std::move(shortName)), texture_(texture) {}
    const std::string& shortName() const override { return shortName_; }
    bool usesPass(const trv::JobPass&) const override { return true; }
    bool isTextureTarget() const override { return texture_; }
    TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, trv::DocumentList& documents,
                                 trv::RenderTool&) override
    {
        auto document = std::make_unique<tinyxml2::XMLDocument>();
        base.DeepCopy(document.get());
        auto* targets = trv::xmlTools::findOrCreatePath(document.get(), "KXConfig/SurfaceTransferSettings/targets");
        trv::xmlTools::setText(trv::xmlTools::append(targets, "SurfaceTransferTexture"), "textureName", shortName_);
        documents.push_back(std::move(document));
        return 0;
    }
    std::string renderOutputName(const trv::JobPass&) const override { return {}; }
    TRVStatus prefixOutputNames(tinyxml2::XMLDocument&, const std::string&) override { return 0; }
    void jobFinished() override {}

private:
    std::string shortName_;
    bool texture_;
};

// One pass used by two texture targets (their documents are merged into one stage) and by one
// target of another kind (a stage of its own).
inline void addStageParts(trv::PassesAndTargets& parts)
{
    auto target = [](const char* shortName, bool texture) {
        return [=](std::shared_ptr<trv::JobTarget>& made) {
            made = std::make_shared<StageTarget>(shortName, texture);
            return TRVStatus(0);
        };
    };
    (void)parts.addPass("pass", [](std::shared_ptr<trv::JobPass>& made) {
        made = std::make_shared<StagePass>("pass0");
        return TRVStatus(0);
    });
    (void)parts.addTarget("texture a", target("target0", true));
    (void)parts.addTarget("texture b", target("target1", true));
    (void)parts.addTarget("vertices", target("target2", false));
}

}  // namespace trvfuzz
