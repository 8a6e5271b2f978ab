#include "bake/FSTorvoLightPass.h"

#include "bake/FSTorvoLightPassEntry.h"
#include "bake/FSTorvoTargetEntity.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/XmlTools.h"
#include "scene/FSTorvoLightSource.h"

namespace trv {

namespace {

// The renderer's word for a bake type; null for a type it has none for.
const char* bakeTypeWord(int32_t bakeType)
{
    switch (bakeType) {
    case FSTorvoLightPass::LightMap:
        return "LightMap";
    case FSTorvoLightPass::ShadowMap:
        return "ShadowMap";
    case FSTorvoLightPass::FullShading:
        return "FullShading";
    default:
        return nullptr;
    }
}

}  // namespace

FSTorvoLightPass::FSTorvoLightPass(FSTorvoJob& job, std::string name, int32_t bakeType)
    : FSTorvoRenderPass(job, std::move(name)), bakeType_(bakeType)
{
}

FSTorvoLightPass::~FSTorvoLightPass() = default;

TRVStatus FSTorvoLightPass::createLightPassEntry(TorvoLightPassEntryStub*& out)
{
    auto entry = std::make_shared<FSTorvoLightPassEntry>(job());
    entries_.push_back(entry);
    out = entry.get();
    return Status::Success;
}

TRVStatus FSTorvoLightPass::enableSignedDistanceField(int32_t pixelFilterSize, float maxWorldDistance)
{
    if (bakeType_ != ShadowMap) {
        errorStream() << "Light pass must be a shadow map to enable signed distance fields." << std::endl;
        return Status::InvalidObjectState;
    }
    signedDistanceField_ = true;
    signedDistanceFieldPixelFilterSize_ = pixelFilterSize;
    signedDistanceFieldMaxWorldDistance_ = maxWorldDistance;
    return Status::Success;
}

TRVStatus FSTorvoLightPass::writeConfiguration(tinyxml2::XMLDocument& document)
{
    FSTorvoRenderPass::writeConfiguration(document);
    if (entries_.empty())
        infoStream() << "The light pass " << name() << " does not have any entries and will be empty." << std::endl;
    writeEntries(xmlTools::textureBakeComponents(document));
    writeEntries(xmlTools::vertexBakeComponents(document));
    return Status::Success;
}

void FSTorvoLightPass::writeEntries(tinyxml2::XMLElement* components) const
{
    using namespace xmlTools;
    tinyxml2::XMLElement* settings = reset(components, "LightPassSettings");
    if (signedDistanceField_) {
        setText(settings, "signedDistanceField", true);
        setText(settings, "signedDistanceFieldPixelFilterSize", signedDistanceFieldPixelFilterSize_);
        setText(settings, "signedDistanceFieldMaxWorldDistance", signedDistanceFieldMaxWorldDistance_);
    }
    tinyxml2::XMLElement* pass = reset(components, "lightPass");
    for (const auto& entry : entries_) {
        tinyxml2::XMLElement* element = append(pass, "LightPassEntry");
        tinyxml2::XMLElement* lights = reset(element, "lights");
        for (const FSTorvoLightSource* light : entry->lights())
            append(lights, "element")->SetText(light->name().c_str());
        if (const char* word = bakeTypeWord(bakeType_))
            setText(element, "bakeType", word);
        tinyxml2::XMLElement* targets = reset(element, "affectedTargets");
        for (const FSTorvoTargetEntity* target : entry->targets())
            append(targets, "element")->SetText(target->name().c_str());
    }
}

std::string FSTorvoLightPass::resultLayerName() const
{
    return "LightPass";
}

std::string FSTorvoLightPass::channelName(int32_t index) const
{
    return standardChannelName(index);
}

}  // namespace trv
