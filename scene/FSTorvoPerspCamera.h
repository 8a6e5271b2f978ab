// A perspective camera: horizontal field of view and pixel aspect ratio.
#pragma once

#include "scene/FSTorvoCamera.h"

namespace trv {

class FSTorvoPerspCamera : public FSTorvoCamera {
public:
    FSTorvoPerspCamera(FSTorvoScene* scene, std::string name, const TRVMatrix4x4& transform);

    float horizontalFov() const { return horizontalFov_; }
    float pixelAspectRatio() const { return pixelAspectRatio_; }

    TRVStatus setFov(float horizontalFov, float pixelAspectRatio) override;

private:
    float horizontalFov_ = 1.5707964f;
    float pixelAspectRatio_ = 1.0f;
};

}  // namespace trv
