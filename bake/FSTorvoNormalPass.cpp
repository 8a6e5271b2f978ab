#include "bake/FSTorvoNormalPass.h"

#include "core/Status.h"
#include "core/XmlTools.h"

namespace trv {

TRVStatus FSTorvoNormalPass::writeConfiguration(tinyxml2::XMLDocument& document)
{
    FSTorvoRenderPass::writeConfiguration(document);
    xmlTools::setText(xmlTools::textureBakeComponents(document), "normals", true);
    // Normals need no light transport: global illumination would only cost time.
    xmlTools::setText(xmlTools::findOrCreatePath(&document, "KXConfig/GISettings"), "enableGI", false);
    xmlTools::setText(xmlTools::vertexBakeComponents(document), "normals", true);
    return Status::Success;
}

std::string FSTorvoNormalPass::resultLayerName() const
{
    return "tpNormals";
}

std::string FSTorvoNormalPass::channelName(int32_t index) const
{
    return standardChannelName(index);
}

}  // namespace trv
