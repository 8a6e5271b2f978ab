#pragma once

#include "core/Handles.h"

namespace trv {

class TorvoLightPassEntryStub {
public:
    virtual TRVStatus addLight(TorvoLightSourceStub& light) = 0;
    virtual TRVStatus addTarget(TorvoTargetEntityStub& entity) = 0;
    virtual ~TorvoLightPassEntryStub() = default;
};

}  // namespace trv
