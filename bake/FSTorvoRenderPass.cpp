#include "bake/FSTorvoRenderPass.h"

#include "core/Log.h"
#include "core/Status.h"
#include "job/FSTorvoJob.h"
#include "core/XmlTools.h"

namespace trv {

namespace {

TRVStatus refuse(const char* message)
{
    errorStream() << message << std::endl;
    return Status::InvalidHandle;
}

}  // namespace

std::string standardChannelName(int32_t index)
{
    static const char* const names[] = {"R", "G", "B", "A", "Z"};
    if (index >= 0 && index < static_cast<int32_t>(sizeof names / sizeof names[0]))
        return names[index];
    return "I";
}

FSTorvoRenderPass::FSTorvoRenderPass(FSTorvoJob& job, std::string name)
    : job_(&job), name_(std::move(name)), shortName_(job.nextPassShortName())
{
    infoStream() << "Pass " << name_ << " will use short name " << shortName_ << std::endl;
}

FSTorvoRenderPass::~FSTorvoRenderPass() = default;

TRVStatus FSTorvoRenderPass::writeConfiguration(tinyxml2::XMLDocument& document)
{
    using namespace xmlTools;
    tinyxml2::XMLElement* normalize = findOrCreatePath(&document, "KXConfig/TextureBakeSettings/Normalize");
    setText(normalize, "normalizeComponent", "Shape");
    setText(normalize, "normalizeOutput", normalizePerChannel_ ? "PerChannel" : "Linked");
    setText(normalize, "normalizeRange", "Max");
    setText(normalize, "normalizeAlpha", true);
    setText(normalize, "normalizeValues", normalizationEnabled_);
    return Status::Success;
}

TRVStatus FSTorvoRenderPass::setNormalization(bool perChannel)
{
    normalizePerChannel_ = perChannel;
    normalizationEnabled_ = true;
    return Status::Success;
}

TRVStatus FSTorvoRenderPass::addFullyBakedLight(TorvoLightSourceStub&)
{
    return refuse("Lights can only be added to an Illumination pass.");
}

TRVStatus FSTorvoRenderPass::createLightPassEntry(TorvoLightPassEntryStub*& out)
{
    out = nullptr;
    return refuse("A light pass entry can only be created on a light pass.");
}

TRVStatus FSTorvoRenderPass::enableSignedDistanceField(int32_t, float)
{
    return refuse("Signed distance fields is only valid on light passes.");
}

TRVStatus FSTorvoRenderPass::setLambertianClamp(float)
{
    return refuse("Tried to set lambertian clamp on a non-RNM pass.");
}

TRVStatus FSTorvoRenderPass::setAllowNegative(int32_t)
{
    return refuse("Tried to set \"allow negative\" on a non-RNM pass.");
}

TRVStatus FSTorvoRenderPass::includeNormalComponent()
{
    return refuse("Tried to enable normal component on a non-RNM pass.");
}

TRVStatus FSTorvoRenderPass::matchNormalIntensity()
{
    return refuse("Tried to set match normal intensity on a non-RNM pass.");
}

TRVStatus FSTorvoRenderPass::setAOAdaptive(float, float)
{
    return refuse("Tried to set \"adaptive\" on a non-AO pass.");
}

TRVStatus FSTorvoRenderPass::setAONumRays(int32_t, int32_t)
{
    return refuse("Tried to set \"numRays\" on a non-AO pass.");
}

TRVStatus FSTorvoRenderPass::setAOContrast(float, float)
{
    return refuse("Tried to set Contrast on a non-AO pass.");
}

TRVStatus FSTorvoRenderPass::setAOUniformSampling()
{
    return refuse("Tried to enable uniform sampling on a non-AO pass.");
}

TRVStatus FSTorvoRenderPass::setAOSelfOcclusion(int32_t)
{
    return refuse("Tried to set self occlusion on a non-AO pass.");
}

TRVStatus FSTorvoRenderPass::enableAOBentNormals()
{
    return refuse("Tried to set bent normals on a non-AO pass.");
}

}  // namespace trv
