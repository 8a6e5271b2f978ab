// The stages of a front-end run, each with what the tasks and the progress need: its name for
// messages, its phase estimate (the library's own, so both count the same phases) and the local
// renderer's command line for it (the library's own, so a task runs exactly what a local bake
// would run).
#pragma once

#include "FarmArguments.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace farm {

struct FarmStage {
    std::filesystem::path configuration;
    std::string name;  // the document's file name
    uint32_t expectedPhases = 0;
    bool readable = false;  // the document could be read for its estimate
    std::string unreadableWhy;
    std::string arguments;  // the local command line's arguments
};

// Builds the stages. Must run in the job directory: the command lines are relative to it.
std::vector<FarmStage> prepareStages(const FarmArguments& arguments);

// The local renderer in the binaries directory, as the library chooses it; empty when none.
std::filesystem::path localRenderer(const std::filesystem::path& binDirectory);

// The program every task runs, next to the front end.
std::filesystem::path taskProgram(const std::filesystem::path& binDirectory);

// A new name for the jobs of one submission: unique, so that it alone finds them on the cluster.
std::string newJobName(const std::string& kind);

}  // namespace farm
