// STAND-IN until the results branch lands: removed at the merge.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace trv {

struct NormalizationData {
    float min = 0, max = 0;
    std::vector<std::pair<float, float>> channels;
};
using NormalizationMap = std::map<std::string, NormalizationData>;

std::shared_ptr<const NormalizationMap> readNormalizationDocument(const std::filesystem::path& file);

}  // namespace trv
