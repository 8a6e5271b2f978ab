#include "bake/FSTorvoIlluminationPass.h"

#include "core/Log.h"
#include "core/Status.h"
#include "job/FSTorvoJob.h"
#include "core/XmlTools.h"
#include "scene/FSTorvoLightSource.h"
#include "scene/FSTorvoScene.h"

namespace trv {

namespace {

// Lights are known to the renderer by name: only the scene's own light of that name will do.
bool isLightOf(const FSTorvoScene* scene, const FSTorvoLightSource& light)
{
    if (!scene)
        return false;
    const auto found = scene->lights().find(light.name());
    return found != scene->lights().end() && found->second.get() == &light;
}

}  // namespace

FSTorvoIlluminationPass::FSTorvoIlluminationPass(FSTorvoJob& job, std::string name, int32_t mode)
    : FSTorvoRenderPass(job, std::move(name)), mode_(mode)
{
}

TRVStatus FSTorvoIlluminationPass::addFullyBakedLight(TorvoLightSourceStub& light)
{
    const auto* source = dynamic_cast<const FSTorvoLightSource*>(&light);
    if (!source)
        return Status::InvalidParameter;
    if (!isLightOf(job().scene().get(), *source)) {
        errorStream() << "Light source " << source->name() << " added to unrelated pass" << std::endl;
        return Status::InvalidHandle;
    }
    if (!fullyBakedLights_.insert(source).second) {
        errorStream() << "Light source " << source->name() << " already added to pass" << std::endl;
        return Status::DuplicateName;
    }
    return Status::Success;
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
