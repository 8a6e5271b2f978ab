#include "scene/FSTorvoPerspCamera.h"

#include "core/Status.h"
#include "scene/Angles.h"
#include "scene/ParameterChecks.h"

namespace trv {

FSTorvoPerspCamera::FSTorvoPerspCamera(FSTorvoScene* scene, std::string name, const TRVMatrix4x4& transform)
    : FSTorvoCamera(scene, std::move(name), transform)
{
}

TRVStatus FSTorvoPerspCamera::setFov(float horizontalFov, float pixelAspectRatio)
{
    if (!checkBetween("horizontal fov", horizontalFov, 0.0f, angles::pi))
        return Status::InvalidParameter;
    if (!checkAtLeast("pixelAspectRatio", pixelAspectRatio, 0.0f))
        return Status::InvalidParameter;
    horizontalFov_ = horizontalFov;
    pixelAspectRatio_ = pixelAspectRatio;
    return Status::Success;
}

}  // namespace trv
