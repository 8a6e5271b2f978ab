#include "scene/FSTorvoWindowLight.h"

#include "scene/SceneSerializer.h"

namespace trv {

FSTorvoWindowLight::FSTorvoWindowLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                                       const TRVMatrix4x4& transform)
    : FSTorvoLightSource(scene, std::move(name), color, facingTransform(transform))
{
}

bool FSTorvoWindowLight::serialize(SceneSerializer& serializer) const { return serializer.writeWindowLight(*this); }

TRVStatus FSTorvoWindowLight::setShadowAngle(float angle) { return changeShadowAngle(shadowAngle_, angle, "angle"); }

TRVStatus FSTorvoWindowLight::setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne)
{
    return changeFalloff(falloff_, type, exponent, cutoff, clampToOne);
}

}  // namespace trv
