#include "bake/FSTorvoIlluminationPass.h"

#include "core/Status.h"
#include "job/FSTorvoJob.h"
#include "core/XmlTools.h"
#include "scene/FSTorvoLightSource.h"

namespace trv {

FSTorvoIlluminationPass::FSTorvoIlluminationPass(FSTorvoJob& job, std::string name, int32_t mode)
    : FSTorvoRenderPass(job, std::move(name)), mode_(mode)
{
}

TRVStatus FSTorvoIlluminationPass::addFullyBakedLight(TorvoLightSourceStub& light)
{
    return addPassLight(job(), light, fullyBakedLights_);
}

TRVStatus FSTorvoIlluminationPass::writeConfiguration(tinyxml2::XMLDocument& document)
{
    using namespace xmlTools;
    FSTorvoRenderPass::writeConfiguration(document);
    if (mode_ == DirectOnly)
        setText(findOrCreatePath(&document, "KXConfig/GISettings"), "enableGI", false);
    for (tinyxml2::XMLElement* components : {textureBakeComponents(document), vertexBakeComponents(document)}) {
        switch (mode_) {
        case IndirectOnly:
            setText(components, "indirectIllumination", true);
            break;
        case FullAndIndirect: {
            setText(components, "fullAndIndirectIllumination", true);
            tinyxml2::XMLElement* settings = reset(components, "FullAndIndirectIlluminationSettings");
            tinyxml2::XMLElement* lights = reset(settings, "fullyBakedLights");
            for (const FSTorvoLightSource* light : fullyBakedLights_)
                append(lights, "element")->SetText(light->name().c_str());
            break;
        }
        case DirectOnly:
        case Full:
            setText(components, "illumination", true);
            break;
        default:
            break;
        }
    }
    return Status::Success;
}

std::string FSTorvoIlluminationPass::resultLayerName() const
{
    switch (mode_) {
    case IndirectOnly:
        return "tpIndirectIllumination";
    case DirectOnly:
    case Full:
    case FullAndIndirect:
        return "tpIllumination";
    default:
        return {};
    }
}

std::string FSTorvoIlluminationPass::channelName(int32_t index) const
{
    if (mode_ != FullAndIndirect)
        return standardChannelName(index);
    static const char* const names[] = {"IndR", "IndG", "IndB", "FullR", "FullG", "FullB", "Z"};
    if (index >= 0 && index < static_cast<int32_t>(sizeof names / sizeof names[0]))
        return names[index];
    return "invalid";
}

}  // namespace trv
