#include "bake/FSTorvoRNMPass.h"

#include "core/Log.h"
#include "core/Status.h"
#include "core/XmlTools.h"

namespace trv {

namespace {

const char* const componentWords[] = {"DirectLight", "IndirectLight", "DirectAndIndirectLight"};
const char* const allowNegativeWords[] = {"Allow", "Disallow", "DisallowCullHorizon"};
const char* const basisWords[] = {"HL2", "UnrealEngine", "UnrealEngineFlipped"};
constexpr int32_t wordCount = 3;
constexpr int32_t customBasis = 3;
constexpr int32_t noIndirectLight = 0;

// Four channels (R, G, B, A) per basis direction, each direction a letter from 'a'.
constexpr int32_t channelsPerDirection = 4;
constexpr int32_t depthIndex = 12;
constexpr int32_t depthIndexWithNormal = 16;
constexpr int32_t lastDirection = 'z' - 'a';

bool isWord(int32_t value)
{
    return value >= 0 && value < wordCount;
}

void setWord(tinyxml2::XMLElement* parent, const char* name, const char* const words[], int32_t value)
{
    if (isWord(value))
        xmlTools::setText(parent, name, words[value]);
}

}  // namespace

TRVStatus FSTorvoRNMPass::setComponents(int32_t components)
{
    if (!isWord(components))
        return Status::InvalidParameter;
    components_ = components;
    return Status::Success;
}

TRVStatus FSTorvoRNMPass::setSamples(int32_t samples)
{
    if (samples < 0)
        return Status::InvalidParameter;
    samples_ = samples;
    useRadianceCache_ = samples == 0;
    return Status::Success;
}

TRVStatus FSTorvoRNMPass::setBasis(int32_t basis)
{
    if (basis == customBasis) {
        errorStream() << "Custom basis not supported yet" << std::endl;
        return Status::NotSupported;
    }
    if (!isWord(basis))
        return Status::InvalidParameter;
    basis_ = basis;
    return Status::Success;
}

TRVStatus FSTorvoRNMPass::setLambertianClamp(float value)
{
    lambertianClamp_ = value;
    lambertianClampEnabled_ = true;
    return Status::Success;
}

TRVStatus FSTorvoRNMPass::setAllowNegative(int32_t mode)
{
    if (!isWord(mode))
        return Status::InvalidParameter;
    allowNegative_ = mode;
    return Status::Success;
}

TRVStatus FSTorvoRNMPass::includeNormalComponent()
{
    includeNormalComponent_ = true;
    return Status::Success;
}

TRVStatus FSTorvoRNMPass::matchNormalIntensity()
{
    matchNormalIntensity_ = true;
    return Status::Success;
}

TRVStatus FSTorvoRNMPass::writeConfiguration(tinyxml2::XMLDocument& document)
{
    using namespace xmlTools;
    FSTorvoRenderPass::writeConfiguration(document);
    for (tinyxml2::XMLElement* components : {textureBakeComponents(document), vertexBakeComponents(document)}) {
        setText(components, "rnm", true);
        tinyxml2::XMLElement* settings = findOrCreate(components, "RNMSettings");
        setText(settings, "samples", samples_);
        setText(settings, "adjustIntensity", matchNormalIntensity_);
        setText(settings, "includeNormalComponent", includeNormalComponent_);
        setWord(settings, "components", componentWords, components_);
        setWord(settings, "allowNegative", allowNegativeWords, allowNegative_);
        setWord(settings, "basis", basisWords, basis_);
        setText(settings, "enableLambertianClamp", lambertianClampEnabled_);
        setText(settings, "lambertianClamp", lambertianClamp_);
        setText(settings, "cosLobeExponent", cosLobeExponent_);
    }
    tinyxml2::XMLElement* gi = findOrCreatePath(&document, "KXConfig/GISettings");
    if (useRadianceCache_) {
        setText(gi, "fgUseCache", "RadianceSH");
        setText(gi, "primaryIntegrator", "FinalGather");
    }
    setText(gi, "enableGI", components_ != noIndirectLight);
    return Status::Success;
}

std::string FSTorvoRNMPass::resultLayerName() const
{
    return "tpRnm";
}

std::string FSTorvoRNMPass::channelName(int32_t index) const
{
    if (index == (includeNormalComponent_ ? depthIndexWithNormal : depthIndex))
        return "Z";
    // Past the last letter there is no direction to name.
    if (index < 0 || index / channelsPerDirection > lastDirection)
        return standardChannelName(-1);
    return std::string(1, static_cast<char>('a' + index / channelsPerDirection)) + "." +
           standardChannelName(index % channelsPerDirection);
}

}  // namespace trv
