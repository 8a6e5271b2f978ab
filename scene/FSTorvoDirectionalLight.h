// A directional light: parallel rays, with a shadow angle for soft shadows.
#pragma once

#include "scene/FSTorvoLightSource.h"

namespace trv {

class FSTorvoDirectionalLight : public FSTorvoLightSource {
public:
    FSTorvoDirectionalLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                            const TRVMatrix4x4& transform);

    float shadowAngle() const { return shadowAngle_; }

    bool serialize(SceneSerializer& serializer) const override;
    [[nodiscard]] TRVStatus setShadowAngle(float angle) override;

private:
    float shadowAngle_ = 0.0f;
};

}  // namespace trv
