// The result files: EXR images and normalization documents.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace torvo_renderer {

// Writes an image of names.size() interleaved float channels, row 0 first, as a scan-line EXR
// with ZIP compression. Throws RenderError when the file cannot be written.
void writeExrImage(const std::filesystem::path& path, int width, int height, const std::vector<std::string>& names,
                   const std::vector<float>& values);

// The range a surface's values had before they were normalized.
struct SurfaceRange {
    std::string shape;  // the instance's name
    float minimum = 0;  // over the value channels together
    float maximum = 0;
    std::vector<std::pair<float, float>> channels;  // per channel, in channel order
};

void writeNormalizationDocument(const std::filesystem::path& path, const std::vector<SurfaceRange>& ranges);

}  // namespace torvo_renderer
