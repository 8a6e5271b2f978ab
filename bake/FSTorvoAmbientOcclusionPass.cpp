#include "bake/FSTorvoAmbientOcclusionPass.h"

#include "core/Log.h"
#include "core/Status.h"
#include "core/XmlTools.h"

namespace trv {

namespace {

const char* const selfOcclusionWords[] = {"Disabled", "Environment", "Enabled"};
constexpr int32_t selfOcclusionModes = 3;

TRVStatus refuseAdaptiveWithBentNormals()
{
    errorStream() << "Cannot use adaptive sampling and bent normals at the same time." << std::endl;
    return Status::InvalidObjectState;
}

}  // namespace

TRVStatus FSTorvoAmbientOcclusionPass::setDistanceAndCone(float maxDistance, float coneAngle)
{
    if (maxDistance < 0.0f || coneAngle < 0.0f || coneAngle > widestCone)
        return Status::InvalidParameter;
    maxDistance_ = maxDistance;
    coneAngle_ = coneAngle;
    return Status::Success;
}

TRVStatus FSTorvoAmbientOcclusionPass::setAOAdaptive(float accuracy, float smooth)
{
    if (accuracy < 0.0f || smooth < 0.0f)
        return Status::InvalidParameter;
    if (bentNormals_)
        return refuseAdaptiveWithBentNormals();
    accuracy_ = accuracy;
    smooth_ = smooth;
    adaptive_ = true;
    return Status::Success;
}

TRVStatus FSTorvoAmbientOcclusionPass::setAONumRays(int32_t minRays, int32_t maxRays)
{
    // Counts are unsigned: a negative count is a huge one, and a minimum of -1 exceeds any maximum.
    const auto low = static_cast<uint32_t>(minRays);
    const auto high = static_cast<uint32_t>(maxRays);
    if (low > high)
        return Status::InvalidParameter;
    minRays_ = low;
    maxRays_ = high;
    return Status::Success;
}

TRVStatus FSTorvoAmbientOcclusionPass::setAOContrast(float contrast, float scale)
{
    if (contrast < 0.0f || scale < 0.0f)
        return Status::InvalidParameter;
    contrast_ = contrast;
    scale_ = scale;
    return Status::Success;
}

TRVStatus FSTorvoAmbientOcclusionPass::setAOUniformSampling()
{
    uniformSampling_ = true;
    return Status::Success;
}

TRVStatus FSTorvoAmbientOcclusionPass::setAOSelfOcclusion(int32_t mode)
{
    if (mode < 0 || mode >= selfOcclusionModes)
        return Status::InvalidParameter;
    selfOcclusion_ = mode;
    return Status::Success;
}

TRVStatus FSTorvoAmbientOcclusionPass::enableAOBentNormals()
{
    if (adaptive_)
        return refuseAdaptiveWithBentNormals();
    bentNormals_ = true;
    return Status::Success;
}

TRVStatus FSTorvoAmbientOcclusionPass::writeConfiguration(tinyxml2::XMLDocument& document)
{
    using namespace xmlTools;
    FSTorvoRenderPass::writeConfiguration(document);
    setText(findOrCreatePath(&document, "KXConfig/GISettings"), "enableGI", false);
    for (tinyxml2::XMLElement* components : {textureBakeComponents(document), vertexBakeComponents(document)})
        setText(reset(components, "customPasses"), "element", "ambientOcclusion");
    tinyxml2::XMLElement* settings = findOrCreatePath(&document, "KXConfig/AOSettings");
    setText(settings, "aoUniformSampling", uniformSampling_);
    setText(settings, "aoBendNormals", bentNormals_);
    setText(settings, "aoReflectionOcclusion", reflectionOcclusion_);
    setText(settings, "aoUseDisplacement", useDisplacement_);
    setText(settings, "aoObeyTransparency", obeyTransparency_);
    setText(settings, "aoMinRay", minRays_);
    setText(settings, "aoMaxRay", maxRays_);
    setText(settings, "aoConeAngle", coneAngle_);
    setText(settings, "aoMaxDistance", maxDistance_);
    setText(settings, "aoContrast", contrast_);
    setText(settings, "aoScale", scale_);
    setText(settings, "aoSelfOcclusion", selfOcclusionWords[selfOcclusion_]);
    setText(settings, "aoAdaptive", adaptive_);
    setText(settings, "aoAccuracy", accuracy_);
    setText(settings, "aoSmooth", smooth_);
    setText(settings, "aoUseFile", false);
    return Status::Success;
}

std::string FSTorvoAmbientOcclusionPass::resultLayerName() const
{
    return "ambientOcclusion";
}

std::string FSTorvoAmbientOcclusionPass::channelName(int32_t index) const
{
    return standardChannelName(index);
}

}  // namespace trv
