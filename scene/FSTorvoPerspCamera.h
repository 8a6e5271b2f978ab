// A perspective camera: horizontal field of view and pixel aspect ratio.
#pragma once

#include "scene/Angles.h"
#include "scene/FSTorvoCamera.h"

namespace trv {

class FSTorvoPerspCamera : public FSTorvoCamera {
public:
    FSTorvoPerspCamera(FSTorvoScene* scene, std::string name, const TRVMatrix4x4& transform);

    float horizontalFov() const { return horizontalFov_; }
    float pixelAspectRatio() const { return pixelAspectRatio_; }

    [[nodiscard]] TRVStatus setFov(float horizontalFov, float pixelAspectRatio) override;

private:
    float horizontalFov_ = angles::halfPi;
    float pixelAspectRatio_ = 1.0f;
};

}  // namespace trv
