#include "job/JobCreation.h"

#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "job/JobOwner.h"
#include "job/FSTorvoJob.h"
#include "scene/FSTorvoScene.h"

#include <filesystem>
#include <memory>

namespace trv {

TRVStatus createJob(JobOwner& manager, const std::string& jobName, TorvoSceneStub& scene,
                    const std::string& configurationPath, TorvoJobStub*& out)
{
    auto& table = manager.jobTable();
    if (table.count(jobName))
        return Status::DuplicateName;
    // The job holds a share of its scene: the host may release the scene before the job starts.
    auto* ownScene = dynamic_cast<FSTorvoScene*>(&scene);
    const std::shared_ptr<FSTorvoScene> heldScene = ownScene ? ownScene->weak_from_this().lock() : nullptr;
    if (!heldScene)
        return Status::InvalidHandle;
    const std::filesystem::path source = toWide(configurationPath);
    std::error_code ec;
    if (!configurationPath.empty() && !std::filesystem::exists(source, ec)) {
        errorStream() << "Could not open jobXML file " << configurationPath << std::endl;
        return Status::FileIOError;
    }
    std::shared_ptr<FSTorvoJob> job;
    try {
        job = std::make_shared<FSTorvoJob>(&manager, jobName, heldScene, source);
    } catch (const std::filesystem::filesystem_error& e) {
        errorStream() << "File system error: " << e.what() << std::endl;
        return Status::FileIOError;
    }
    table.emplace(jobName, job);
    out = job.get();
    return Status::Success;
}

}  // namespace trv
