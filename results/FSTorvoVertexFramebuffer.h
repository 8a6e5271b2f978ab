// A vertex or point cloud result: the values of every point, read whole when it is created.
#pragma once

#include "results/FSTorvoFramebuffer.h"

#include <filesystem>
#include <vector>

namespace trv {

class FSTorvoVertexFramebuffer : public FSTorvoFramebuffer {
public:
    // Loads file; channel i is named names(i). Throws PointcloudReader::InvalidHeaderException for
    // a header the reader refuses and std::ios_base::failure for a short or unreadable file. The
    // caller adds the framebuffer to owner.
    FSTorvoVertexFramebuffer(const std::filesystem::path& file, FramebufferList& owner, ChannelNameFunction names);

    TRVStatus getChannelCount(int32_t* count) override;
    // The point count by 1.
    TRVStatus getResolution(int32_t* width, int32_t* height) override;
    // The region is a range of points [minX, maxX) of the one row; only all channels at once.
    TRVStatus readRegionHDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY, int32_t selection,
                            float* buffer) override;
    TRVStatus readRegionLDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY, int32_t selection, float gamma,
                            uint8_t* buffer) override;

private:
    std::vector<float> values_;  // pointCount * channelCount, point after point
    int32_t channelCount_ = 0;
    int32_t pointCount_ = 0;
};

}  // namespace trv
