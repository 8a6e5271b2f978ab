#pragma once

#include "core/Handles.h"

#include <string>

namespace trv {

class TorvoTargetEntityStub {
public:
    virtual ~TorvoTargetEntityStub() = default;
    virtual TRVStatus setUVTransform(const float* offset, const float* scale) = 0;
    virtual TRVStatus setBakeUVSet(const std::string& uvSetName) = 0;
    virtual TRVStatus setBakeResolution(int32_t width, int32_t height) = 0;
    virtual TRVStatus setTexelScale(float scale) = 0;
    virtual TRVStatus getAtlasInformation(int32_t* atlasIndex, float* offset, float* scale) = 0;
    virtual TRVStatus getNormalizationData(TorvoRenderPassStub& pass, int32_t channel, float* min, float* max) = 0;
};

}  // namespace trv
