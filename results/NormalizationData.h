// The value ranges a normalized result had before the renderer scaled it, per surface.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace trv {

struct NormalizationData {
    float min = 0, max = 0;                          // the whole surface
    std::vector<std::pair<float, float>> channels;   // (min, max) per channel, in document order
};

// By surface (instance) name.
using NormalizationMap = std::map<std::string, NormalizationData>;

// Reads a normalization document (MinMaxRoot/minMaxVec/ShapeMinMax...). Null after the error line
// "Cannot find <path>" when the file cannot be loaded as XML, or "Error reading normalization xml
// file" when an element is missing; a document without surfaces gives an empty map. A range that is
// not a number throws xmlTools::XMLGetException.
std::shared_ptr<const NormalizationMap> readNormalizationDocument(const std::filesystem::path& file);

}  // namespace trv
