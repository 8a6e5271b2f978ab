// The fully shaded surface: everything the renderer computes for a surface's appearance.
#pragma once

#include "bake/FSTorvoRenderPass.h"

namespace trv {

class FSTorvoFullShadingPass : public FSTorvoRenderPass {
public:
    using FSTorvoRenderPass::FSTorvoRenderPass;

    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override;
    std::string resultLayerName() const override;
    std::string channelName(int32_t index) const override;
};

}  // namespace trv
