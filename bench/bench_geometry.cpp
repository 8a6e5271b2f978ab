// Ending meshes and textures, each against a baseline measured in the same run.
//
//   ./torvo_bench --benchmark_filter='EndMesh|EndTexture'
//
// EndMesh: a mesh of 1,000,000 vertices, 2,000,000 triangles, 2 uv layers, colors and tangents.
//   baseline: the same number of bytes written with one fwrite per 1 MiB block.
//   throughput_ratio = baseline seconds / endMesh seconds   (target: at least 0.5)
//   extra_peak_MiB   = most memory allocated on top of the build data while ending (target: about
//                      the 1 MiB write buffer, never a second copy of the vertex data)
// EndTexture: a 4096 x 4096 RGBA float texture.
//   baseline: OpenEXR's tiled writer called directly on the same pixels with the same header.
//   ratio = endTexture seconds / baseline seconds   (target: at most 1.2)
#include "manager/FSTorvoManager.h"
#include "geometry/FSTorvoMesh.h"
#include "geometry/FSTorvoTexture.h"

#include <benchmark/benchmark.h>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfThreading.h>
#include <ImfTileDescription.h>
#include <ImfTiledOutputFile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// Allocation accounting of the whole benchmark program: bytes held now and the most held since the
// last reset of the peak.
namespace {
std::atomic<long long> heldBytes{0};
std::atomic<long long> peakBytes{0};
constexpr std::size_t Prefix = 16;  // keeps the block's size, and malloc's alignment

// Kept out of line: inlined into the replaced operators, the compiler would take the prefix
// arithmetic for a stray access.
[[gnu::noinline]] void* countedAlloc(std::size_t size)
{
    void* block = std::malloc(size + Prefix);
    if (!block)
        return nullptr;
    *static_cast<std::size_t*>(block) = size;
    const long long now = heldBytes += static_cast<long long>(size);
    long long peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(block) + Prefix;
}

[[gnu::noinline]] void countedFree(void* p) noexcept
{
    if (!p)
        return;
    void* block = static_cast<char*>(p) - Prefix;
    heldBytes -= static_cast<long long>(*static_cast<std::size_t*>(block));
    std::free(block);
}
}  // namespace

void* operator new(std::size_t size)
{
    if (void* p = countedAlloc(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return countedAlloc(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return countedAlloc(size);
}
void operator delete(void* p) noexcept
{
    countedFree(p);
}
void operator delete[](void* p) noexcept
{
    countedFree(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    countedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    countedFree(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    countedFree(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    countedFree(p);
}

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A manager on a cache in the temp directory, removed at the end of the benchmark.
class BenchCache {
public:
    explicit BenchCache(const char* name)
        : root_(fs::temp_directory_path() / (std::string("torvo-bench-") + name + "-" + std::to_string(std::rand())))
    {
        ok_ = manager_.initialize(root_, 0) == 0;
    }
    ~BenchCache()
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    bool ok() const { return ok_; }
    trv::FSTorvoManager& manager() { return manager_; }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
    trv::FSTorvoManager manager_;
    bool ok_ = false;
};

struct MeshInput {
    static constexpr int vertices = 1000000;
    static constexpr int triangles = 2000000;
    std::vector<TRVVec3> positions, normals, tangents, bitangents;
    std::vector<TRVVec2> uvs;
    std::vector<TRVLinearRGBA> colors;
    std::vector<int32_t> indices;

    MeshInput()
    {
        for (int i = 0; i < vertices; ++i) {
            const float x = float(i % 1000), y = float(i / 1000);
            positions.push_back({x, y, 0.01f * float((int64_t(i) * 7919) % 101)});
            normals.push_back({0, 0, 1});
            tangents.push_back({1, 0, 0});
            bitangents.push_back({0, 1, 0});
            uvs.push_back({x / 1000.0f, y / 1000.0f});
            colors.push_back({x / 1000.0f, y / 1000.0f, 0.5f, 1.0f});
        }
        for (int t = 0; t < triangles; ++t) {
            const int base = (t / 2) % (vertices - 1001);
            const int tri[2][3] = {{base, base + 1, base + 1001}, {base, base + 1001, base + 1000}};
            indices.insert(indices.end(), tri[t % 2], tri[t % 2] + 3);
        }
    }

    // Gives everything to a new mesh; false when the mesh refused something.
    bool fill(trv::FSTorvoMesh& mesh) const
    {
        bool ok = mesh.addVertexData(positions.data(), normals.data(), vertices) == 0;
        ok = ok && mesh.beginMaterialGroup("first half") == 0 &&
             mesh.addTriangleData(indices.data(), triangles / 2 * 3) == 0 && mesh.endMaterialGroup() == 0;
        ok = ok && mesh.beginMaterialGroup("second half") == 0 &&
             mesh.addTriangleData(indices.data() + triangles / 2 * 3, triangles / 2 * 3) == 0 &&
             mesh.endMaterialGroup() == 0;
        for (const char* layer : {"uv0", "uv1"})
            ok = ok && mesh.beginUVLayer(layer) == 0 && mesh.addUVData(uvs.data(), vertices) == 0 &&
                 mesh.endUVLayer() == 0;
        ok = ok && mesh.beginColorLayer("colors") == 0 && mesh.addColorData(colors.data(), vertices) == 0 &&
             mesh.endColorLayer() == 0;
        ok = ok && mesh.beginTangents() == 0 &&
             mesh.addTangentData(tangents.data(), bitangents.data(), vertices) == 0 && mesh.endTangents() == 0;
        return ok;
    }
};

void EndMesh(benchmark::State& state)
{
    BenchCache cache("mesh");
    if (!cache.ok()) {
        state.SkipWithError("no cache");
        return;
    }
    const MeshInput input;
    std::vector<char> block(std::size_t(1) << 20, 'x');
    double meshSeconds = 0, baselineSeconds = 0, extraPeak = 0;
    std::uintmax_t fileBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = std::make_unique<trv::FSTorvoMesh>(&cache.manager(), "bench", false);
        if (!input.fill(*mesh)) {
            state.SkipWithError("mesh refused its data");
            return;
        }
        // Both writes make a new file: replacing one costs the file system more than writing it.
        std::error_code ec;
        fs::remove(mesh->filePath(), ec);
        fs::remove(cache.root() / "plain.bin", ec);
        const long long before = heldBytes.load();
        peakBytes = before;
        state.ResumeTiming();

        auto start = Clock::now();
        if (mesh->endMesh() != 0) {
            state.SkipWithError("endMesh failed");
            return;
        }
        meshSeconds += secondsSince(start);
        extraPeak = std::max(extraPeak, double(peakBytes.load() - before));
        fileBytes = fs::file_size(mesh->filePath());

        // Baseline: the same byte count, one buffered fwrite per 1 MiB block.
        const fs::path plain = cache.root() / "plain.bin";
        start = Clock::now();
        std::FILE* file = std::fopen(plain.c_str(), "wb");
        if (!file) {
            state.SkipWithError("baseline file");
            return;
        }
        for (std::uintmax_t left = fileBytes; left > 0;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uintmax_t>(left, block.size()));
            std::fwrite(block.data(), 1, n, file);
            left -= n;
        }
        std::fclose(file);
        baselineSeconds += secondsSince(start);
    }
    state.counters["file_MiB"] = double(fileBytes) / double(1 << 20);
    state.counters["mesh_ms"] = 1e3 * meshSeconds / double(state.iterations());
    state.counters["baseline_ms"] = 1e3 * baselineSeconds / double(state.iterations());
    state.counters["throughput_ratio"] = baselineSeconds / meshSeconds;  // target: at least 0.5
    state.counters["extra_peak_MiB"] = extraPeak / double(1 << 20);      // target: O(1 MiB buffer)
}
BENCHMARK(EndMesh)->Unit(benchmark::kMillisecond)->Iterations(5);

void EndTexture(benchmark::State& state)
{
    BenchCache cache("texture");
    if (!cache.ok()) {
        state.SkipWithError("no cache");
        return;
    }
    constexpr int size = 4096;
    std::vector<float> pixels(std::size_t(size) * size * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = float((i * 2654435761u) % 1000) / 250.0f + float(i % (size * 4)) / float(size);

    double textureSeconds = 0, directSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto texture = std::make_unique<trv::FSTorvoTexture>(&cache.manager(), "bench", size, size, 2);
        if (texture->addPixelDataHDR(pixels.data(), size * size) != 0) {
            state.SkipWithError("texture refused its pixels");
            return;
        }
        state.ResumeTiming();

        auto start = Clock::now();
        if (texture->endTexture() != 0) {
            state.SkipWithError("endTexture failed");
            return;
        }
        textureSeconds += secondsSince(start);

        // Baseline: OpenEXR's own tiled writer and file stream, the same header and frame buffer.
        start = Clock::now();
        {
            Imf::Header header(size, size);
            header.lineOrder() = Imf::INCREASING_Y;
            header.compression() = Imf::ZIP_COMPRESSION;
            header.setTileDescription(Imf::TileDescription(32, 32, Imf::ONE_LEVEL, Imf::ROUND_DOWN));
            const std::size_t pixelStride = 4 * sizeof(float), rowStride = pixelStride * size;
            char* lastRow = reinterpret_cast<char*>(pixels.data()) + rowStride * (size - 1);
            Imf::FrameBuffer frame;
            const char* names[4] = {"R", "G", "B", "A"};
            for (int c = 0; c < 4; ++c) {
                header.channels().insert(names[c], Imf::Channel(Imf::FLOAT));
                frame.insert(names[c], Imf::Slice(Imf::FLOAT, lastRow + c * sizeof(float), pixelStride,
                                                  std::size_t(0) - rowStride));
            }
            Imf::TiledOutputFile file((cache.root() / "direct.exr").c_str(), header, Imf::globalThreadCount());
            file.setFrameBuffer(frame);
            file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
        }
        directSeconds += secondsSince(start);
    }
    state.counters["texture_ms"] = 1e3 * textureSeconds / double(state.iterations());
    state.counters["direct_ms"] = 1e3 * directSeconds / double(state.iterations());
    state.counters["ratio"] = textureSeconds / directSeconds;  // target: at most 1.2
}
BENCHMARK(EndTexture)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
