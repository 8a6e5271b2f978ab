// Files the library's own writers make, to seed the corpora of the readers: the input of a bake
// made through the exported functions (mesh files, the scene document and its file list, a point
// cloud), and the stage documents that stage building saves from host configuration documents.
#pragma once

#include <filesystem>
#include <vector>

namespace trvfuzz {

struct LibraryFiles {
    std::vector<std::filesystem::path> meshFiles;        // ".ttm"
    std::vector<std::filesystem::path> sceneDocuments;   // KXScene
    std::vector<std::filesystem::path> fileLists;        // inputspecification
    std::vector<std::filesystem::path> pointClouds;      // ".pc" as the library writes them for the renderer
    std::vector<std::filesystem::path> hostConfigurations;
    std::vector<std::filesystem::path> stageDocuments;
};

// Writes everything under directory, with the encoding left at its default: a target that
// chooses an encoding must not use this.
LibraryFiles makeLibraryFiles(const std::filesystem::path& directory);

}  // namespace trvfuzz
