#pragma once

#include "core/Handles.h"

#include <tinyxml2.h>

namespace trv {

class TorvoRenderPassStub {
public:
    virtual TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) = 0;
    virtual TRVStatus setNormalization(bool perChannel) = 0;
    virtual TRVStatus addFullyBakedLight(TorvoLightSourceStub& light) = 0;
    virtual TRVStatus createLightPassEntry(TorvoLightPassEntryStub*& out) = 0;
    virtual TRVStatus enableSignedDistanceField(int32_t pixelFilterSize, float maxWorldDistance) = 0;
    virtual TRVStatus setLambertianClamp(float value) = 0;
    virtual TRVStatus setAllowNegative(int32_t mode) = 0;
    virtual TRVStatus includeNormalComponent() = 0;
    virtual TRVStatus matchNormalIntensity() = 0;
    virtual TRVStatus setAOAdaptive(float accuracy, float smooth) = 0;
    virtual TRVStatus setAONumRays(int32_t minRays, int32_t maxRays) = 0;
    virtual TRVStatus setAOContrast(float contrast, float scale) = 0;
    virtual TRVStatus setAOUniformSampling() = 0;
    virtual TRVStatus setAOSelfOcclusion(int32_t mode) = 0;
    virtual TRVStatus enableAOBentNormals() = 0;
    virtual ~TorvoRenderPassStub() = default;
};

}  // namespace trv
