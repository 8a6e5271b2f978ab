// Point cloud files: the scene's input clouds ("doughPoint": position, index, normal) and the
// renderer's result files ("floatArrayPoint": position, normal and the values, "values" last).
#pragma once

#include "MathTypes.h"

#include <filesystem>
#include <vector>

namespace torvo_renderer {

struct CloudPoint {
    Vec3 position;
    Vec3 normal;  // unit
};

// Reads an input cloud; throws RenderError for a missing, short or inconsistent file, or for
// points whose position or normal is not usable.
std::vector<CloudPoint> readInputPointCloud(const std::filesystem::path& path);

// Writes a result file: values holds channelCount floats per point. Throws RenderError when the
// file cannot be written.
void writeResultPointCloud(const std::filesystem::path& path, const std::vector<CloudPoint>& points,
                           const std::vector<float>& values, uint32_t channelCount);

}  // namespace torvo_renderer
