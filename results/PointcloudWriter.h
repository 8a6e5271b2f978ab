// Writes the point cloud files the renderer reads as input ("doughPoint" points: position, index, normal).
#pragma once

#include "torvo.h"

#include <filesystem>
#include <vector>

namespace trv {

class PointcloudWriter {
public:
    // Writes positions and normals (parallel arrays) to path. Returns 0; stream failures
    // (unopenable file, failed write) leave as std::ios_base::failure.
    static TRVStatus write(const std::filesystem::path& path, const std::vector<TRVVec3>& positions,
                           const std::vector<TRVVec3>& normals);

    static constexpr uint32_t headerSize = 296;
    static constexpr uint32_t bytesPerPoint = 28;
};

}  // namespace trv
