#pragma once

#include "core/Handles.h"

namespace trv {

class TorvoLightSourceStub {
public:
    virtual ~TorvoLightSourceStub() = default;
    [[nodiscard]] virtual TRVStatus setShadowRadius(float radius) = 0;
    [[nodiscard]] virtual TRVStatus setShadowAngle(float angle) = 0;
    [[nodiscard]] virtual TRVStatus setCastShadows(bool castShadows) = 0;
    [[nodiscard]] virtual TRVStatus setShadowSamples(int32_t samples) = 0;
    [[nodiscard]] virtual TRVStatus addLightLinks(int32_t mode, const TRVInstanceHandle* instances, int32_t count) = 0;
    [[nodiscard]] virtual TRVStatus setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne) = 0;
    [[nodiscard]] virtual TRVStatus setSpotlightCone(float coneAngle, float penumbraAngle, float penumbraExponent) = 0;
    [[nodiscard]] virtual TRVStatus setIntensityScale(float directScale, float indirectScale) = 0;
    [[nodiscard]] virtual TRVStatus addLightRampEntry(float position, const TRVLinearRGB* color) = 0;
    [[nodiscard]] virtual TRVStatus setProjectedTexture(TorvoTextureStub& texture) = 0;
};

}  // namespace trv
