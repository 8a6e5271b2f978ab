#include "scene/FSTorvoPointLight.h"

#include "scene/SceneSerializer.h"

namespace trv {

FSTorvoPointLight::FSTorvoPointLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                                     const TRVMatrix4x4& transform)
    : FSTorvoLightSource(scene, std::move(name), color, transform)
{
}

bool FSTorvoPointLight::serialize(SceneSerializer& serializer) const { return serializer.writePointLight(*this); }

TRVStatus FSTorvoPointLight::setShadowRadius(float radius) { return changeShadowRadius(shadowRadius_, radius); }

TRVStatus FSTorvoPointLight::setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne)
{
    return changeFalloff(falloff_, type, exponent, cutoff, clampToOne);
}

TRVStatus FSTorvoPointLight::addLightRampEntry(float position, const TRVLinearRGB* color)
{
    return appendRampEntry(ramp_, position, color);
}

}  // namespace trv
