// What a job needs from the object that owns it (the manager): its cache, a render tool for each
// start, containment of the renderer processes, its table of jobs, and the maker of its passes
// and targets.
#pragma once

#include "cache/CacheDirectories.h"
#include "torvo.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace trv {

class BakeFactory;
class FSTorvoJob;
class RenderTool;

class JobOwner {
public:
    virtual const CacheDirectories& cacheDirectories() const = 0;
    // A render tool for one job start, chosen from the owner's renderer installation and the
    // distribution; null when the installation cannot serve it.
    virtual std::shared_ptr<RenderTool> createRenderTool(int32_t distribution,
                                                         const std::filesystem::path& jobDirectory,
                                                         const std::filesystem::path& sceneXmlPath,
                                                         const std::filesystem::path& fileListPath,
                                                         const std::filesystem::path& outputDirectory,
                                                         int32_t displayMode) const = 0;
    // Puts a started renderer process under the owner's containment; logs "Could not
    // AssignProcessToObject on Job Object" when that cannot be done.
    virtual void assignToContainment(int processHandle) = 0;
    // Removes a destroyed job from the owner's table: 0, or 6 when it is not there.
    [[nodiscard]] virtual TRVStatus unregisterJob(const FSTorvoJob& job) = 0;
    // The job table, filled by job creation.
    virtual std::map<std::string, std::shared_ptr<FSTorvoJob>>& jobTable() = 0;
    // Makes the render passes and targets of the owner's jobs.
    virtual BakeFactory& bakeFactory() = 0;

protected:
    ~JobOwner() = default;
};

}  // namespace trv
