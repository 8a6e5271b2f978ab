#include "results/FSTorvoVertexFramebuffer.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "results/PointcloudReader.h"

#include <cstring>
#include <limits>

namespace trv {

FSTorvoVertexFramebuffer::FSTorvoVertexFramebuffer(const std::filesystem::path& file, FramebufferList& owner,
                                                   ChannelNameFunction names)
    : FSTorvoFramebuffer(owner)
{
    const std::string fileName = toBytes(file);
    infoStream() << "Opening point cloud file " << fileName << std::endl;
    PointcloudReader::Contents contents = PointcloudReader::read(file);
    infoStream() << "Closing point cloud file " << fileName << std::endl;
    // Both are handed out as 32-bit signed values.
    constexpr uint32_t largest = std::numeric_limits<int32_t>::max();
    if (contents.pointCount > largest || contents.valuesPerPoint > largest)
        throw PointcloudReader::InvalidHeaderException();
    values_ = std::move(contents.values);
    channelCount_ = static_cast<int32_t>(contents.valuesPerPoint);
    pointCount_ = static_cast<int32_t>(contents.pointCount);
    nameChannels(channelCount_, names);
}

TRVStatus FSTorvoVertexFramebuffer::getChannelCount(int32_t* count)
{
    if (!checkNotNull("count", count))
        return Status::InvalidParameter;
    *count = channelCount_;
    return Status::Success;
}

TRVStatus FSTorvoVertexFramebuffer::getResolution(int32_t* width, int32_t* height)
{
    if (!checkNotNull("width", width) || !checkNotNull("height", height))
        return Status::InvalidParameter;
    *width = pointCount_;
    *height = 1;
    return Status::Success;
}

TRVStatus FSTorvoVertexFramebuffer::readRegionHDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY,
                                                  int32_t selection, float* buffer)
{
    // Unsigned, so that a negative first point is out of range like any other.
    if (minY != 0 || maxY != 1 || uint32_t(maxX) > uint32_t(pointCount_) || uint32_t(minX) >= uint32_t(maxX)) {
        errorStream() << "Invalid region for vertex data" << std::endl;
        return Status::InvalidParameter;
    }
    if (selection != TRV_CHANNEL_ALL) {
        errorStream() << "Vertex framebuffer only supports reading all channels" << std::endl;
        return Status::NotSupported;
    }
    const size_t count = size_t(maxX - minX) * size_t(channelCount_);
    if (count == 0)
        return Status::Success;
    if (!checkNotNull("buffer", buffer))
        return Status::InvalidParameter;
    std::memcpy(buffer, values_.data() + size_t(minX) * size_t(channelCount_), count * sizeof(float));
    return Status::Success;
}

TRVStatus FSTorvoVertexFramebuffer::readRegionLDR(int32_t, int32_t, int32_t, int32_t, int32_t, float, uint8_t*)
{
    errorStream() << "Vertex framebuffer does not support LDR reading" << std::endl;
    return Status::NotSupported;
}

}  // namespace trv
