// Radiosity normal maps: the light from around the surface split over three (or four) basis
// directions of its tangent space.
#pragma once

#include "bake/FSTorvoRenderPass.h"

namespace trv {

class FSTorvoRNMPass : public FSTorvoRenderPass {
public:
    static constexpr int32_t defaultSamples = 300;

    using FSTorvoRenderPass::FSTorvoRenderPass;

    // The creation settings. components and basis take 0..2 (basis 3, a custom basis, gives 9);
    // samples 0 means the radiance cache; a refused value leaves the pass as it was (status 1).
    [[nodiscard]] TRVStatus setComponents(int32_t components);
    [[nodiscard]] TRVStatus setSamples(int32_t samples);
    [[nodiscard]] TRVStatus setBasis(int32_t basis);

    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override;
    TRVStatus setLambertianClamp(float value) override;
    TRVStatus setAllowNegative(int32_t mode) override;
    TRVStatus includeNormalComponent() override;
    TRVStatus matchNormalIntensity() override;
    std::string resultLayerName() const override;
    std::string channelName(int32_t index) const override;

private:
    int32_t samples_ = defaultSamples;
    bool useRadianceCache_ = false;
    bool matchNormalIntensity_ = false;
    bool includeNormalComponent_ = false;
    int32_t allowNegative_ = 2;
    int32_t basis_ = 0;
    int32_t components_ = 2;
    bool lambertianClampEnabled_ = false;
    float lambertianClamp_ = 2.0f;
    float cosLobeExponent_ = 1.0f;
};

}  // namespace trv
