#include "bake/FSTorvoFullShadingPass.h"

#include "core/Status.h"
#include "core/XmlTools.h"

namespace trv {

TRVStatus FSTorvoFullShadingPass::writeConfiguration(tinyxml2::XMLDocument& document)
{
    FSTorvoRenderPass::writeConfiguration(document);
    xmlTools::setText(xmlTools::textureBakeComponents(document), "fullShading", true);
    xmlTools::setText(xmlTools::vertexBakeComponents(document), "fullShading", true);
    return Status::Success;
}

std::string FSTorvoFullShadingPass::resultLayerName() const
{
    return "beauty";
}

std::string FSTorvoFullShadingPass::channelName(int32_t index) const
{
    return standardChannelName(index);
}

}  // namespace trv
