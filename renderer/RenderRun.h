// One run of the renderer: reads every input, bakes each target of the stage and writes the
// result files, reporting progress on the way.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace torvo_renderer {

// The run for the command-line arguments (without the program name); returns the exit code.
// Failures end with one "Error: " line.
int runRenderer(const std::vector<std::string>& args);

// The mesh files listed in a file list, as paths usable from the working directory.
std::vector<std::filesystem::path> readFileList(const std::filesystem::path& path);

// A path written with either separator, as this system spells it.
std::filesystem::path systemPath(std::string text);

}  // namespace torvo_renderer
