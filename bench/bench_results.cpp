// Reading results back, each against a baseline measured in the same run.
//
//   ./torvo_bench --benchmark_filter='FramebufferLoad|RegionRead'
//
// FramebufferLoad: a 2048 x 2048 result of the renderer's kind (beauty.R/G/B/A and Z, 32-bit
//   float, scan lines, ZIP) loaded as an EXR framebuffer.
//   baseline: OpenEXR's own file stream and multi-threaded reader, as many threads as the
//   framebuffer gets, reading the same file into the same interleaved float layout.
//   ratio = load seconds / baseline seconds   (target: at most 1.2)
//   one_thread_ms: the baseline with OpenEXR's pool left empty, as the rest of the library runs it.
// RegionRead: full rows of the loaded framebuffer, 64 rows per call, over the whole image.
//   baseline: memcpy of the same number of bytes between two buffers of the same size.
//   all_channels_ratio  = memcpy seconds / readRegionHDR(all channels) seconds   (target: at least 0.5)
//   rgba_ratio          = memcpy seconds / readRegionHDR(RGBA of the five) seconds (for comparison)
#include "results/ExrReadThreads.h"
#include "results/FSTorvoExrFramebuffer.h"

#include "torvo.h"

#include <benchmark/benchmark.h>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfThreading.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr int imageSize = 2048;
constexpr int channelCount = 5;
const char* const fileChannels[channelCount] = {"beauty.R", "beauty.G", "beauty.B", "beauty.A", "Z"};

std::string standardName(int32_t index)
{
    const char* names[] = {"R", "G", "B", "A", "Z"};
    return index >= 0 && index < 5 ? names[index] : "I";
}

// A result file like a baked light map: smooth light with a little sampling noise, full coverage,
// and a depth ramp. Removed with the object.
class ResultFile {
public:
    ResultFile()
        : path_(fs::temp_directory_path() / ("torvo-bench-result-" + std::to_string(std::rand()) + ".exr"))
    {
        const size_t pixels = size_t(imageSize) * imageSize;
        std::vector<float> planes(pixels * channelCount);
        uint32_t noise = 12345;
        for (int y = 0; y < imageSize; ++y) {
            for (int x = 0; x < imageSize; ++x) {
                const size_t i = size_t(y) * imageSize + x;
                noise = noise * 1664525u + 1013904223u;
                const float jitter = float(noise >> 16) / 65536.0f * 0.02f;
                const float light = 0.5f + 0.4f * float(x) / imageSize * float(y) / imageSize;
                planes[0 * pixels + i] = light + jitter;
                planes[1 * pixels + i] = 0.9f * light + jitter;
                planes[2 * pixels + i] = 0.8f * light - jitter;
                planes[3 * pixels + i] = 1.0f;
                planes[4 * pixels + i] = 10.0f + float(y) * 0.01f;
            }
        }
        Imf::Header header(imageSize, imageSize);
        header.compression() = Imf::ZIP_COMPRESSION;
        Imf::FrameBuffer frame;
        for (int c = 0; c < channelCount; ++c) {
            header.channels().insert(fileChannels[c], Imf::Channel(Imf::FLOAT));
            frame.insert(fileChannels[c], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(&planes[c * pixels]),
                                                     sizeof(float), sizeof(float) * imageSize));
        }
        Imf::OutputFile out(path_.c_str(), header);
        out.setFrameBuffer(frame);
        out.writePixels(imageSize);
    }
    ~ResultFile()
    {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// OpenEXR reading the file by itself: its own stream, the same thread count, the same layout.
std::unique_ptr<float[]> baselineRead(const fs::path& path)
{
    // The framebuffer's storage order, R G B A Z, fixed here rather than derived.
    const char* order[channelCount] = {"beauty.R", "beauty.G", "beauty.B", "beauty.A", "Z"};
    Imf::InputFile file(path.c_str(), Imf::globalThreadCount());
    const Imath::Box2i window = file.header().dataWindow();
    const size_t width = size_t(window.max.x - window.min.x + 1), height = size_t(window.max.y - window.min.y + 1);
    std::unique_ptr<float[]> pixels(new float[width * height * channelCount]);
    Imf::FrameBuffer frame;
    const size_t xStride = channelCount * sizeof(float);
    for (int c = 0; c < channelCount; ++c)
        frame.insert(order[c], Imf::Slice::Make(Imf::FLOAT, pixels.get() + c, window, xStride, xStride * width));
    file.setFrameBuffer(frame);
    file.readPixels(window.min.y, window.max.y);
    return pixels;
}

void FramebufferLoad(benchmark::State& state)
{
    const ResultFile file;
    trv::FramebufferList owner;
    // Both once before timing: the file comes from the page cache for both.
    trv::FSTorvoExrFramebuffer warm(file.path(), owner, standardName);
    {
        const trv::ExrReadThreads threads;
        baselineRead(file.path());
    }
    double loadSeconds = 0, baselineSeconds = 0, oneThreadSeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        {
            trv::FSTorvoExrFramebuffer framebuffer(file.path(), owner, standardName);
            benchmark::DoNotOptimize(&framebuffer);
        }
        loadSeconds += secondsSince(start);

        start = Clock::now();
        {
            const trv::ExrReadThreads threads;
            benchmark::DoNotOptimize(baselineRead(file.path()).get());
        }
        baselineSeconds += secondsSince(start);

        start = Clock::now();
        benchmark::DoNotOptimize(baselineRead(file.path()).get());
        oneThreadSeconds += secondsSince(start);
    }
    state.counters["file_MiB"] = double(fs::file_size(file.path())) / double(1 << 20);
    state.counters["threads"] = trv::ExrReadThreads::count();
    state.counters["load_ms"] = 1e3 * loadSeconds / double(state.iterations());
    state.counters["baseline_ms"] = 1e3 * baselineSeconds / double(state.iterations());
    state.counters["one_thread_ms"] = 1e3 * oneThreadSeconds / double(state.iterations());
    state.counters["ratio"] = loadSeconds / baselineSeconds;  // target: at most 1.2
}
BENCHMARK(FramebufferLoad)->Unit(benchmark::kMillisecond)->Iterations(8);

void RegionRead(benchmark::State& state)
{
    const ResultFile file;
    trv::FramebufferList owner;
    trv::FSTorvoExrFramebuffer framebuffer(file.path(), owner, standardName);
    constexpr int rowsPerCall = 64;
    const size_t bandValues = size_t(imageSize) * rowsPerCall * channelCount;
    std::vector<float> out(bandValues), source(size_t(imageSize) * imageSize * channelCount, 1.0f);
    double allSeconds = 0, rgbaSeconds = 0, copySeconds = 0;
    bool ok = true;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int y = 0; y < imageSize; y += rowsPerCall)
            ok &= framebuffer.readRegionHDR(0, y, imageSize, y + rowsPerCall, TRV_CHANNEL_ALL, out.data()) == 0;
        benchmark::DoNotOptimize(out.data());
        allSeconds += secondsSince(start);

        start = Clock::now();
        for (int y = 0; y < imageSize; y += rowsPerCall)
            ok &= framebuffer.readRegionHDR(0, y, imageSize, y + rowsPerCall, TRV_CHANNEL_RGBA, out.data()) == 0;
        benchmark::DoNotOptimize(out.data());
        rgbaSeconds += secondsSince(start);

        start = Clock::now();
        for (int y = 0; y < imageSize; y += rowsPerCall)
            std::memcpy(out.data(), source.data() + size_t(y) * imageSize * channelCount, bandValues * sizeof(float));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
        copySeconds += secondsSince(start);
    }
    if (!ok)
        state.SkipWithError("a region read failed");
    state.counters["all_ms"] = 1e3 * allSeconds / double(state.iterations());
    state.counters["rgba_ms"] = 1e3 * rgbaSeconds / double(state.iterations());
    state.counters["memcpy_ms"] = 1e3 * copySeconds / double(state.iterations());
    state.counters["all_channels_ratio"] = copySeconds / allSeconds;  // target: at least 0.5
    state.counters["rgba_ratio"] = copySeconds / rgbaSeconds;
}
BENCHMARK(RegionRead)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
