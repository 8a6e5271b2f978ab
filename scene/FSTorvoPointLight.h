// A point light: shadow radius, falloff and a color ramp.
#pragma once

#include "scene/FSTorvoLightSource.h"

namespace trv {

class FSTorvoPointLight : public FSTorvoLightSource {
public:
    FSTorvoPointLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                      const TRVMatrix4x4& transform);

    float shadowRadius() const { return shadowRadius_; }
    const LightFalloff& falloff() const { return falloff_; }
    const std::vector<LightRampEntry>& ramp() const { return ramp_; }

    bool serialize(SceneSerializer& serializer) const override;
    [[nodiscard]] TRVStatus setShadowRadius(float radius) override;
    [[nodiscard]] TRVStatus setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne) override;
    [[nodiscard]] TRVStatus addLightRampEntry(float position, const TRVLinearRGB* color) override;

private:
    float shadowRadius_ = 0.0f;
    LightFalloff falloff_;
    std::vector<LightRampEntry> ramp_;
};

}  // namespace trv
