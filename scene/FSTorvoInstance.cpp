#include "scene/FSTorvoInstance.h"

#include "core/Log.h"
#include "core/Status.h"
#include "geometry/FSTorvoMesh.h"

namespace trv {

FSTorvoInstance::FSTorvoInstance(FSTorvoScene* scene, std::string name, FSTorvoMesh* mesh,
                                 const TRVMatrix4x4& transform)
    : name_(std::move(name)), scene_(scene), mesh_(mesh), meshName_(mesh ? mesh->name() : std::string()),
      transform_(transform)
{
}

FSTorvoInstance::~FSTorvoInstance() = default;

TRVStatus FSTorvoInstance::setRenderStats(int32_t flags, int32_t operation)
{
    if (operation == TRV_RSOP_ENABLE)
        renderStats_ |= flags;
    else if (operation == TRV_RSOP_DISABLE)
        renderStats_ &= ~flags;
    else {
        errorStream() << "Parameter renderstat operation must be either TRV_RSOP_ENABLE or TRV_RSOP_DISABLE"
                      << std::endl;
        return Status::InvalidParameter;
    }
    return Status::Success;
}

TRVStatus FSTorvoInstance::addLightLinks(int32_t mode, const TRVLightHandle* lights, int32_t count)
{
    return Links::add(lightLinks_, mode, lights, count);
}

TRVStatus FSTorvoInstance::setMaterialOverrides(const TRVMaterialHandle* materials, int32_t count)
{
    if (count > 1) {
        errorStream() << "More than one material override not supported at the moment" << std::endl;
        return Status::NotImplemented;
    }
    if (count == 1) {
        if (materials == nullptr) {
            errorStream() << "Parameter materials must not be NULL." << std::endl;
            return Status::InvalidParameter;
        }
        materialOverrides_.push_back(materials[0]);
    }
    return Status::Success;
}

TRVStatus FSTorvoInstance::addLODInstance(TorvoInstanceStub& highResInstance)
{
    auto* high = dynamic_cast<FSTorvoInstance*>(&highResInstance);
    if (high == nullptr) {
        errorStream() << "High res lod not compatible with low res lod" << std::endl;
        return Status::InvalidHandle;
    }
    if (high->scene_ != scene_) {
        errorStream() << "High res lod not in the same scene as low res lod" << std::endl;
        return Status::InvalidHandle;
    }
    if (high == this) {
        errorStream() << "Can't use itself as high res lod on instance" << std::endl;
        return Status::InvalidHandle;
    }
    if (highResPartners_.count(high) != 0) {
        errorStream() << "Duplicate high res mesh set for the instance" << std::endl;
        return Status::InvalidParameter;
    }
    highResPartners_.insert(high);
    renderStats_ = 0;
    return Status::Success;
}

}  // namespace trv
