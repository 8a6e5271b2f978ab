#pragma once

#include "core/Handles.h"

namespace trv {

// The destructor comes last in this interface's slot order.
class TorvoInstanceStub {
public:
    [[nodiscard]] virtual TRVStatus setRenderStats(int32_t flags, int32_t operation) = 0;
    [[nodiscard]] virtual TRVStatus addLightLinks(int32_t mode, const TRVLightHandle* lights, int32_t count) = 0;
    [[nodiscard]] virtual TRVStatus setMaterialOverrides(const TRVMaterialHandle* materials, int32_t count) = 0;
    [[nodiscard]] virtual TRVStatus addLODInstance(TorvoInstanceStub& highResInstance) = 0;
    virtual ~TorvoInstanceStub() = default;
};

}  // namespace trv
