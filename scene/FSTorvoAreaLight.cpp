#include "scene/FSTorvoAreaLight.h"

#include "scene/SceneSerializer.h"

namespace trv {

FSTorvoAreaLight::FSTorvoAreaLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                                   const TRVMatrix4x4& transform)
    : FSTorvoLightSource(scene, std::move(name), color, facingTransform(transform))
{
}

bool FSTorvoAreaLight::serialize(SceneSerializer& serializer) const { return serializer.writeAreaLight(*this); }

TRVStatus FSTorvoAreaLight::setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne)
{
    return changeFalloff(falloff_, type, exponent, cutoff, clampToOne);
}

}  // namespace trv
