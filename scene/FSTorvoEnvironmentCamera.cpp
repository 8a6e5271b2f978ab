#include "scene/FSTorvoEnvironmentCamera.h"

#include "core/Log.h"
#include "core/Status.h"

namespace trv {

FSTorvoEnvironmentCamera::FSTorvoEnvironmentCamera(FSTorvoScene* scene, std::string name, int32_t environmentType,
                                                   const TRVMatrix4x4& transform)
    : FSTorvoCamera(scene, std::move(name), transform), environmentType_(environmentType)
{
}

TRVStatus FSTorvoEnvironmentCamera::setFov(float, float)
{
    errorStream() << "Tried to set fov on a camera that doesn't support fov." << std::endl;
    return Status::InvalidHandle;
}

}  // namespace trv
