#include "job/RenderToolChoice.h"

#include "cache/Installation.h"
#include "job/TorvoRenderTool.h"
#include "job/TorvofarmRenderTool.h"

namespace trv {

std::shared_ptr<RenderTool> createRenderTool(const std::filesystem::path& binariesDirectory, int32_t distribution,
                                             const std::filesystem::path& jobDirectory,
                                             const std::filesystem::path& sceneXmlPath,
                                             const std::filesystem::path& fileListPath,
                                             const std::filesystem::path& outputDirectory, int32_t displayMode)
{
    const bool frontEnd = frontEndAvailable(binariesDirectory);
    if (!frontEnd && distribution == 2)
        return nullptr;
    const auto executable = preferredLocalExecutable(binariesDirectory);
    if (!executable)
        return nullptr;
    auto local = std::make_shared<TorvoRenderTool>(jobDirectory, sceneXmlPath, fileListPath, outputDirectory,
                                                   displayMode, std::filesystem::absolute(*executable));
    if (!frontEnd || (distribution != 1 && distribution != 2))
        return local;
    auto farm = std::make_shared<TorvofarmRenderTool>(jobDirectory, sceneXmlPath, fileListPath, outputDirectory,
                                                      displayMode,
                                                      std::filesystem::absolute(binariesDirectory / "torvofarm.exe"),
                                                      local, distribution == 1);
    // Required distribution on a cluster that cannot take the job fails the start here, instead
    // of a batch that can only fail once it runs. The test without a stage checks the cluster.
    if (distribution == 2 && !farm->distributionTest({}))
        return nullptr;
    return farm;
}

}  // namespace trv
