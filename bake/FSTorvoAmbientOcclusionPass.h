// Ambient occlusion: how much of the surroundings a surface point sees unblocked.
#pragma once

#include "bake/FSTorvoRenderPass.h"

namespace trv {

class FSTorvoAmbientOcclusionPass : public FSTorvoRenderPass {
public:
    static constexpr float widestCone = 180.0f;

    using FSTorvoRenderPass::FSTorvoRenderPass;

    // The creation settings: a distance below 0 or a cone outside 0..180 degrees gives 1.
    [[nodiscard]] TRVStatus setDistanceAndCone(float maxDistance, float coneAngle);

    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override;
    TRVStatus setAOAdaptive(float accuracy, float smooth) override;
    TRVStatus setAONumRays(int32_t minRays, int32_t maxRays) override;
    TRVStatus setAOContrast(float contrast, float scale) override;
    TRVStatus setAOUniformSampling() override;
    TRVStatus setAOSelfOcclusion(int32_t mode) override;
    TRVStatus enableAOBentNormals() override;
    std::string resultLayerName() const override;
    std::string channelName(int32_t index) const override;

private:
    float maxDistance_ = 0.0f;
    float coneAngle_ = widestCone;
    float contrast_ = 1.0f;
    float scale_ = 1.0f;
    bool adaptive_ = false;
    float accuracy_ = 1.0f;
    float smooth_ = 1.0f;
    uint32_t maxRays_ = 300;
    uint32_t minRays_ = 64;
    int32_t selfOcclusion_ = 2;
    bool uniformSampling_ = false;
    bool obeyTransparency_ = true;
    bool bentNormals_ = false;
    bool reflectionOcclusion_ = false;
    bool useDisplacement_ = false;
};

}  // namespace trv
