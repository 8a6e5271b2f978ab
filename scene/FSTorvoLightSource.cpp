#include "scene/FSTorvoLightSource.h"

#include "core/Log.h"
#include "core/Status.h"
#include "scene/Angles.h"
#include "scene/ParameterChecks.h"

namespace trv {

FSTorvoLightSource::FSTorvoLightSource(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                                       const TRVMatrix4x4& transform)
    : scene_(scene), name_(std::move(name)), color_(color), transform_(transform)
{
}

FSTorvoLightSource::~FSTorvoLightSource() = default;

TRVStatus FSTorvoLightSource::setShadowRadius(float)
{
    errorStream() << "Tried to set shadow radius on a light type not support it." << std::endl;
    return Status::InvalidHandle;
}

TRVStatus FSTorvoLightSource::setShadowAngle(float)
{
    errorStream() << "Tried to set shadow angle on a light type not support it." << std::endl;
    return Status::InvalidHandle;
}

TRVStatus FSTorvoLightSource::setCastShadows(bool castShadows)
{
    castShadows_ = castShadows;
    return Status::Success;
}

TRVStatus FSTorvoLightSource::setShadowSamples(int32_t samples)
{
    shadowSamples_ = samples;
    return Status::Success;
}

TRVStatus FSTorvoLightSource::addLightLinks(int32_t mode, const TRVInstanceHandle* instances, int32_t count)
{
    return Links::add(lightLinks_, mode, instances, count);
}

TRVStatus FSTorvoLightSource::setFalloff(int32_t, float, float, bool)
{
    errorStream() << "Tried to set falloff on a light type not support it." << std::endl;
    return Status::InvalidHandle;
}

TRVStatus FSTorvoLightSource::setSpotlightCone(float, float, float)
{
    errorStream() << "Tried to set spotlight cone angle on a light type which does not support it." << std::endl;
    return Status::InvalidHandle;
}

TRVStatus FSTorvoLightSource::setIntensityScale(float directScale, float indirectScale)
{
    if (!checkAtLeast("directIntensity", directScale, 0.0f) || !checkAtLeast("indirectIntensity", indirectScale, 0.0f))
        return Status::InvalidParameter;
    directScale_ = directScale;
    indirectScale_ = indirectScale;
    return Status::Success;
}

TRVStatus FSTorvoLightSource::addLightRampEntry(float, const TRVLinearRGB*)
{
    errorStream() << "Tried to add a LightRampEntry on a light type which does not support it" << std::endl;
    return Status::InvalidHandle;
}

TRVStatus FSTorvoLightSource::setProjectedTexture(TorvoTextureStub&)
{
    errorStream() << "Tried to add a Projected Texture on a light type which does not support it" << std::endl;
    return Status::InvalidHandle;
}

TRVStatus FSTorvoLightSource::changeShadowRadius(float& target, float radius)
{
    if (!checkAtLeast("radius", radius, 0.0f))
        return Status::InvalidParameter;
    target = radius;
    return Status::Success;
}

TRVStatus FSTorvoLightSource::changeShadowAngle(float& target, float angle, const char* parameterName)
{
    if (!checkBetween(parameterName, angle, 0.0f, angles::belowPi))
        return Status::InvalidParameter;
    target = angle;
    return Status::Success;
}

TRVStatus FSTorvoLightSource::changeFalloff(LightFalloff& target, int32_t type, float exponent, float cutoff,
                                            bool clampToOne)
{
    if (!checkAtLeast("exponent", exponent, 0.0f) || !checkAtLeast("cutoff", cutoff, 0.0f))
        return Status::InvalidParameter;
    target.type = type;
    target.exponent = exponent;
    target.cutoff = cutoff;
    target.clampToOne = clampToOne;
    return Status::Success;
}

TRVStatus FSTorvoLightSource::appendRampEntry(std::vector<LightRampEntry>& ramp, float position,
                                              const TRVLinearRGB* color)
{
    if (color == nullptr) {
        errorStream() << "Parameter color must not be NULL." << std::endl;
        return Status::InvalidParameter;
    }
    if (!(position >= 0.0f && position <= 1.0f) || (!ramp.empty() && position < ramp.back().position)) {
        errorStream() << "Position out of bounds in Light Ramp" << std::endl;
        return Status::InvalidParameter;
    }
    ramp.push_back({position, color->r, color->g, color->b});
    return Status::Success;
}

TRVMatrix4x4 FSTorvoLightSource::facingTransform(const TRVMatrix4x4& transform)
{
    // A true product (not a column swap), so zeros come out as the sums a product gives.
    static const float facing[4][4] = {{1, 0, 0, 0}, {0, 0, 1, 0}, {0, -1, 0, 0}, {0, 0, 0, 1}};
    TRVMatrix4x4 result;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const float* in = &transform.m[row * 4];
            result.m[row * 4 + column] = in[0] * facing[0][column] + in[1] * facing[1][column] +
                                         in[2] * facing[2][column] + in[3] * facing[3][column];
        }
    return result;
}

}  // namespace trv
