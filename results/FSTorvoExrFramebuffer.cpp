#include "results/FSTorvoExrFramebuffer.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "results/ChannelLookupException.h"
#include "results/ChannelOrdering.h"
#include "results/ExrReadThreads.h"
#include "results/WCharIStream.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfThreading.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace trv {

namespace {

constexpr int32_t selectAll = TRV_CHANNEL_ALL;

// The channel names of selections TRV_CHANNEL_R to TRV_CHANNEL_RGBAZ.
const std::vector<std::string>& selectionNames(int32_t selection)
{
    static const std::vector<std::string> table[] = {
        {"R"}, {"G"}, {"B"}, {"A"}, {"Z"}, {"R", "G", "B"}, {"R", "G", "B", "A"}, {"R", "G", "B", "A", "Z"},
    };
    return table[selection];
}

uint8_t toByte(float value, float exponent)
{
    // Not greater than 0 includes NaN.
    const float clamped = value > 0.0f ? (value >= 1.0f ? 1.0f : value) : 0.0f;
    const float corrected = std::pow(clamped, exponent);
    return static_cast<uint8_t>(static_cast<double>(corrected) * 255.0);
}

}  // namespace

FSTorvoExrFramebuffer::FSTorvoExrFramebuffer(const std::filesystem::path& file, FramebufferList& owner,
                                             ChannelNameFunction names)
    : FSTorvoFramebuffer(owner)
{
    const std::string fileName = toBytes(file);
    const ExrReadThreads threads;
    stream_ = std::make_shared<WCharIStream>(file, fileName);
    input_ = std::make_shared<Imf::InputFile>(*stream_, Imf::globalThreadCount());
    infoStream() << "Starting to load file: " << fileName << std::endl;

    const Imath::Box2i window = input_->header().dataWindow();
    const int64_t width = int64_t(window.max.x) - window.min.x + 1;
    const int64_t height = int64_t(window.max.y) - window.min.y + 1;
    if (width < 1 || height < 1 || width > std::numeric_limits<int32_t>::max() ||
        height > std::numeric_limits<int32_t>::max())
        throw std::runtime_error("Invalid data window in " + fileName);

    std::vector<std::string> fileChannels;
    const Imf::ChannelList& channelList = input_->header().channels();
    for (auto c = channelList.begin(); c != channelList.end(); ++c)
        fileChannels.emplace_back(c.name());
    const std::vector<size_t> order = orderChannels(fileChannels);
    const size_t channelCount = order.size();

    // A header may claim any size; one that cannot be addressed cannot be held either.
    const size_t limit = std::numeric_limits<std::ptrdiff_t>::max() / sizeof(float);
    if (channelCount != 0 && (size_t(width) > limit / channelCount || size_t(height) > limit / channelCount / size_t(width)))
        throw std::bad_alloc();
    pixels_.reset(new float[channelCount * size_t(width) * size_t(height)]);
    width_ = static_cast<int32_t>(width);
    height_ = static_cast<int32_t>(height);
    channelCount_ = static_cast<int32_t>(channelCount);

    const size_t xStride = channelCount * sizeof(float);
    const size_t yStride = xStride * size_t(width);
    Imf::FrameBuffer frameBuffer;
    for (size_t i = 0; i < channelCount; ++i)
        frameBuffer.insert(fileChannels[order[i]],
                           Imf::Slice::Make(Imf::FLOAT, pixels_.get() + i, window, xStride, yStride, 1, 1, 0.0));
    nameChannels(channelCount_, names);
    input_->setFrameBuffer(frameBuffer);
    input_->readPixels(window.min.y, window.max.y);
    infoStream() << "Done loading file: " << fileName << std::endl;
}

FSTorvoExrFramebuffer::~FSTorvoExrFramebuffer() = default;

TRVStatus FSTorvoExrFramebuffer::getChannelCount(int32_t* count)
{
    if (!checkNotNull("count", count))
        return Status::InvalidParameter;
    *count = channelCount_;
    return Status::Success;
}

TRVStatus FSTorvoExrFramebuffer::getResolution(int32_t* width, int32_t* height)
{
    if (!checkNotNull("width", width) || !checkNotNull("height", height))
        return Status::InvalidParameter;
    *width = width_;
    *height = height_;
    return Status::Success;
}

TRVStatus FSTorvoExrFramebuffer::channelIndices(const std::vector<std::string>& names, std::vector<int32_t>& indices)
{
    indices.clear();
    try {
        for (const std::string& name : names)
            indices.push_back(channels().index(name));
    } catch (const ChannelLookupException& e) {
        errorStream() << e.what() << std::endl;
        return Status::InvalidParameter;
    }
    return Status::Success;
}

TRVStatus FSTorvoExrFramebuffer::selectChannels(int32_t selection, std::vector<int32_t>& indices)
{
    indices.clear();
    if (selection == selectAll) {
        for (int32_t i = 0; i < channelCount_; ++i)
            indices.push_back(i);
        return Status::Success;
    }
    if (selection < TRV_CHANNEL_R || selection > TRV_CHANNEL_RGBAZ)
        return Status::Success;
    return channelIndices(selectionNames(selection), indices);
}

bool FSTorvoExrFramebuffer::regionValid(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY) const
{
    // Unsigned, so that a negative corner is out of range like any other.
    const auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
    return u(minX) < u(maxX) && u(minY) < u(maxY) && u(maxX) <= u(width_) && u(maxY) <= u(height_);
}

template <class T, class Convert>
void FSTorvoExrFramebuffer::copyRegion(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY,
                                       const std::vector<int32_t>& indices, T* buffer, Convert convert) const
{
    const size_t pixelsPerRow = size_t(maxX - minX);
    const size_t stride = size_t(channelCount_);
    for (int32_t y = minY; y < maxY; ++y) {
        const float* source = pixels_.get() + (size_t(y) * size_t(width_) + size_t(minX)) * stride;
        for (size_t x = 0; x < pixelsPerRow; ++x, source += stride)
            for (const int32_t index : indices)
                *buffer++ = convert(source[index]);
    }
}

TRVStatus FSTorvoExrFramebuffer::readRegionHDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY,
                                               int32_t selection, float* buffer)
{
    if (!regionValid(minX, minY, maxX, maxY))
        return Status::InvalidParameter;
    std::vector<int32_t> indices;
    if (const TRVStatus status = selectChannels(selection, indices); status != Status::Success)
        return status;
    if (indices.empty())
        return Status::Success;
    if (!checkNotNull("buffer", buffer))
        return Status::InvalidParameter;

    bool allInOrder = indices.size() == size_t(channelCount_);
    for (size_t i = 0; allInOrder && i < indices.size(); ++i)
        allInOrder = indices[i] == int32_t(i);
    if (!allInOrder) {
        copyRegion(minX, minY, maxX, maxY, indices, buffer, [](float v) { return v; });
        return Status::Success;
    }
    // Every channel in stored order: the rows of the region are stored as they are to be returned.
    const size_t stride = size_t(channelCount_);
    const size_t rowValues = size_t(maxX - minX) * stride;
    if (maxX - minX == width_) {
        std::memcpy(buffer, pixels_.get() + size_t(minY) * rowValues, size_t(maxY - minY) * rowValues * sizeof(float));
        return Status::Success;
    }
    for (int32_t y = minY; y < maxY; ++y, buffer += rowValues)
        std::memcpy(buffer, pixels_.get() + (size_t(y) * size_t(width_) + size_t(minX)) * stride,
                    rowValues * sizeof(float));
    return Status::Success;
}

TRVStatus FSTorvoExrFramebuffer::readRegionLDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY,
                                               int32_t selection, float gamma, uint8_t* buffer)
{
    if (!regionValid(minX, minY, maxX, maxY))
        return Status::InvalidParameter;
    // 1 / gamma must be a positive exponent: anything else would not map [0, 1] onto itself.
    if (!checkAbove("gamma", gamma, 0.0f))
        return Status::InvalidParameter;
    std::vector<int32_t> indices;
    if (const TRVStatus status = selectChannels(selection, indices); status != Status::Success)
        return status;
    if (indices.empty())
        return Status::Success;
    if (!checkNotNull("buffer", buffer))
        return Status::InvalidParameter;
    const float exponent = 1.0f / gamma;
    copyRegion(minX, minY, maxX, maxY, indices, buffer, [exponent](float v) { return toByte(v, exponent); });
    return Status::Success;
}

}  // namespace trv
