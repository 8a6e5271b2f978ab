#include "job/TorvofarmRenderTool.h"

#include "core/Log.h"
#include "core/Text.h"
#include "job/CommandLine.h"
#include "job/JobStage.h"
#include "job/ProcessHandler.h"
#include "job/TorvoRenderTool.h"

namespace trv {

TorvofarmRenderTool::TorvofarmRenderTool(std::filesystem::path jobDirectory, std::filesystem::path sceneXmlPath,
                                         std::filesystem::path fileListPath, std::filesystem::path outputDirectory,
                                         int32_t displayMode, std::filesystem::path frontEndPath,
                                         std::shared_ptr<TorvoRenderTool> localTool, bool fallbackAllowed)
    : RenderTool(std::move(jobDirectory), std::move(sceneXmlPath), std::move(fileListPath),
                 std::move(outputDirectory), displayMode),
      localTool_(std::move(localTool)), frontEndPath_(std::move(frontEndPath)), fallbackAllowed_(fallbackAllowed)
{
}

void TorvofarmRenderTool::runStage(ProcessHandler& handler, const std::filesystem::path& configurationPath,
                                   const JobStage& stage, bool& keepGoing)
{
    if (fallbackAllowed_ && !distributionTest(configurationPath)) {
        localTool_->runStage(handler, configurationPath, stage, keepGoing);
        keepGoing = false;
        return;
    }
    keepGoing = true;
    // A named stage (a camera's image) is queued like any other: the batch's command line has no
    // room for names, and the front end names the image from the stage document itself, so the
    // batch writes every file a local run writes.
    queued_.push_back(configurationPath);
}

void TorvofarmRenderTool::runBatch(ProcessHandler& handler)
{
    const std::string arguments = distributedArguments(*this, queued_, "", frontEndPath_, false);
    infoStream() << "Starting torvofarm with command line: " << toBytes(frontEndPath_) << " " << arguments
                 << std::endl;
    handler.launch("", frontEndPath_, arguments, jobDirectory());
}

void TorvofarmRenderTool::runAtlas(ProcessHandler& handler, const std::filesystem::path& atlasConfigurationPath,
                                   const std::filesystem::path& atlasResultPath)
{
    localTool_->runAtlas(handler, atlasConfigurationPath, atlasResultPath);
}

void TorvofarmRenderTool::cancelHook()
{
    infoStream() << "Cancelling the current incredibuild job" << std::endl;
    int32_t exitCode = 1;
    if (runAndWait("xgConsole", "/STOP", {}, exitCode) != 0)
        infoStream() << "Failed to execute distribution cancel command." << std::endl;
    if (exitCode != 0)
        infoStream() << "Cancelling command failed" << std::endl;
}

bool TorvofarmRenderTool::distributionTest(const std::filesystem::path& configurationPath)
{
    const std::string arguments = distributedArguments(*this, {configurationPath}, "", frontEndPath_, true);
    infoStream() << "Testing for distribution support with command line: " << toBytes(frontEndPath_) << " "
                 << arguments << std::endl;
    int32_t exitCode = 1;
    if (runAndWait(frontEndPath_, arguments, jobDirectory(), exitCode) != 0)
        infoStream() << "Failed to create torvofarm process when checking for distribution support." << std::endl;
    if (exitCode != 0)
        infoStream() << "Job type not distributable or distribution not found, falling back to local \n"
                     << "rendering." << std::endl;
    return exitCode == 0;
}

}  // namespace trv
