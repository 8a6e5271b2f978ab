#pragma once

#include "core/Handles.h"

namespace trv {

class TorvoTextureStub {
public:
    virtual ~TorvoTextureStub() = default;
    [[nodiscard]] virtual TRVStatus addPixelDataHDR(const float* pixelData, int32_t pixelCount) = 0;
    [[nodiscard]] virtual TRVStatus addPixelDataLDR(const uint8_t* pixelData, int32_t pixelCount) = 0;
    [[nodiscard]] virtual TRVStatus setInputGamma(int32_t gammaType, float gammaValue) = 0;
    [[nodiscard]] virtual TRVStatus endTexture() = 0;
};

}  // namespace trv
