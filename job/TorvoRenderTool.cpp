#include "job/TorvoRenderTool.h"

#include "core/Log.h"
#include "core/Text.h"
#include "job/CommandLine.h"
#include "job/JobStage.h"
#include "job/ProcessHandler.h"

namespace trv {

TorvoRenderTool::TorvoRenderTool(std::filesystem::path jobDirectory, std::filesystem::path sceneXmlPath,
                                 std::filesystem::path fileListPath, std::filesystem::path outputDirectory,
                                 int32_t displayMode, std::filesystem::path executable)
    : RenderTool(std::move(jobDirectory), std::move(sceneXmlPath), std::move(fileListPath),
                 std::move(outputDirectory), displayMode),
      executable_(std::move(executable))
{
}

void TorvoRenderTool::runStage(ProcessHandler& handler, const std::filesystem::path& configurationPath,
                               const JobStage& stage, bool& keepGoing)
{
    keepGoing = false;
    const std::string arguments = localArguments(*this, configurationPath, stage.outputName);
    infoStream() << "Starting Torvo with command line: " << toBytes(executable_) << " " << arguments << std::endl;
    handler.launch("", executable_, arguments, jobDirectory());
}

void TorvoRenderTool::runBatch(ProcessHandler&) {}

void TorvoRenderTool::runAtlas(ProcessHandler& handler, const std::filesystem::path& atlasConfigurationPath,
                               const std::filesystem::path& atlasResultPath)
{
    const std::string arguments = localArguments(*this, atlasConfigurationPath, "", true, atlasResultPath);
    infoStream() << "Starting Torvo for atlas generation with command line: " << toBytes(executable_) << " "
                 << arguments << std::endl;
    handler.launch("", executable_, arguments, jobDirectory());
}

void TorvoRenderTool::cancelHook() {}

}  // namespace trv
