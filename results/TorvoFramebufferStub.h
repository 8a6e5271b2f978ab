#pragma once

#include "core/Handles.h"

#include <cstdint>

namespace trv {

class TorvoFramebufferStub {
public:
    virtual ~TorvoFramebufferStub() = default;
    [[nodiscard]] virtual TRVStatus getChannelCount(int32_t* count) = 0;
    [[nodiscard]] virtual TRVStatus getChannelName(int32_t index, TorvoString* name) = 0;
    [[nodiscard]] virtual TRVStatus getResolution(int32_t* width, int32_t* height) = 0;
    // maxX and maxY are exclusive; selection is one of the TRV_CHANNEL_ values.
    [[nodiscard]] virtual TRVStatus readRegionHDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY,
                                                  int32_t selection, float* buffer) = 0;
    [[nodiscard]] virtual TRVStatus readRegionLDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY,
                                                  int32_t selection, float gamma, uint8_t* buffer) = 0;
    // Removes the framebuffer from its target; the object may be gone when this returns.
    [[nodiscard]] virtual TRVStatus destroy() = 0;
    [[nodiscard]] virtual TRVStatus getEntityNormalizationData(TorvoTargetEntity entity, int32_t channel, float* min,
                                                               float* max) = 0;
    [[nodiscard]] virtual TRVStatus getNormalizationData(int32_t channel, float* min, float* max) = 0;
};

}  // namespace trv
