// The surfaces' shading normals; lighting plays no part in it.
#pragma once

#include "bake/FSTorvoRenderPass.h"

namespace trv {

class FSTorvoNormalPass : public FSTorvoRenderPass {
public:
    using FSTorvoRenderPass::FSTorvoRenderPass;

    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override;
    std::string resultLayerName() const override;
    std::string channelName(int32_t index) const override;
};

}  // namespace trv
