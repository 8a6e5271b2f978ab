// A window light: an area light for sky light coming through an opening, with a shadow angle and falloff.
#pragma once

#include "scene/FSTorvoLightSource.h"

namespace trv {

class FSTorvoWindowLight : public FSTorvoLightSource {
public:
    // transform is the caller's; the light keeps it turned to its facing axis.
    FSTorvoWindowLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                       const TRVMatrix4x4& transform);

    float shadowAngle() const { return shadowAngle_; }
    const LightFalloff& falloff() const { return falloff_; }

    bool serialize(SceneSerializer& serializer) const override;
    [[nodiscard]] TRVStatus setShadowAngle(float angle) override;
    [[nodiscard]] TRVStatus setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne) override;

private:
    float shadowAngle_ = 0.0f;
    LightFalloff falloff_;
};

}  // namespace trv
