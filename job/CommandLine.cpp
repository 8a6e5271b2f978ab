#include "job/CommandLine.h"

#include "core/Text.h"
#include "cache/FileHelpers.h"
#include "job/RenderTool.h"

namespace trv {

std::string commandLinePath(const std::filesystem::path& path, const std::filesystem::path& jobDirectory)
{
    return quotedPath(relativePath(path, jobDirectory));
}

std::string localArguments(const RenderTool& tool, const std::filesystem::path& configurationPath,
                           const std::string& outputName, bool atlasRun, const std::filesystem::path& atlasResultPath)
{
    const std::filesystem::path& base = tool.jobDirectory();
    std::string arguments = commandLinePath(tool.sceneXmlPath(), base);
    if (atlasRun)
        arguments += " -uvpack ";
    if (!outputName.empty())
        arguments += " -o " + outputName;
    arguments += " -i " + commandLinePath(tool.fileListPath(), base);
    if (!configurationPath.empty())
        arguments += " -x " + commandLinePath(configurationPath, base);
    if (tool.displayMode() == 0)
        arguments += " -d ";
    else if (tool.displayMode() == 1)
        arguments += " -q ";
    arguments += " -cs ";
    arguments += " -od " + commandLinePath(tool.outputDirectory(), base);
    if (atlasRun)
        arguments += " -o " + commandLinePath(atlasResultPath, base);
    return arguments;
}

std::string distributedArguments(const RenderTool& tool, const std::vector<std::filesystem::path>& configurations,
                                 const std::string& outputName, const std::filesystem::path& frontEndPath,
                                 bool validateSetup)
{
    const std::filesystem::path& base = tool.jobDirectory();
    std::string arguments = "-file " + commandLinePath(tool.sceneXmlPath(), base);
    arguments += " -filelist " + commandLinePath(tool.fileListPath(), base);
    for (const std::filesystem::path& configuration : configurations)
        if (!configuration.empty())
            arguments += " -cfg " + commandLinePath(configuration, base);
    if (!outputName.empty())
        arguments += " -o " + outputName;
    arguments += " -jobdir \".\"";
    arguments += " -resultdir " + commandLinePath(tool.outputDirectory(), base);
    if (frontEndPath.has_parent_path())
        arguments += " -bindir " + quotedPath(std::filesystem::absolute(frontEndPath.parent_path()));
    else
        arguments += " -bindir \".\"";
    if (validateSetup)
        arguments += " -validatesetup";
    return arguments;
}

}  // namespace trv
