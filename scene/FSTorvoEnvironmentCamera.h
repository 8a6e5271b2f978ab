// An environment camera: cube map, mirror ball or latitude-longitude.
#pragma once

#include "scene/FSTorvoCamera.h"

namespace trv {

class FSTorvoEnvironmentCamera : public FSTorvoCamera {
public:
    FSTorvoEnvironmentCamera(FSTorvoScene* scene, std::string name, int32_t environmentType,
                             const TRVMatrix4x4& transform);

    int32_t environmentType() const { return environmentType_; }

    [[nodiscard]] TRVStatus setFov(float horizontalFov, float pixelAspectRatio) override;

private:
    int32_t environmentType_;
};

}  // namespace trv
