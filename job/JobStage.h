// One renderer run of a job: a saved configuration document and its share of the progress.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace trv {

struct JobStage {
    std::string outputName;
    std::filesystem::path configurationPath;
    uint32_t weight = 0;
};

}  // namespace trv
