#include "FarmStages.h"

#include "cache/Installation.h"
#include "core/Log.h"
#include "core/XmlTools.h"
#include "job/CommandLine.h"
#include "job/ConfigDocument.h"
#include "job/TorvoRenderTool.h"
#include "platform/Guid.h"

#include <tinyxml2.h>

#include <algorithm>

namespace farm {

namespace fs = std::filesystem;

namespace {

// The renderer's switch for "no result display": the front end has no display mode to pass.
constexpr int32_t noDisplaySwitch = 2;

// A batch's command line carries no output name, yet a camera stage's image is named after it.
// The library names every stage document <target>_<pass>.xml and a camera stage's output
// <pass>_<camera>, so the name is made again from the file name and the document's camera.
std::string cameraOutputName(const fs::path& configuration)
{
    tinyxml2::XMLDocument document;
    if (document.LoadFile(configuration.string().c_str()) != tinyxml2::XML_SUCCESS)
        return {};
    const tinyxml2::XMLElement* frame = document.FirstChildElement("KXConfig");
    frame = frame ? frame->FirstChildElement("FrameSettings") : nullptr;
    const tinyxml2::XMLElement* type = frame ? frame->FirstChildElement("renderType") : nullptr;
    const tinyxml2::XMLElement* camera = frame ? frame->FirstChildElement("cameraName") : nullptr;
    if (!type || !type->GetText() || std::string(type->GetText()) != "Render" || !camera || !camera->GetText())
        return {};
    const std::string stem = configuration.stem().string();
    const size_t separator = stem.rfind('_');
    if (separator == std::string::npos)
        return {};
    return stem.substr(separator + 1) + "_" + camera->GetText();
}

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
        const std::string outputName =
            arguments.outputName.empty() ? cameraOutputName(configuration) : arguments.outputName;
        stage.arguments = trv::localArguments(tool, configuration, outputName);
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
