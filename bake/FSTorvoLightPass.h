// Per-light results: the light maps, shadow maps or full shading of chosen lights on chosen
// target entities, described by entries that all share the pass's bake type.
#pragma once

#include "bake/FSTorvoRenderPass.h"

#include <memory>
#include <vector>

namespace trv {

class FSTorvoLightPassEntry;

class FSTorvoLightPass : public FSTorvoRenderPass {
public:
    enum BakeType : int32_t { LightMap = 0, ShadowMap = 1, FullShading = 2 };

    // The bake type is kept as given: another value writes its entries without one.
    FSTorvoLightPass(FSTorvoJob& job, std::string name, int32_t bakeType);
    ~FSTorvoLightPass() override;

    int32_t bakeType() const { return bakeType_; }
    const std::vector<std::shared_ptr<FSTorvoLightPassEntry>>& entries() const { return entries_; }
    bool signedDistanceField() const { return signedDistanceField_; }

    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override;
    TRVStatus createLightPassEntry(TorvoLightPassEntryStub*& out) override;
    TRVStatus enableSignedDistanceField(int32_t pixelFilterSize, float maxWorldDistance) override;
    std::string resultLayerName() const override;
    std::string channelName(int32_t index) const override;

private:
    void writeEntries(tinyxml2::XMLElement* components) const;

    std::vector<std::shared_ptr<FSTorvoLightPassEntry>> entries_;
    int32_t bakeType_;
    bool signedDistanceField_ = false;
    int32_t signedDistanceFieldPixelFilterSize_ = 0;
    float signedDistanceFieldMaxWorldDistance_ = 0.0f;
};

}  // namespace trv
