#include "FarmStages.h"

#include "cache/Installation.h"
#include "core/Log.h"
#include "core/XmlTools.h"
#include "job/CommandLine.h"
#include "job/ConfigDocument.h"
#include "job/TorvoRenderTool.h"
#include "platform/Guid.h"

#include <algorithm>

namespace farm {

namespace fs = std::filesystem;

namespace {

// The renderer's switch for "no result display": the front end has no display mode to pass.
constexpr int32_t noDisplaySwitch = 2;

}  // namespace

std::vector<FarmStage> prepareStages(const FarmArguments& arguments)
{
    const trv::TorvoRenderTool tool(arguments.jobDirectory, arguments.sceneXml, arguments.fileList,
                                    arguments.resultDirectory, noDisplaySwitch, localRenderer(arguments.binDirectory));
    std::vector<FarmStage> stages;
    for (const fs::path& configuration : arguments.configurations) {
        FarmStage stage;
        stage.configuration = configuration;
        stage.name = configuration.filename().string();
        uint32_t phases = 0;
        try {
            stage.readable = trv::estimatePhases(configuration, phases) == 0;
            if (!stage.readable) {
                stage.unreadableWhy = trv::lastError();
                if (!stage.unreadableWhy.empty() && stage.unreadableWhy.back() == '\n')
                    stage.unreadableWhy.pop_back();
            }
        } catch (const std::exception& e) {
            stage.readable = false;
            stage.unreadableWhy = e.what();
        }
        stage.expectedPhases = stage.readable ? phases : 0;
        stage.arguments = trv::localArguments(tool, configuration, arguments.outputName);
        stages.push_back(std::move(stage));
    }
    return stages;
}

fs::path localRenderer(const fs::path& binDirectory)
{
    const auto found = trv::preferredLocalExecutable(binDirectory);
    return found ? fs::absolute(*found) : fs::path();
}

fs::path taskProgram(const fs::path& binDirectory)
{
    return binDirectory / "torvofarm-task.exe";
}

std::string newJobName(const std::string& kind)
{
    constexpr size_t tokenLength = 16;
    std::string token = trv::platform::newGuid();
    token.erase(std::remove(token.begin(), token.end(), '-'), token.end());
    return "torvofarm-" + kind + "-" + token.substr(0, tokenLength);
}

}  // namespace farm
