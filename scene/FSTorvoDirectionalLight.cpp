#include "scene/FSTorvoDirectionalLight.h"

#include "scene/SceneSerializer.h"

namespace trv {

FSTorvoDirectionalLight::FSTorvoDirectionalLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                                                 const TRVMatrix4x4& transform)
    : FSTorvoLightSource(scene, std::move(name), color, transform)
{
}

bool FSTorvoDirectionalLight::serialize(SceneSerializer& serializer) const
{
    return serializer.writeDirectionalLight(*this);
}

TRVStatus FSTorvoDirectionalLight::setShadowAngle(float angle)
{
    return changeShadowAngle(shadowAngle_, angle, "angle radians");
}

}  // namespace trv
