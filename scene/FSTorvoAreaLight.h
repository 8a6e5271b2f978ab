// An area light: a lit rectangle facing along its transform's turned axis, with falloff.
#pragma once

#include "scene/FSTorvoLightSource.h"

namespace trv {

class FSTorvoAreaLight : public FSTorvoLightSource {
public:
    // transform is the caller's; the light keeps it turned to its facing axis.
    FSTorvoAreaLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color, const TRVMatrix4x4& transform);

    const LightFalloff& falloff() const { return falloff_; }

    bool serialize(SceneSerializer& serializer) const override;
    [[nodiscard]] TRVStatus setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne) override;

private:
    LightFalloff falloff_;
};

}  // namespace trv
