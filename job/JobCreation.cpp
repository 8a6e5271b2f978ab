#include "job/JobCreation.h"

#include "api/Log.h"
#include "api/Status.h"
#include "api/Text.h"
#include "cache/FSTorvoManager.h"
#include "job/FSTorvoJob.h"
#include "scene/FSTorvoScene.h"

#include <filesystem>
#include <memory>
#include <type_traits>

namespace trv {

namespace {

// The job keeps its scene alive where the scene can hand out a share of itself; otherwise the
// manager's scene table is what keeps it.
template <class Scene>
std::shared_ptr<Scene> holdScene(Scene& scene)
{
    if constexpr (std::is_base_of_v<std::enable_shared_from_this<Scene>, Scene>)
        return scene.shared_from_this();
    else
        return std::shared_ptr<Scene>(std::shared_ptr<Scene>(), &scene);
}

}  // namespace

TRVStatus createJob(FSTorvoManager& manager, const std::string& jobName, TorvoSceneStub& scene,
                    const std::string& configurationPath, TorvoJobStub*& out)
{
    auto& table = manager.jobTable();
    if (table.count(jobName))
        return Status::DuplicateName;
    auto* ownScene = dynamic_cast<FSTorvoScene*>(&scene);
    if (!ownScene)
        return Status::InvalidHandle;
    const std::filesystem::path source = toWide(configurationPath);
    std::error_code ec;
    if (!configurationPath.empty() && !std::filesystem::exists(source, ec)) {
        errorStream() << "Could not open jobXML file " << configurationPath << std::endl;
        return Status::FileIOError;
    }
    std::shared_ptr<FSTorvoJob> job;
    try {
        job = std::make_shared<FSTorvoJob>(&manager, jobName, holdScene(*ownScene), source);
    } catch (const std::filesystem::filesystem_error& e) {
        errorStream() << "File system error: " << e.what() << std::endl;
        return Status::FileIOError;
    }
    table.emplace(jobName, job);
    out = job.get();
    return Status::Success;
}

}  // namespace trv
