// Result images read into EXR framebuffers: whatever the file holds, loading either throws or gives
// a framebuffer whose every region read stays inside what it loaded.
#include "FuzzSupport.h"
#include "results/ExrReadThreads.h"
#include "results/FSTorvoExrFramebuffer.h"

#include "torvo.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>

#include <new>
#include <vector>

namespace {

std::string standardName(int32_t index)
{
    const char* names[] = {"R", "G", "B", "A", "Z"};
    return index >= 0 && index < 5 ? names[index] : "I";
}

// A small result as the renderer writes them: 32-bit float channels, scan lines.
std::string result(const std::vector<const char*>& channels, int width, int height, Imf::Compression compression)
{
    const auto file = trvfuzz::scratchDirectory() / "seed.exr";
    Imf::Header header(width, height);
    header.compression() = compression;
    std::vector<float> plane(size_t(width) * height);
    for (size_t i = 0; i < plane.size(); ++i)
        plane[i] = float(i % 7) * 0.25f;
    Imf::FrameBuffer frame;
    for (const char* name : channels) {
        header.channels().insert(name, Imf::Channel(Imf::FLOAT));
        frame.insert(name, Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(plane.data()), sizeof(float),
                                      sizeof(float) * size_t(width)));
    }
    {
        Imf::OutputFile out(file.c_str(), header);
        out.setFrameBuffer(frame);
        out.writePixels(height);
    }
    return trvfuzz::readFile(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Workers for the whole run, so that every load does not start and stop its own.
    static const trv::ExrReadThreads keepWorkers;
    // A header may claim billions of pixels; the framebuffer reserves them without touching the
    // memory, which the fuzzer's allocation limit would report all the same. Images up to this size
    // are read as ever.
    Imf::Header::setMaxImageSize(4096, 4096);
    trvfuzz::seedCorpus(argc, argv, [](trvfuzz::SeedWriter& seeds) {
        seeds.add("beauty.exr", result({"beauty.R", "beauty.G", "beauty.B", "beauty.A", "Z"}, 9, 20, Imf::ZIP_COMPRESSION));
        seeds.add("rnm.exr", result({"tpRnm0", "tpRnm1", "tpRnm2", "tpRnm10", "Z"}, 5, 3, Imf::ZIP_COMPRESSION));
        seeds.add("plain.exr", result({"R", "G", "B"}, 4, 4, Imf::NO_COMPRESSION));
        seeds.add("rle.exr", result({"ao.R", "ao.A"}, 17, 2, Imf::RLE_COMPRESSION));
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto file = trvfuzz::scratchDirectory() / "input.exr";
    trvfuzz::writeFile(file, data, size);
    trv::FramebufferList owner;
    std::unique_ptr<trv::FSTorvoExrFramebuffer> framebuffer;
    try {
        framebuffer = std::make_unique<trv::FSTorvoExrFramebuffer>(file, owner, standardName);
    } catch (...) {
        return 0;  // refused: nothing was made
    }
    int32_t width = 0, height = 0, count = 0;
    TRV_FUZZ_REQUIRE(framebuffer->getResolution(&width, &height) == 0 && framebuffer->getChannelCount(&count) == 0);
    TRV_FUZZ_REQUIRE(width > 0 && height > 0 && count >= 0);
    // A row and a column of every channel, a corner in bytes, and a region one pixel too wide.
    std::vector<float> row(size_t(width) * size_t(count) + 1), column(size_t(height) * size_t(count) + 1);
    TRV_FUZZ_REQUIRE(framebuffer->readRegionHDR(0, height - 1, width, height, TRV_CHANNEL_ALL, row.data()) == 0);
    TRV_FUZZ_REQUIRE(framebuffer->readRegionHDR(width - 1, 0, width, height, TRV_CHANNEL_ALL, column.data()) == 0);
    uint8_t corner[5] = {};
    const TRVStatus ldr = framebuffer->readRegionLDR(0, 0, 1, 1, TRV_CHANNEL_RGBAZ, 2.2f, corner);
    TRV_FUZZ_REQUIRE(ldr == 0 || ldr == 1);
    TRV_FUZZ_REQUIRE(framebuffer->readRegionHDR(0, 0, width + 1, 1, TRV_CHANNEL_ALL, row.data()) == 1);
    return 0;
}
