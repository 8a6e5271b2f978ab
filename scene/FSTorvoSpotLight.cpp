#include "scene/FSTorvoSpotLight.h"

#include "core/Log.h"
#include "core/Status.h"
#include "geometry/FSTorvoTexture.h"
#include "scene/Angles.h"
#include "scene/ParameterChecks.h"
#include "scene/SceneSerializer.h"

namespace trv {

FSTorvoSpotLight::FSTorvoSpotLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                                   const TRVMatrix4x4& transform)
    : FSTorvoLightSource(scene, std::move(name), color, transform)
{
}

bool FSTorvoSpotLight::serialize(SceneSerializer& serializer) const { return serializer.writeSpotLight(*this); }

TRVStatus FSTorvoSpotLight::setShadowRadius(float radius) { return changeShadowRadius(shadowRadius_, radius); }

TRVStatus FSTorvoSpotLight::setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne)
{
    return changeFalloff(falloff_, type, exponent, cutoff, clampToOne);
}

namespace {

// The widest cone, penumbra included, in radians: a full turn with a tolerance, added in single
// precision, so that a cone of 2π computed by the host in floats passes.
constexpr float coneTolerance = 0.0001f;
constexpr double largestConeAngle = static_cast<double>(angles::fullTurn + coneTolerance);
static_assert(largestConeAngle == 6.283285617828369, "the bound is the float sum");

}  // namespace

TRVStatus FSTorvoSpotLight::setSpotlightCone(float coneAngle, float penumbraAngle, float penumbraExponent)
{
    if (!checkAtLeast("penumbra angle", coneAngle, 0.0f))
        return Status::InvalidParameter;
    const float outerAngle = coneAngle + 2.0f * penumbraAngle;
    const auto inCone = [](double angle) { return angle >= 0.0 && angle <= largestConeAngle; };
    if (!inCone(coneAngle) || !inCone(outerAngle)) {
        errorStream() << "Cone out of bounds. Angle:" << coneAngle << " Penumbra angle: " << penumbraAngle
                      << std::endl;
        return Status::InvalidParameter;
    }
    if (!checkAtLeast("penumbraExponent", penumbraExponent, 0.0f))
        return Status::InvalidParameter;
    coneAngle_ = coneAngle;
    penumbraAngle_ = penumbraAngle;
    penumbraExponent_ = penumbraExponent;
    return Status::Success;
}

TRVStatus FSTorvoSpotLight::addLightRampEntry(float position, const TRVLinearRGB* color)
{
    return appendRampEntry(ramp_, position, color);
}

TRVStatus FSTorvoSpotLight::setProjectedTexture(TorvoTextureStub& texture)
{
    const auto* fsTexture = dynamic_cast<const FSTorvoTexture*>(&texture);
    hasProjectedTexture_ = fsTexture != nullptr;
    projectedTexture_.reset();
    projectedTextureImage_.clear();
    if (fsTexture == nullptr) {
        errorStream() << "Invalid Texture given to setLightProjectedTexture" << std::endl;
        return Status::InvalidParameter;
    }
    projectedTexture_ = fsTexture->weak_from_this();
    if (!fsTexture->isBeingBuilt())
        projectedTextureImage_ = fsTexture->imagePath();
    return Status::Success;
}

std::filesystem::path FSTorvoSpotLight::projectedTextureImage() const
{
    if (!projectedTextureImage_.empty())
        return projectedTextureImage_;
    const auto texture = projectedTexture_.lock();
    return texture ? texture->imagePath() : std::filesystem::path();
}

}  // namespace trv
