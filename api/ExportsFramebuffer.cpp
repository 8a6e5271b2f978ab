// Exported functions of framebuffers.
#include "api/Frame.h"
#include "results/TorvoFramebufferStub.h"

using namespace trv;

TRV_FUNC(TRVStatus) TRVGetChannelCount(TorvoFramebuffer framebuffer, int32_t* outCount)
{
    return frame([&](TorvoFramebufferStub& f) { return f.getChannelCount(outCount); }, framebuffer);
}

TRV_FUNC(TRVStatus) TRVGetChannelName(TorvoFramebuffer framebuffer, int32_t index, TorvoString* outName)
{
    return frame([&](TorvoFramebufferStub& f) { return f.getChannelName(index, outName); }, framebuffer);
}

TRV_FUNC(TRVStatus) TRVGetResolution(TorvoFramebuffer framebuffer, int32_t* outWidth, int32_t* outHeight)
{
    return frame([&](TorvoFramebufferStub& f) { return f.getResolution(outWidth, outHeight); }, framebuffer);
}

TRV_FUNC(TRVStatus) TRVReadRegionHDR(TorvoFramebuffer framebuffer, int32_t minX, int32_t minY, int32_t maxX,
                                     int32_t maxY, int32_t selection, float* outBuffer)
{
    return frame([&](TorvoFramebufferStub& f) { return f.readRegionHDR(minX, minY, maxX, maxY, selection, outBuffer); },
                 framebuffer);
}

TRV_FUNC(TRVStatus) TRVReadRegionLDR(TorvoFramebuffer framebuffer, int32_t minX, int32_t minY, int32_t maxX,
                                     int32_t maxY, int32_t selection, float gamma, uint8_t* outBuffer)
{
    return frame(
        [&](TorvoFramebufferStub& f) { return f.readRegionLDR(minX, minY, maxX, maxY, selection, gamma, outBuffer); },
        framebuffer);
}

TRV_FUNC(TRVStatus) TRVDestroyFramebuffer(TorvoFramebuffer framebuffer)
{
    return frame([](TorvoFramebufferStub& f) { return f.destroy(); }, framebuffer);
}
