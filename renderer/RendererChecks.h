// The renderer's input readers as checks: each reads a file the way a run does and reports the
// first problem in `error` instead of ending the run. Used where input is examined on its own.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace torvo_renderer {

bool checkSceneDocument(const std::filesystem::path& path, std::string& error);
// The mesh files listed in the file list, as paths usable from the working directory.
bool readFileList(const std::filesystem::path& path, std::vector<std::filesystem::path>& meshes, std::string& error);
// The mesh file exists, reads through to its last triangle and holds only usable numbers.
bool checkMeshFile(const std::filesystem::path& path, std::string& error);
bool checkConfigurationDocument(const std::filesystem::path& path, std::string& error);

}  // namespace torvo_renderer
