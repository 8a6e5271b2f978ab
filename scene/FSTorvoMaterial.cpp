#include "scene/FSTorvoMaterial.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "geometry/FSTorvoTexture.h"
#include "scene/FSTorvoScene.h"
#include "scene/ParameterChecks.h"

namespace trv {

bool MaterialChannel::isNeutral() const
{
    const float neutralScale = zeroScaleDefault ? 0.0f : 1.0f;
    return texture == nullptr && !useVertexColors && scale == neutralScale && color.r == 0.0f && color.g == 0.0f &&
           color.b == 0.0f && uvLayer.empty();
}

namespace {

bool channelInRange(int32_t channel)
{
    return checkBetween<int32_t>("channel", channel, 0, FSTorvoMaterial::channelCount - 1);
}

struct NamedValue {
    const char* name;
    float value;
};

// None of the values may be negative (or NaN); the first that is gets the at-least message.
bool allAtLeastZero(std::initializer_list<NamedValue> values)
{
    for (const NamedValue& value : values)
        if (!checkAtLeast(value.name, value.value, 0.0f))
            return false;
    return true;
}

}  // namespace

FSTorvoMaterial::FSTorvoMaterial(FSTorvoScene* scene, std::string name) : scene_(scene), name_(std::move(name))
{
    channels_[Diffuse].color = {0.7f, 0.7f, 0.7f, 0.0f};
    channels_[Shininess].scale = 0.0f;
    channels_[Shininess].zeroScaleDefault = true;
    channels_[Reflection].scale = 0.0f;
    channels_[Reflection].zeroScaleDefault = true;
}

FSTorvoMaterial::~FSTorvoMaterial() = default;

bool FSTorvoMaterial::sceneOpen() const
{
    if (scene_ == nullptr || !scene_->isFinalized())
        return true;
    errorStream() << "Scene already finalized." << std::endl;
    return false;
}

TRVStatus FSTorvoMaterial::setColor(int32_t channel, const TRVLinearRGBA* color)
{
    if (!sceneOpen())
        return Status::InvalidObjectState;
    if (!channelInRange(channel))
        return Status::InvalidParameter;
    if (channel == Shininess) {
        errorStream() << "Colors not not supported as shininess." << std::endl;
        return Status::InvalidParameter;
    }
    if (channel == Reflection) {
        errorStream() << "Colored reflectivity is currently not supported." << std::endl;
        return Status::NotSupported;
    }
    if (!checkNotNull("color", color))
        return Status::InvalidParameter;
    channels_[channel].color = *color;
    return Status::Success;
}

TRVStatus FSTorvoMaterial::setScale(int32_t channel, float scale)
{
    if (!sceneOpen())
        return Status::InvalidObjectState;
    if (!channelInRange(channel))
        return Status::InvalidParameter;
    channels_[channel].scale = scale;
    return Status::Success;
}

TRVStatus FSTorvoMaterial::setTexture(int32_t channel, TorvoTextureStub& texture)
{
    if (!sceneOpen())
        return Status::InvalidObjectState;
    auto* fsTexture = dynamic_cast<FSTorvoTexture*>(&texture);
    if (fsTexture == nullptr) {
        errorStream() << "Invalid Texture Handle: " << formatPointer(&texture) << "." << std::endl;
        return Status::InvalidHandle;
    }
    if (fsTexture->isBeingBuilt()) {
        errorStream() << "Texture must be finalized before used in a material." << std::endl;
        return Status::InvalidObjectState;
    }
    if (!channelInRange(channel))
        return Status::InvalidParameter;
    if (channel == Shininess) {
        errorStream() << "Texturing shininess is currently not supported." << std::endl;
        return Status::NotSupported;
    }
    if (channel == Reflection) {
        errorStream() << "Texturing reflectivity is currently not supported." << std::endl;
        return Status::NotSupported;
    }
    channels_[channel].texture = fsTexture;
    channels_[channel].textureImage = fsTexture->imagePath();
    return Status::Success;
}

TRVStatus FSTorvoMaterial::setUseVertexColors(int32_t channel)
{
    if (!sceneOpen())
        return Status::InvalidObjectState;
    if (!channelInRange(channel))
        return Status::InvalidParameter;
    channels_[channel].useVertexColors = true;
    return Status::Success;
}

TRVStatus FSTorvoMaterial::setChannelUVLayer(int32_t channel, const std::string& uvLayerName)
{
    if (!channelInRange(channel))
        return Status::InvalidParameter;
    channels_[channel].uvLayer = uvLayerName;
    return Status::Success;
}

TRVStatus FSTorvoMaterial::setAlphaAsTransparency(bool alphaAsTransparency)
{
    alphaAsTransparency_ = alphaAsTransparency;
    return Status::Success;
}

TRVStatus FSTorvoMaterial::setPrimaryGICorrection(float intensity, float saturation)
{
    if (!allAtLeastZero({{"intensity", intensity}, {"saturation", saturation}}))
        return Status::InvalidParameter;
    primaryGIIntensity_ = intensity;
    primaryGISaturation_ = saturation;
    return Status::Success;
}

TRVStatus FSTorvoMaterial::setSecondaryGICorrection(float intensity, float saturation)
{
    if (!allAtLeastZero({{"intensity", intensity}, {"saturation", saturation}}))
        return Status::InvalidParameter;
    secondaryGIIntensity_ = intensity;
    secondaryGISaturation_ = saturation;
    return Status::Success;
}

TRVStatus FSTorvoMaterial::setGIScale(float diffuseBoost, float emissiveScale, float specularScale)
{
    if (!allAtLeastZero(
            {{"diffuseBoost", diffuseBoost}, {"emissiveScale", emissiveScale}, {"specularScale", specularScale}}))
        return Status::InvalidParameter;
    diffuseGIBoost_ = diffuseBoost;
    emissiveGIScale_ = emissiveScale;
    specularGIScale_ = specularScale;
    return Status::Success;
}

}  // namespace trv
