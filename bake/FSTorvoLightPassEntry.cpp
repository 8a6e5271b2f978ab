#include "bake/FSTorvoLightPassEntry.h"

#include "bake/FSTorvoTargetEntity.h"
#include "core/Log.h"
#include "core/Status.h"
#include "job/FSTorvoJob.h"
#include "scene/FSTorvoInstance.h"

namespace trv {

FSTorvoLightPassEntry::FSTorvoLightPassEntry(FSTorvoJob& job) : job_(&job) {}

FSTorvoLightPassEntry::~FSTorvoLightPassEntry() = default;

TRVStatus FSTorvoLightPassEntry::addLight(TorvoLightSourceStub& light)
{
    return addPassLight(*job_, light, lights_);
}

TRVStatus FSTorvoLightPassEntry::addTarget(TorvoTargetEntityStub& entity)
{
    const auto* own = dynamic_cast<const FSTorvoTargetEntity*>(&entity);
    if (!own)
        return Status::InvalidParameter;
    const FSTorvoInstance* instance = own->source();
    // A point cloud entity has no surface a light pass could bake onto.
    if (!instance) {
        errorStream() << "Target entity " << own->name() << " bakes a point cloud and cannot be added to a light pass"
                      << std::endl;
        return Status::InvalidHandle;
    }
    if (instance->scene() != job_->scene().get()) {
        errorStream() << "Target entity " << instance->name() << " added to unrelated pass" << std::endl;
        return Status::InvalidHandle;
    }
    if (!targets_.insert(own).second) {
        errorStream() << "Target entity " << instance->name() << " already added to pass" << std::endl;
        return Status::DuplicateName;
    }
    return Status::Success;
}

}  // namespace trv
