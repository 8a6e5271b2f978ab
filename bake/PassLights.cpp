#include "bake/PassLights.h"

#include "core/Log.h"
#include "core/Status.h"
#include "job/FSTorvoJob.h"
#include "scene/FSTorvoLightSource.h"
#include "scene/FSTorvoScene.h"

namespace trv {

namespace {

bool isLightOf(const FSTorvoScene* scene, const FSTorvoLightSource& light)
{
    if (!scene)
        return false;
    const auto found = scene->lights().find(light.name());
    return found != scene->lights().end() && found->second.get() == &light;
}

}  // namespace

TRVStatus addPassLight(const FSTorvoJob& job, TorvoLightSourceStub& light, PassLightSet& lights)
{
    const auto* source = dynamic_cast<const FSTorvoLightSource*>(&light);
    if (!source)
        return Status::InvalidParameter;
    if (!isLightOf(job.scene().get(), *source)) {
        errorStream() << "Light source " << source->name() << " added to unrelated pass" << std::endl;
        return Status::InvalidHandle;
    }
    if (!lights.insert(source).second) {
        errorStream() << "Light source " << source->name() << " already added to pass" << std::endl;
        return Status::DuplicateName;
    }
    return Status::Success;
}

}  // namespace trv
