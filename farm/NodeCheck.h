// What a node of the cluster must reach for a stage to run there: the renderer (executable), the
// scene, its file list, the stage documents and the meshes (readable), and the job and result
// directories (writable). The front end writes the list, a small task checks it on a node and
// leaves its answer in the job directory, which proves that directory shared as well.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace farm {

struct NodeCheckItem {
    enum class Kind { Executable, Readable, WritableDirectory };
    Kind kind;
    std::filesystem::path path;
};

bool writeCheckList(const std::filesystem::path& file, const std::vector<NodeCheckItem>& items, std::string& why);

// Checks every item of the list and writes "ok" or the first failure into the result file.
// True when everything passed.
bool runNodeCheck(const std::filesystem::path& listFile, const std::filesystem::path& resultFile);

// False while the node has not answered; otherwise passed and, on failure, its line.
bool readCheckResult(const std::filesystem::path& resultFile, bool& passed, std::string& line);

}  // namespace farm
