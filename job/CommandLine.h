// The argument texts of the renderer and of the distributed front end.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace trv {

class RenderTool;

// The path made relative to the job directory (a path on another root stays absolute), quoted.
std::string commandLinePath(const std::filesystem::path& path, const std::filesystem::path& jobDirectory);

// Arguments of a local renderer run; an atlas run adds " -uvpack " and the atlas result path.
std::string localArguments(const RenderTool& tool, const std::filesystem::path& configurationPath,
                           const std::string& outputName, bool atlasRun = false,
                           const std::filesystem::path& atlasResultPath = {});

// Arguments of a distributed run over the configurations (empty ones left out).
std::string distributedArguments(const RenderTool& tool, const std::vector<std::filesystem::path>& configurations,
                                 const std::string& outputName, const std::filesystem::path& frontEndPath,
                                 bool validateSetup);

}  // namespace trv
