// A result image (texture, camera and atlas results), read whole into memory when it is created.
#pragma once

#include "results/FSTorvoFramebuffer.h"

#include <ImfForward.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace trv {

class WCharIStream;

class FSTorvoExrFramebuffer : public FSTorvoFramebuffer {
public:
    // Loads file; channel i is the file channel that the pass calls names(i). Throws std::bad_alloc
    // when the pixels do not fit in memory, and OpenEXR's or the standard library's exceptions when
    // the file cannot be read; no framebuffer is made then. The caller adds the framebuffer to owner.
    FSTorvoExrFramebuffer(const std::filesystem::path& file, FramebufferList& owner, ChannelNameFunction names);
    ~FSTorvoExrFramebuffer() override;

    TRVStatus getChannelCount(int32_t* count) override;
    TRVStatus getResolution(int32_t* width, int32_t* height) override;
    TRVStatus readRegionHDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY, int32_t selection,
                            float* buffer) override;
    TRVStatus readRegionLDR(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY, int32_t selection, float gamma,
                            uint8_t* buffer) override;
    // Indices of the named channels; "Channel <name> not found" and status 1 for a missing name.
    [[nodiscard]] virtual TRVStatus channelIndices(const std::vector<std::string>& names,
                                                   std::vector<int32_t>& indices);
    // Indices of a TRV_CHANNEL_ selection; any other value selects nothing.
    [[nodiscard]] virtual TRVStatus selectChannels(int32_t selection, std::vector<int32_t>& indices);

private:
    bool regionValid(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY) const;
    template <class T, class Convert>
    void copyRegion(int32_t minX, int32_t minY, int32_t maxX, int32_t maxY, const std::vector<int32_t>& indices,
                    T* buffer, Convert convert) const;

    std::shared_ptr<WCharIStream> stream_;
    std::shared_ptr<Imf::InputFile> input_;
    // ((y * width) + x) * channelCount + c. Not cleared first: the reader fills every value, and
    // memory is only taken up as rows arrive, not all at once for a size the header merely claims.
    std::unique_ptr<float[]> pixels_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t channelCount_ = 0;
};

}  // namespace trv
