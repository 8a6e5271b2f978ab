#include "scene/FSTorvoCamera.h"

#include "core/Log.h"
#include "cache/NameHash.h"

namespace trv {

FSTorvoCamera::FSTorvoCamera(FSTorvoScene* scene, std::string name, const TRVMatrix4x4& transform)
    : name_(std::move(name)), hashedName_(nameHash(name_)), scene_(scene), transform_(transform)
{
    infoStream() << "Hashed camera " << name_ << " to " << hashedName_ << std::endl;
}

FSTorvoCamera::~FSTorvoCamera() = default;

}  // namespace trv
