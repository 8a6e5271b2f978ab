#include "Bakers.h"

#include "GlobalIllumination.h"
#include "IndirectFilter.h"
#include "RenderError.h"
#include "Sampling.h"
#include "UVRasterizer.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace torvo_renderer {

namespace {

// Texels are shaded in square tiles, which keeps neighbouring rays on neighbouring threads.
constexpr int tileSize = 16;
constexpr size_t pointsPerTask = 256;
constexpr int lastWorkValue = 99;
// Salts of the sample points of each kind of bake.
constexpr uint64_t texelSalt = 0x7E7E1u;
constexpr uint64_t vertexSalt = 0x7E47Eu;
constexpr uint64_t pixelSalt = 0x919E1u;
constexpr uint64_t pointSalt = 0x9014Fu;

// The shading of a grid of points (texels, pixels). Without indirect light each point is shaded
// once. With it, every point first gathers its indirect light, the grid's indirect light is
// smoothed, and a second sweep joins it with the rest of each point's values.
class GridShading {
public:
    // fillsBuried: the bake calls fillBuried, so a pass that marks buried points (see
    // PassValues::marksBuried) must mark them.
    GridShading(const PassValues& pass, size_t pointCount, bool fillsBuried)
        : pass_(pass), count_(pass.indirectCount()), marks_(count_ == 0 && fillsBuried && pass.marksBuried()),
          indirect_(count_ > 0 ? pointCount * count_ : 0), points_(count_ > 0 || marks_ ? pointCount : 0),
          buried_(count_ > 0 || marks_ ? pointCount : 0)
    {
    }

    // Work units of the sweeps, for progress.
    size_t work(size_t pointCount) const { return count_ > 0 ? 2 * pointCount : pointCount; }

    // Runs sweep(second) once or twice, smoothing the gathered light in between.
    template <class Sweep>
    void run(Sweep&& sweep, int width, int height)
    {
        if (count_ > 0) {
            sweep(false);
            smoothIndirect(indirect_, count_, width, height, points_, pass_.smoothingRadius());
        }
        sweep(true);
    }

    // Shades grid point index into out; false when this sweep only gathered its indirect light.
    bool shade(const SurfacePoint& point, int surface, size_t index, uint64_t seed, bool second, float* out,
               uint64_t& rays)
    {
        if (count_ == 0) {
            pass_.at(point, seed, out, rays);
            if (marks_)
                mark(point, surface, index, pass_.buriedAt(point, rays));
            return true;
        }
        if (!second) {
            float backShare = 0.0f;
            pass_.indirectAt(point, seed, &indirect_[index * count_], rays, &backShare);
            // A buried point neither lends its light to its neighbours nor keeps its own.
            mark(point, surface, index, GlobalIllumination::buried(backShare));
            return false;
        }
        pass_.finish(point, seed, &indirect_[index * count_], out, rays);
        return true;
    }

    // Gives each buried point (see GlobalIllumination::buried) of the shaded grid the mean of the
    // nearest unburied points of its surface that face its way, within reach grid steps; where there
    // are none (a face hidden whole) its values become 0, all but channel keep. A light map is
    // read with filtering, so a texel under a wall or a table must not carry the dark (or the
    // leaked light) of the solid's inside onto the visible floor beside it.
    void fillBuried(std::vector<float>& values, size_t channels, int width, int height, int reach, int keep) const
    {
        if (buried_.empty())
            return;
        const std::vector<float> source = values;
        tbb::parallel_for(0, height, [&](int y) {
            for (int x = 0; x < width; ++x) {
                const size_t at = size_t(y) * width + x;
                const FilterPoint& p = buried_[at];
                if (p.surface < 0)
                    continue;
                float* out = &values[at * channels];
                std::vector<double> sum(channels, 0.0);
                int found = 0;
                for (int ring = 1; ring <= reach && found == 0; ++ring)
                    for (int ny = y - ring; ny <= y + ring; ++ny)
                        for (int nx = x - ring; nx <= x + ring; ++nx) {
                            if (std::max(std::abs(nx - x), std::abs(ny - y)) != ring || nx < 0 || ny < 0 ||
                                nx >= width || ny >= height)
                                continue;
                            const size_t n = size_t(ny) * width + nx;
                            const FilterPoint& q = points_[n];
                            if (q.surface != p.surface || dot(q.normal, p.normal) < sameFacing)
                                continue;
                            for (size_t c = 0; c < channels; ++c)
                                sum[c] += source[n * channels + c];
                            ++found;
                        }
                for (size_t c = 0; c < channels; ++c)
                    if (int(c) != keep)
                        out[c] = found ? static_cast<float>(sum[c] / found) : 0.0f;
            }
        });
    }

private:
    // Neighbours whose normals agree this well (cosine) lie on the same face as a buried point.
    static constexpr float sameFacing = 0.9f;

    void mark(const SurfacePoint& point, int surface, size_t index, bool buried)
    {
        points_[index] = {point.position, point.normal, buried ? -1 : surface};
        if (buried)
            buried_[index] = {point.position, point.normal, surface};
    }

    const PassValues& pass_;
    size_t count_;
    bool marks_;  // the points' values come in one sweep and the pass marks buried ones
    std::vector<float> indirect_;
    std::vector<FilterPoint> points_;
    std::vector<FilterPoint> buried_;  // the buried points (surface -1 at the others)
};

int instanceOf(const SceneDescription& scene, const std::string& name, const std::string& target)
{
    const int index = scene.instanceIndex(name);
    if (index < 0)
        throw badInput("Target " + target + " bakes instance " + name + ", which the scene does not hold");
    return index;
}

// The instances whose surfaces a target surface takes its values from (its high-resolution
// partners), as a mask over the scene's instances; empty when it bakes its own surface.
std::vector<uint8_t> sourceMask(const SceneDescription& scene, const SurfaceTarget& surface, const std::string& target)
{
    std::vector<uint8_t> mask;
    if (surface.sourceSurfaces.empty())
        return mask;
    mask.assign(scene.instances.size(), 0);
    for (const std::string& name : surface.sourceSurfaces) {
        const int index = scene.instanceIndex(name);
        if (index < 0)
            throw badInput("Target " + target + " takes values from instance " + name +
                           ", which the scene does not hold");
        mask[static_cast<size_t>(index)] = 1;
    }
    return mask;
}

// The point of the source surfaces nearest along the normal, either way; the point itself when
// no source surface lies on that line.
SurfacePoint transferred(const RayScene& rays, const SurfacePoint& point, const std::vector<uint8_t>& sources)
{
    if (sources.empty())
        return point;
    RayFilter filter;
    filter.only = &sources;
    RayHit best;
    bool found = false;
    for (float side : {1.0f, -1.0f}) {
        RayHit hit;
        if (rays.intersect(point.position, point.normal * side, std::numeric_limits<float>::infinity(), filter, hit) &&
            (!found || hit.distance < best.distance)) {
            best = hit;
            found = true;
        }
    }
    return found ? rays.pointOn(best.instance, best.primitive, best.u, best.v) : point;
}

// Scales each surface's value channels into 0..1 and records the ranges they had.
std::vector<SurfaceRange> normalizeSurfaces(std::vector<float>& values, const ChannelLayout& layout,
                                            const std::vector<int>& shapeOfTexel,
                                            const std::vector<std::string>& shapes, bool perChannel)
{
    const size_t channels = layout.size();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<std::vector<std::pair<float, float>>> ranges(shapes.size(),
                                                             std::vector<std::pair<float, float>>(channels, {inf, -inf}));
    std::vector<uint8_t> seen(shapes.size(), 0);
    for (size_t texel = 0; texel < shapeOfTexel.size(); ++texel) {
        const int shape = shapeOfTexel[texel];
        if (shape < 0)
            continue;
        seen[static_cast<size_t>(shape)] = 1;
        for (size_t c = 0; c < channels; ++c) {
            auto& [low, high] = ranges[static_cast<size_t>(shape)][c];
            low = std::min(low, values[texel * channels + c]);
            high = std::max(high, values[texel * channels + c]);
        }
    }
    std::vector<SurfaceRange> result(shapes.size());
    for (size_t s = 0; s < shapes.size(); ++s) {
        result[s].shape = shapes[s];
        result[s].channels = ranges[s];
        result[s].minimum = inf;
        result[s].maximum = -inf;
        for (size_t c = 0; c < layout.valueCount; ++c) {
            result[s].minimum = std::min(result[s].minimum, ranges[s][c].first);
            result[s].maximum = std::max(result[s].maximum, ranges[s][c].second);
        }
    }
    for (size_t texel = 0; texel < shapeOfTexel.size(); ++texel) {
        const int shape = shapeOfTexel[texel];
        if (shape < 0)
            continue;
        const SurfaceRange& range = result[static_cast<size_t>(shape)];
        for (size_t c = 0; c < layout.valueCount; ++c) {
            const float low = perChannel ? range.channels[c].first : range.minimum;
            const float high = perChannel ? range.channels[c].second : range.maximum;
            float& v = values[texel * channels + c];
            v = high > low ? (v - low) / (high - low) : 0.0f;
        }
    }
    std::vector<SurfaceRange> baked;
    for (size_t s = 0; s < shapes.size(); ++s)
        if (seen[s])
            baked.push_back(result[s]);
    return baked;
}

}  // namespace

TextureResult bakeTexture(const RayScene& rays, const SceneDescription& scene, const TextureTarget& target,
                          const StageSettings& stage, const PassValues& pass, const ChannelLayout& layout,
                          Progress* progress, uint64_t& raysTraced)
{
    std::vector<UVSurface> surfaces;
    std::vector<std::string> shapes;
    std::vector<int> shapeOfSurface;
    std::vector<std::vector<uint8_t>> sources;
    for (const SurfaceTarget& surface : target.surfaces) {
        sources.push_back(sourceMask(scene, surface, target.name));
        UVSurface uv;
        uv.instance = instanceOf(scene, surface.instance, target.name);
        const MeshData& mesh = *rays.instances()[static_cast<size_t>(uv.instance)].mesh;
        if (surface.uvSet.empty()) {
            if (mesh.uvLayers.empty())
                throw badInput("Target " + target.name + " bakes instance " + surface.instance +
                               ", whose mesh has no UV layer");
            uv.uvLayer = 0;
        } else {
            uv.uvLayer = mesh.uvLayer(surface.uvSet);
            if (uv.uvLayer < 0)
                throw badInput("Target " + target.name + " bakes instance " + surface.instance +
                               " through the UV layer " + surface.uvSet + ", which its mesh does not have");
        }
        std::copy_n(surface.uvScale, 2, uv.scale);
        std::copy_n(surface.uvBias, 2, uv.bias);
        surfaces.push_back(uv);
        const auto known = std::find(shapes.begin(), shapes.end(), surface.instance);
        shapeOfSurface.push_back(static_cast<int>(known - shapes.begin()));
        if (known == shapes.end())
            shapes.push_back(surface.instance);
    }

    const int width = target.width, height = target.height;
    RasterResult raster = rasterizeSurfaces(rays, surfaces, width, height);
    TextureResult result;
    result.width = width;
    result.height = height;
    result.layout = layout;
    result.flatInUV = raster.flatInUV;
    const size_t channels = layout.size();
    const size_t texelCount = size_t(width) * height;
    result.values.assign(texelCount * channels, 0.0f);
    result.covered.assign(texelCount, 0);

    const int tilesX = (width + tileSize - 1) / tileSize;
    const int tilesY = (height + tileSize - 1) / tileSize;
    // With smoothing, the indirect light of every texel is gathered first, smoothed over its
    // neighbours, then joined with the rest of the texel's values.
    GridShading shading(pass, texelCount, true);
    WorkProgress work(progress, shading.work(texelCount), 0, lastWorkValue);
    std::atomic<uint64_t> traced{0};
    auto eachTexel = [&](bool second) {
        tbb::parallel_for(0, tilesX * tilesY, [&](int tile) {
            const int tx = tile % tilesX, ty = tile / tilesX;
            const int xEnd = std::min(width, (tx + 1) * tileSize), yEnd = std::min(height, (ty + 1) * tileSize);
            uint64_t local = 0;
            for (int y = ty * tileSize; y < yEnd; ++y) {
                for (int x = tx * tileSize; x < xEnd; ++x) {
                    const size_t texel = size_t(y) * width + x;
                    const TexelSample& sample = raster.texels[texel];
                    if (sample.surface < 0)
                        continue;
                    const size_t surface = static_cast<size_t>(sample.surface);
                    const SurfacePoint point = transferred(
                        rays, rays.pointOn(surfaces[surface].instance, sample.primitive, sample.b1, sample.b2),
                        sources[surface]);
                    const uint64_t seed = seedOf(texelSalt, uint64_t(x), uint64_t(y));
                    float* out = &result.values[texel * channels];
                    if (!shading.shade(point, sample.surface, texel, seed, second, out, local))
                        continue;
                    if (layout.coverage >= 0)
                        out[layout.coverage] = 1.0f;
                    result.covered[texel] = 1;
                }
            }
            traced += local;
            work.add(size_t(xEnd - tx * tileSize) * size_t(yEnd - ty * tileSize));
        });
    };
    shading.run(eachTexel, width, height);
    shading.fillBuried(result.values, channels, width, height, dilationTexels, layout.coverage);
    raysTraced += traced;

    if (stage.normalize.enabled) {
        std::vector<int> shapeOfTexel(texelCount, -1);
        for (size_t texel = 0; texel < texelCount; ++texel)
            if (raster.texels[texel].surface >= 0)
                shapeOfTexel[texel] = shapeOfSurface[static_cast<size_t>(raster.texels[texel].surface)];
        result.ranges = normalizeSurfaces(result.values, layout, shapeOfTexel, shapes, stage.normalize.perChannel);
    }
    dilate(result.values, channels, width, height, result.covered, dilationTexels);
    if (layout.coverage >= 0)
        for (size_t texel = 0; texel < texelCount; ++texel)
            if (!result.covered[texel])
                result.values[texel * channels + static_cast<size_t>(layout.coverage)] = 0.0f;
    return result;
}

PointsResult bakeVertices(const RayScene& rays, const SceneDescription& scene, const TextureTarget& target,
                          const PassValues& pass, const ChannelLayout& layout, Progress* progress, uint64_t& raysTraced)
{
    struct Vertex {
        int instance;
        uint32_t surface;
        uint32_t vertex;
    };
    std::vector<Vertex> vertices;
    std::vector<std::vector<uint8_t>> sources;
    for (size_t s = 0; s < target.surfaces.size(); ++s) {
        sources.push_back(sourceMask(scene, target.surfaces[s], target.name));
        const int instance = instanceOf(scene, target.surfaces[s].instance, target.name);
        const size_t count = rays.instances()[static_cast<size_t>(instance)].positions.size();
        for (size_t v = 0; v < count; ++v)
            vertices.push_back({instance, static_cast<uint32_t>(s), static_cast<uint32_t>(v)});
    }
    PointsResult result;
    const size_t channels = layout.size();
    result.points.resize(vertices.size());
    result.values.assign(vertices.size() * channels, 0.0f);
    WorkProgress work(progress, vertices.size(), 0, lastWorkValue);
    std::atomic<uint64_t> traced{0};
    tbb::parallel_for(size_t(0), vertices.size(), pointsPerTask, [&](size_t first) {
        const size_t end = std::min(vertices.size(), first + pointsPerTask);
        uint64_t local = 0;
        for (size_t i = first; i < end; ++i) {
            const Vertex& v = vertices[i];
            const InstanceGeometry& g = rays.instances()[static_cast<size_t>(v.instance)];
            SurfacePoint own;
            own.instance = v.instance;
            own.vertex = static_cast<int>(v.vertex);
            own.position = g.positions[v.vertex];
            own.normal = normalizedOr(g.normals[v.vertex], {0, 1, 0});
            own.geometricNormal = own.normal;
            result.points[i] = {own.position, own.normal};
            const SurfacePoint point = transferred(rays, own, sources[v.surface]);
            float* out = &result.values[i * channels];
            pass.at(point, seedOf(vertexSalt, v.surface, v.vertex), out, local);
            if (layout.coverage >= 0)
                out[layout.coverage] = 1.0f;
        }
        traced += local;
        work.add(end - first);
    });
    raysTraced += traced;
    return result;
}

PointsResult bakePoints(std::vector<CloudPoint> points, const PassValues& pass,
                        const ChannelLayout& layout, Progress* progress, uint64_t& raysTraced)
{
    PointsResult result;
    const size_t channels = layout.size();
    result.points = std::move(points);
    result.values.assign(result.points.size() * channels, 0.0f);
    WorkProgress work(progress, result.points.size(), 0, lastWorkValue);
    std::atomic<uint64_t> traced{0};
    tbb::parallel_for(size_t(0), result.points.size(), pointsPerTask, [&](size_t first) {
        const size_t end = std::min(result.points.size(), first + pointsPerTask);
        uint64_t local = 0;
        for (size_t i = first; i < end; ++i) {
            SurfacePoint point;
            point.position = result.points[i].position;
            point.normal = point.geometricNormal = result.points[i].normal;
            float* out = &result.values[i * channels];
            pass.at(point, seedOf(pointSalt, i), out, local);
            if (layout.coverage >= 0)
                out[layout.coverage] = 1.0f;
        }
        traced += local;
        work.add(end - first);
    });
    raysTraced += traced;
    return result;
}

bool cameraDirection(const SceneCamera& camera, int width, int height, int x, int y, Vec3& direction)
{
    const float sx = 2.0f * (x + 0.5f) / width - 1.0f;   // -1 left .. 1 right
    const float sy = 1.0f - 2.0f * (y + 0.5f) / height;  // 1 top .. -1 bottom
    switch (camera.kind) {
    case CameraKind::Unknown:
        return false;
    case CameraKind::Perspective: {
        const float tanHalf = std::tan(camera.fovX * 0.5f);
        const float pixelAspect = camera.fovX > 0 && camera.fovY > 0 ? camera.fovY / (0.75f * camera.fovX) : 1.0f;
        direction = {sx * tanHalf, sy * tanHalf * (float(height) / float(width)) / pixelAspect, -1.0f};
        return true;
    }
    case CameraKind::LatLong: {
        const float longitude = sx * Pi;
        const float latitude = sy * Pi * 0.5f;
        direction = {std::cos(latitude) * std::sin(longitude), std::sin(latitude),
                     -std::cos(latitude) * std::cos(longitude)};
        return true;
    }
    case CameraKind::Ball: {
        const float r = std::sqrt(sx * sx + sy * sy);
        if (r > 1.0f)
            return false;
        if (r == 0.0f) {
            direction = {0, 0, -1};
            return true;
        }
        const float theta = r * Pi;
        direction = {sx / r * std::sin(theta), sy / r * std::sin(theta), -std::cos(theta)};
        return true;
    }
    case CameraKind::Cubemap: {
        // Six square faces side by side: +X, -X, +Y, -Y, +Z, -Z, each seen with +Y up (the
        // vertical faces with -Z and +Z up).
        constexpr int faces = 6;
        const float faceWidth = float(width) / faces;
        const int face = std::min(faces - 1, static_cast<int>((x + 0.5f) / faceWidth));
        const float a = 2.0f * ((x + 0.5f) - face * faceWidth) / faceWidth - 1.0f;
        const Vec3 forward[faces] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
        const Vec3 up[faces] = {{0, 1, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, 1, 0}};
        const Vec3 right = cross(forward[face], up[face]);
        direction = forward[face] + right * a + up[face] * sy;
        return true;
    }
    }
    return false;
}

TextureResult bakeCamera(const RayScene& rays, const SceneCamera& camera, int width, int height,
                         const PassValues& pass, const ChannelLayout& layout, Progress* progress, uint64_t& raysTraced)
{
    TextureResult result;
    result.width = width;
    result.height = height;
    result.layout = layout;
    const size_t channels = layout.size();
    const size_t pixelCount = size_t(width) * height;
    result.values.assign(pixelCount * channels, 0.0f);
    result.covered.assign(pixelCount, 0);
    const Vec3 origin = camera.transform.translation();
    const Vec3 forward = normalizedOr(camera.transform.direction({0, 0, -1}), {0, 0, -1});
    RayFilter visible;
    visible.requiredStat = renderStat::PrimaryVisibility;
    // As for textures: with smoothing, the indirect light of every pixel first, smoothed over the
    // pixels that see the same instance nearby, then the rest of the values.
    GridShading shading(pass, pixelCount, false);
    WorkProgress work(progress, shading.work(pixelCount), 0, lastWorkValue);
    std::atomic<uint64_t> traced{0};
    auto eachPixel = [&](bool second) {
        tbb::parallel_for(0, height, [&](int y) {
            uint64_t local = 0;
            for (int x = 0; x < width; ++x) {
                Vec3 local_direction;
                if (!cameraDirection(camera, width, height, x, y, local_direction))
                    continue;
                const Vec3 direction = normalizedOr(camera.transform.direction(local_direction), {0, 0, 0});
                if (length(direction) == 0.0f)
                    continue;
                RayHit hit;
                ++local;
                if (!rays.intersect(origin, direction, std::numeric_limits<float>::infinity(), visible, hit))
                    continue;
                const size_t pixel = size_t(y) * width + x;
                const SurfacePoint point = rays.pointOn(hit.instance, hit.primitive, hit.u, hit.v);
                const uint64_t seed = seedOf(pixelSalt, uint64_t(x), uint64_t(y));
                float* out = &result.values[pixel * channels];
                if (!shading.shade(point, hit.instance, pixel, seed, second, out, local))
                    continue;
                if (layout.coverage >= 0)
                    out[layout.coverage] = 1.0f;
                if (layout.depth >= 0)
                    out[layout.depth] =
                        camera.kind == CameraKind::Perspective ? hit.distance * dot(direction, forward) : hit.distance;
                result.covered[pixel] = 1;
            }
            traced += local;
            work.add(size_t(width));
        });
    };
    shading.run(eachPixel, width, height);
    raysTraced += traced;
    return result;
}

}  // namespace torvo_renderer
