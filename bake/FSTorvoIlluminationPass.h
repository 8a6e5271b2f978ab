// The light arriving at the surfaces: direct, indirect, or both, with lights that are baked fully.
#pragma once

#include "bake/FSTorvoRenderPass.h"
#include "bake/PassLights.h"

namespace trv {

class FSTorvoIlluminationPass : public FSTorvoRenderPass {
public:
    enum Mode : int32_t { DirectOnly = 0, IndirectOnly = 1, Full = 2, FullAndIndirect = 3 };

    // The mode is kept as given: a mode outside 0..3 writes no component switch.
    FSTorvoIlluminationPass(FSTorvoJob& job, std::string name, int32_t mode = Full);

    int32_t mode() const { return mode_; }
    const PassLightSet& fullyBakedLights() const { return fullyBakedLights_; }

    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override;
    TRVStatus addFullyBakedLight(TorvoLightSourceStub& light) override;
    std::string resultLayerName() const override;
    std::string channelName(int32_t index) const override;

private:
    PassLightSet fullyBakedLights_;
    int32_t mode_;
};

}  // namespace trv
