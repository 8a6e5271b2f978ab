#pragma once

#include "core/Handles.h"

namespace trv {

class TorvoCameraStub {
public:
    virtual ~TorvoCameraStub() = default;
    [[nodiscard]] virtual TRVStatus setFov(float horizontalFov, float pixelAspectRatio) = 0;
};

}  // namespace trv
