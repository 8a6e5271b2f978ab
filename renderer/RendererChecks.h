// What the renderer checks before it works: the scene, its mesh files and the stage document.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace torvo_renderer {

// Every check reports its problem in `error` and returns false.
bool checkSceneDocument(const std::filesystem::path& path, std::string& error);
// The mesh files listed in the file list, as paths usable from the working directory.
bool readFileList(const std::filesystem::path& path, std::vector<std::filesystem::path>& meshes, std::string& error);
// The mesh file exists and reads through to its last triangle.
bool checkMeshFile(const std::filesystem::path& path, std::string& error);
bool checkConfigurationDocument(const std::filesystem::path& path, std::string& error);

// A path written with either separator, as this system spells it.
std::filesystem::path systemPath(std::string text);

}  // namespace torvo_renderer
