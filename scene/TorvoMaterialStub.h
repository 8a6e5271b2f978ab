#pragma once

#include "core/Handles.h"

#include <string>

namespace trv {

class TorvoMaterialStub {
public:
    virtual ~TorvoMaterialStub() = default;
    [[nodiscard]] virtual TRVStatus setColor(int32_t channel, const TRVLinearRGBA* color) = 0;
    [[nodiscard]] virtual TRVStatus setScale(int32_t channel, float scale) = 0;
    [[nodiscard]] virtual TRVStatus setTexture(int32_t channel, TorvoTextureStub& texture) = 0;
    [[nodiscard]] virtual TRVStatus setUseVertexColors(int32_t channel) = 0;
    [[nodiscard]] virtual TRVStatus setChannelUVLayer(int32_t channel, const std::string& uvLayerName) = 0;
    [[nodiscard]] virtual TRVStatus setAlphaAsTransparency(bool alphaAsTransparency) = 0;
    [[nodiscard]] virtual TRVStatus setPrimaryGICorrection(float intensity, float saturation) = 0;
    [[nodiscard]] virtual TRVStatus setSecondaryGICorrection(float intensity, float saturation) = 0;
    [[nodiscard]] virtual TRVStatus setGIScale(float diffuseBoost, float emissiveScale, float specularScale) = 0;
};

}  // namespace trv
