// Ray throughput of an ambient occlusion bake against plain ray casting: a 1024 x 1024 occlusion
// texture of a terrain of 259,200 triangles, baked in process, compared with a bare loop that
// casts the same number of occlusion rays from the same surface points over the same scene with
// the same threads. Target: a ratio of at least 0.8.
#include "Bakers.h"
#include "MeshData.h"
#include "RayScene.h"
#include "Sampling.h"
#include "UVRasterizer.h"

#include <benchmark/benchmark.h>
#include <tbb/parallel_for.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace torvo_renderer;

namespace {

constexpr int gridQuads = 360;  // 2 * 360 * 360 = 259,200 triangles
constexpr int textureSide = 1024;
constexpr uint32_t raysPerTexel = 8;
// Runs of each bare loop beside a GI bake; the fastest counts.
constexpr int bareRuns = 3;

float height(float x, float z)
{
    return 0.08f * std::sin(17.0f * x) * std::cos(13.0f * z) + 0.05f * std::sin(41.0f * x + 7.0f * z) +
           0.15f * std::exp(-20.0f * ((x - 0.5f) * (x - 0.5f) + (z - 0.4f) * (z - 0.4f)));
}

// A bumpy unit terrain with its UV layout over the whole texture.
MeshData terrain()
{
    MeshData mesh;
    mesh.name = "terrain";
    mesh.path = "terrain.ttm";
    mesh.uvLayerNames = {"map1"};
    mesh.uvLayers.resize(1);
    const int n = gridQuads;
    const float step = 1.0f / n;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const float x = i * step, z = j * step;
            mesh.positions.push_back({x, height(x, z), z});
            const float dx = (height(x + 1e-3f, z) - height(x - 1e-3f, z)) / 2e-3f;
            const float dz = (height(x, z + 1e-3f) - height(x, z - 1e-3f)) / 2e-3f;
            mesh.normals.push_back(normalizedOr({-dx, 1, -dz}, {0, 1, 0}));
            mesh.uvLayers[0].push_back({x, z});
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const uint32_t a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
            for (uint32_t index : {a, d, b, a, c, d})
                mesh.indices.push_back(index);
        }
    mesh.groups.push_back({"ground", 0, static_cast<uint32_t>(mesh.indices.size() / 3)});
    return mesh;
}

struct Bench {
    MeshData mesh = terrain();
    SceneDescription scene;
    RayScene rays;
    RasterResult raster;               // the texels of a 1024 x 1024 map over the terrain
    std::vector<SurfacePoint> points;  // the covered texels' surface points, for the bare loop

    Bench()
    {
        SceneInstance instance;
        instance.name = "terrain";
        instance.shape = "terrain";
        scene.instances.push_back(instance);
        rays.build(scene, {&mesh});
        const UVSurface surface{0, 0, {1, 1}, {0, 0}};
        raster = rasterizeSurfaces(rays, {surface}, textureSide, textureSide);
        for (const TexelSample& texel : raster.texels)
            if (texel.surface >= 0)
                points.push_back(rays.pointOn(0, texel.primitive, texel.b1, texel.b2));
    }
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

// The plainest ray loop: for every point, cosine-distributed directions from a small generator,
// one rtcOccluded1 each (any hit ends the ray, as for occlusion and shadow rays), or with
// closestHit one rtcIntersect1 each (the nearest hit, as a gather ray needs).
uint64_t bareLoop(const Bench& b, bool closestHit = false)
{
    std::atomic<uint64_t> open{0};
    RTCScene scene = b.rays.embreeScene();
    const float offset = b.rays.offset();
    tbb::parallel_for(tbb::blocked_range<size_t>(0, b.points.size(), 1024), [&](const tbb::blocked_range<size_t>& r) {
        uint64_t local = 0;
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        for (size_t i = r.begin(); i != r.end(); ++i) {
            const SurfacePoint& p = b.points[i];
            Vec3 t, s;
            orthonormalBasis(p.normal, t, s);
            const Vec3 origin = p.position + p.geometricNormal * offset;
            uint32_t state = static_cast<uint32_t>(i) * 2654435761u + 1u;
            for (uint32_t k = 0; k < raysPerTexel; ++k) {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                const float u1 = (state & 0xFFFF) / 65536.0f, u2 = (state >> 16) / 65536.0f;
                const float cosTheta = std::sqrt(1 - u1), sinTheta = std::sqrt(u1);
                const Vec3 d = t * (sinTheta * std::cos(2 * Pi * u2)) + s * (sinTheta * std::sin(2 * Pi * u2)) +
                               p.normal * cosTheta;
                RTCRay ray;
                ray.org_x = origin.x;
                ray.org_y = origin.y;
                ray.org_z = origin.z;
                ray.dir_x = d.x;
                ray.dir_y = d.y;
                ray.dir_z = d.z;
                ray.tnear = 0;
                ray.tfar = std::numeric_limits<float>::infinity();
                ray.time = 0;
                ray.mask = ~0u;
                ray.id = 0;
                ray.flags = 0;
                if (closestHit) {
                    RTCRayHit hit;
                    hit.ray = ray;
                    hit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
                    hit.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
                    rtcIntersect1(scene, &context, &hit);
                    local += hit.hit.geomID == RTC_INVALID_GEOMETRY_ID ? 1 : 0;
                    continue;
                }
                rtcOccluded1(scene, &context, &ray);
                local += ray.tfar >= 0 ? 1 : 0;
            }
        }
        open += local;
    });
    return open;
}

void BM_AmbientOcclusionBakeAgainstBareRays(benchmark::State& state)
{
    Bench& b = bench();
    TextureTarget target;
    target.name = "bench";
    target.width = target.height = textureSide;
    SurfaceTarget surface;
    surface.instance = "terrain";
    target.surfaces.push_back(surface);
    StageSettings stage;
    stage.pass = PassKind::AmbientOcclusion;
    stage.ambientOcclusion.minRays = stage.ambientOcclusion.maxRays = raysPerTexel;
    const DirectLighting light(b.scene, b.rays, {});
    const PassValues pass(stage.pass, stage, b.scene, b.rays, light, {});
    const ChannelLayout layout = channelLayout(stage.pass, stage, ResultKind::Texture);

    double bakeSeconds = 0, bareSeconds = 0;
    uint64_t bakeRays = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        uint64_t traced = 0;
        const TextureResult result = bakeTexture(b.rays, b.scene, target, stage, pass, layout, nullptr, traced);
        const auto baked = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(result.values.data());
        benchmark::DoNotOptimize(bareLoop(b));
        const auto bare = std::chrono::steady_clock::now();
        bakeSeconds += std::chrono::duration<double>(baked - start).count();
        bareSeconds += std::chrono::duration<double>(bare - baked).count();
        bakeRays += traced;
    }
    const double bareRays = double(b.points.size()) * raysPerTexel * double(state.iterations());
    state.counters["bake_rays_per_s"] = double(bakeRays) / bakeSeconds;
    state.counters["bare_rays_per_s"] = bareRays / bareSeconds;
    state.counters["throughput_ratio"] = (double(bakeRays) / bakeSeconds) / (bareRays / bareSeconds);
    state.counters["triangles"] = double(b.mesh.triangleCount());
}

// Global illumination over the terrain lit by a sun 70 degrees high with shadows, into a 1024 x
// 1024 light map at the default GI settings: gather samples per second, rays per second against
// the bare loop of the same run, the time the bake takes to come within 2% of a long reference
// (see relativeErrors for the three errors) and the process's peak memory.
//
// A reference of the whole map at many paths a texel would take far longer than the rest of the
// run on a small machine, so the reference covers a sparse lattice of whole 8 x 8 texel blocks
// (one block every 64 texels each way, clear of the map's edges: 256 blocks, 16,384 texels, 1.6%
// of the map), and the bakes are compared on those texels only. The bakes double their gather rays
// from 1 until none of the three errors improves by more than a tenth any more, or the cap is
// reached: the errors level out at the cache's and the smoothing's bias, and bakes beyond that
// would only add minutes.
constexpr int giSide = textureSide;  // the bench's raster serves the reference
constexpr uint32_t giReferencePaths = 2048;
constexpr int giBlock = 8;
constexpr int giLatticeStep = 64;
constexpr uint32_t giMostGatherRays = 256;
constexpr double giImprovement = 0.9;  // an error improves when it falls below this share of its best
constexpr double giTargetError = 0.02;
// Keeps the reference's paths apart from the bakes' own (which seed from the texel alone).
constexpr uint64_t giReferenceSalt = 0x4EFEu;

// Processor seconds of the whole process: on a shared machine the load other programs put on it
// moves wall time more than it moves these (though they share caches and memory all the same).
double processSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct SunScene {
    SceneDescription lit;
    std::unique_ptr<DirectLighting> light;
};

SunScene sunScene(const Bench& b)
{
    SunScene sun{b.scene, nullptr};
    SceneLight light;
    light.kind = LightKind::Directional;
    light.name = "sun";
    light.color = {1, 1, 1};
    light.castShadows = true;
    // Local -Z turned about 70 degrees down from the horizon: a rotation about X whose third
    // column, (0, sin, cos), is local +Z, so the light travels along (0, -sin, -cos) and lights the
    // terrain's upper side. (With the signs the other way round the sun shone from below and the
    // terrain received no light at all.)
    const float c = std::cos(1.2f), s = std::sin(1.2f);
    light.transform.m[5] = c;
    light.transform.m[6] = s;
    light.transform.m[9] = -s;
    light.transform.m[10] = c;
    sun.lit.lights.push_back(light);
    sun.light = std::make_unique<DirectLighting>(sun.lit, b.rays, std::map<std::string, TextureImage>{});
    return sun;
}

TextureTarget giTarget()
{
    TextureTarget target;
    target.name = "bench";
    target.width = target.height = giSide;
    SurfaceTarget surface;
    surface.instance = "terrain";
    target.surfaces.push_back(surface);
    return target;
}

StageSettings giStage(uint32_t gatherRays)
{
    StageSettings stage;
    stage.pass = PassKind::IndirectIllumination;
    stage.giEnabled = true;
    stage.gi.finalGatherRays = gatherRays;
    stage.textures.push_back(giTarget());  // sizes the radiance cache
    return stage;
}

// The texels the bakes are compared on: whole 8 x 8 blocks on a lattice, block after block.
std::vector<size_t> latticeTexels()
{
    std::vector<size_t> texels;
    constexpr int first = (giLatticeStep - giBlock) / 2;
    for (int by = first; by < giSide; by += giLatticeStep)
        for (int bx = first; bx < giSide; bx += giLatticeStep)
            for (int y = by; y < by + giBlock; ++y)
                for (int x = bx; x < bx + giBlock; ++x)
                    texels.push_back(size_t(y) * giSide + size_t(x));
    return texels;
}

// The reference on the lattice's texels (-1 where no surface is): paths to their end, no radiance
// cache, no smoothing (the unbiased answer the default settings' cache and smoothing approach).
std::vector<double> referenceGI(const Bench& b, const SunScene& sun, const std::vector<size_t>& texels)
{
    StageSettings stage = giStage(giReferencePaths);
    stage.gi.prepassMinRate = 1;  // no prepass levels: no cache
    stage.gi.smoothingRadius = 0;
    const PassValues pass(stage.pass, stage, sun.lit, b.rays, *sun.light, {});
    const size_t channels = channelLayout(stage.pass, stage, ResultKind::Texture).valueCount;
    std::vector<double> values(texels.size(), -1.0);
    tbb::parallel_for(size_t(0), texels.size(), [&](size_t i) {
        const TexelSample& sample = b.raster.texels[texels[i]];
        if (sample.surface < 0)
            return;
        std::vector<float> out(channels);
        uint64_t rays = 0;
        const SurfacePoint point = b.rays.pointOn(0, sample.primitive, sample.b1, sample.b2);
        pass.at(point, seedOf(giReferenceSalt, texels[i] % giSide, texels[i] / giSide), out.data(), rays);
        values[i] = out[0];
    });
    return values;
}

// The default settings' bake; traced counts every ray, the radiance cache's included.
TextureResult bakeGI(const Bench& b, const SunScene& sun, uint32_t gatherRays, uint64_t& traced, double& seconds)
{
    const TextureTarget target = giTarget();
    const StageSettings stage = giStage(gatherRays);
    const ChannelLayout layout = channelLayout(stage.pass, stage, ResultKind::Texture);
    const auto start = std::chrono::steady_clock::now();
    PassValues pass(stage.pass, stage, sun.lit, b.rays, *sun.light, {});
    pass.prepassAll();
    TextureResult result = bakeTexture(b.rays, sun.lit, target, stage, pass, layout, nullptr, traced);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    traced += pass.prepassRays();
    return result;
}

// Errors of a bake against the reference on the lattice, channel 0 (the sun is white and the
// terrain grey).
// - texel: the mean of |bake - reference| / reference over the texels whose reference value is
//   above a floor of 1% of the reference's mean (nearly unlit texels would otherwise dominate);
//   its floor is the reference's own noise and the smoothing's blur of sharp features;
// - block: the same over the means of the 8 x 8 blocks, which keeps the reference's noise from
//   setting a floor under the figure;
// - total: the relative error of the summed light, which noise hardly moves (it averages out over
//   the lattice): what it measures is the bias of the cache and the smoothing. It decides
//   seconds_to_2pct; the other two are reported beside it.
constexpr double giFloorShare = 0.01;
constexpr size_t giBlockTexels = size_t(giBlock) * giBlock;

struct GIError {
    double texel = 1, block = 1, total = 1;
};

double meanRelativeError(const std::vector<double>& bake, const std::vector<double>& reference)
{
    double sum = 0;
    for (double r : reference)
        sum += r;
    const double floor = reference.empty() ? 0 : giFloorShare * sum / double(reference.size());
    double error = 0;
    size_t counted = 0;
    for (size_t i = 0; i < reference.size(); ++i)
        if (reference[i] > floor) {
            error += std::fabs(bake[i] - reference[i]) / reference[i];
            ++counted;
        }
    return counted ? error / double(counted) : 1.0;
}

GIError relativeErrors(const TextureResult& a, const std::vector<size_t>& texels, const std::vector<double>& reference)
{
    const size_t channels = a.layout.size();
    std::vector<double> bakeTexels, referenceTexels, bakeMeans, referenceMeans;
    double bakeTotal = 0, referenceTotal = 0;
    for (size_t first = 0; first < texels.size(); first += giBlockTexels) {
        double bakeBlock = 0, referenceBlock = 0;
        size_t count = 0;
        for (size_t i = first; i < first + giBlockTexels; ++i) {
            if (reference[i] < 0 || !a.covered[texels[i]])
                continue;
            const double value = a.values[texels[i] * channels];
            bakeTexels.push_back(value);
            referenceTexels.push_back(reference[i]);
            bakeBlock += value;
            referenceBlock += reference[i];
            ++count;
        }
        if (count > 0) {
            bakeMeans.push_back(bakeBlock / double(count));
            referenceMeans.push_back(referenceBlock / double(count));
        }
        bakeTotal += bakeBlock;
        referenceTotal += referenceBlock;
    }
    GIError error;
    error.texel = meanRelativeError(bakeTexels, referenceTexels);
    error.block = meanRelativeError(bakeMeans, referenceMeans);
    error.total = referenceTotal > 0 ? std::fabs(bakeTotal - referenceTotal) / referenceTotal : 1.0;
    return error;
}

void BM_GlobalIlluminationBake(benchmark::State& state)
{
    Bench& b = bench();
    const SunScene sun = sunScene(b);
    const std::vector<size_t> texels = latticeTexels();
    const auto referenceStart = std::chrono::steady_clock::now();
    const std::vector<double> reference = referenceGI(b, sun, texels);
    const double referenceSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - referenceStart).count();
    double referenceMean = 0;
    size_t referenceTexels = 0;
    for (double r : reference)
        if (r >= 0) {
            referenceMean += r;
            ++referenceTexels;
        }
    referenceMean /= double(std::max<size_t>(referenceTexels, 1));
    // Every gather count up to the stop is baked (no stop at 2%) so that each error's time to 2% is known.
    double toTexel = -1, toBlock = -1, toTotal = -1, raysToTarget = -1;
    double samplesPerSecond = 0, raysPerSecond = 0, lastGatherRays = 0, ratio = 0, cpuRatio = 0, closestRatio = 0;
    GIError best;
    for (auto _ : state) {
        toTexel = toBlock = toTotal = raysToTarget = -1;
        best = GIError{};
        for (uint32_t gatherRays = 1; gatherRays <= giMostGatherRays; gatherRays *= 2) {
            uint64_t traced = 0;
            double seconds = 0;
            const double cpuStart = processSeconds();
            const TextureResult result = bakeGI(b, sun, gatherRays, traced, seconds);
            const double cpuSeconds = processSeconds() - cpuStart;
            // The bare loops right after each bake, so that both see the same load on the machine.
            // A loop lasts about a second, short enough for a stray process or a clock change to
            // slow it: the fastest of a few runs is its speed.
            double bareSeconds = std::numeric_limits<double>::infinity(), bareCpuSeconds = bareSeconds;
            double closestSeconds = bareSeconds;
            for (int run = 0; run < bareRuns; ++run) {
                const double cpuBefore = processSeconds();
                const auto bareStart = std::chrono::steady_clock::now();
                benchmark::DoNotOptimize(bareLoop(b));
                bareSeconds = std::min(
                    bareSeconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - bareStart).count());
                bareCpuSeconds = std::min(bareCpuSeconds, processSeconds() - cpuBefore);
                const auto closestStart = std::chrono::steady_clock::now();
                benchmark::DoNotOptimize(bareLoop(b, true));
                closestSeconds = std::min(
                    closestSeconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - closestStart).count());
            }
            const double bareRays = double(b.points.size()) * raysPerTexel;
            ratio = (double(traced) / seconds) / (bareRays / bareSeconds);
            closestRatio = (double(traced) / seconds) / (bareRays / closestSeconds);
            cpuRatio = (double(traced) / cpuSeconds) / (bareRays / bareCpuSeconds);
            const size_t covered = size_t(std::count(result.covered.begin(), result.covered.end(), uint8_t(1)));
            samplesPerSecond = double(covered) * gatherRays / seconds;
            raysPerSecond = double(traced) / seconds;
            lastGatherRays = gatherRays;
            const GIError error = relativeErrors(result, texels, reference);
            std::fprintf(stderr,
                         "gi %4u rays: %.2f s, %.2f M rays/s, ratio %.2f (cpu %.2f, nearest-hit loop %.2f), error "
                         "texel %.4f block %.4f total %.4f\n",
                         gatherRays, seconds, raysPerSecond / 1e6, ratio, cpuRatio, closestRatio, error.texel,
                         error.block, error.total);
            if (toTotal < 0 && error.total <= giTargetError) {
                toTotal = seconds;
                raysToTarget = gatherRays;
            }
            if (toBlock < 0 && error.block <= giTargetError)
                toBlock = seconds;
            if (toTexel < 0 && error.texel <= giTargetError)
                toTexel = seconds;
            const bool improved = error.texel < giImprovement * best.texel ||
                                  error.block < giImprovement * best.block ||
                                  error.total < giImprovement * best.total;
            best.texel = std::min(best.texel, error.texel);
            best.block = std::min(best.block, error.block);
            best.total = std::min(best.total, error.total);
            if (!improved)
                break;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["gi_samples_per_s"] = samplesPerSecond;
    state.counters["gi_rays_per_s"] = raysPerSecond;
    state.counters["throughput_ratio"] = ratio;
    state.counters["throughput_ratio_cpu"] = cpuRatio;
    state.counters["throughput_ratio_nearest_hit"] = closestRatio;
    state.counters["last_gather_rays"] = lastGatherRays;
    state.counters["seconds_to_2pct"] = toTotal;
    state.counters["rays_to_2pct"] = raysToTarget;
    state.counters["seconds_to_2pct_8x8"] = toBlock;
    state.counters["seconds_to_2pct_texel"] = toTexel;
    state.counters["reference_seconds"] = referenceSeconds;
    state.counters["reference_mean"] = referenceMean;
    state.counters["best_error_texel"] = best.texel;
    state.counters["best_error_8x8"] = best.block;
    state.counters["best_error_total"] = best.total;
    state.counters["peak_rss_mib"] = double(usage.ru_maxrss) / 1024.0;
}

}  // namespace

BENCHMARK(BM_AmbientOcclusionBakeAgainstBareRays)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobalIlluminationBake)->Iterations(1)->Unit(benchmark::kMillisecond);
