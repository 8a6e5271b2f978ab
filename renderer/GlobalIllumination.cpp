#include "GlobalIllumination.h"

#include "MeshData.h"
#include "Sampling.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace torvo_renderer {

namespace {

// Paths never run longer than this, whatever the settings: albedos of 1 would otherwise keep
// Russian roulette from ending them.
constexpr uint32_t longestPath = 256;
// Rec. 709 luminance weights, the luminance saturation turns about.
constexpr Vec3 luminanceWeights{0.2126f, 0.7152f, 0.0722f};
// Keeps the path's random numbers apart from the sample point's other sequences.
constexpr uint64_t pathSalt = 0x6A7Bu;
constexpr uint64_t cacheSalt = 0xCAC4Eu;
constexpr uint64_t emitterSalt = 0xE3177u;
// Rays aimed at an emitter stop this share of the way short of it, so that its own surface does
// not count as in the way.
constexpr float shortOfEmitter = 1e-3f;
// Cache points of the level of sample rate 0 (a rate r level holds 4^r times as many): one per
// few sample points of the stage, within bounds, so a small bake does not pay for a large cache
// and a large one gets its light from a dense enough one.
constexpr double samplesPerCachePoint = 4.0;
constexpr double leastCachePoints = 1024.0;
constexpr double mostCachePoints = 65536.0;
constexpr uint32_t fewestCachePoints = 16;
// Gather rays of each cache point.
constexpr uint32_t cacheRays = 64;
constexpr size_t cachePointsPerTask = 64;
// A point more than this share of whose gather rays meet back faces counts as buried. A point in
// the open sees back faces only where a single-sided surface turns its back on it; one inside a
// closed solid sees nothing else, apart from the few rays that slip through a crack.
constexpr float buriedShare = 0.5f;

// A stream of uniform numbers in [0, 1) from a counter, so every path draws the same numbers
// whichever thread runs it.
class PathRandom {
public:
    explicit PathRandom(uint64_t seed) : state_(seed) {}
    float next()
    {
        state_ += 0x9E3779B97F4A7C15ull;
        return static_cast<float>(mix64(state_) >> 40) * (1.0f / 16777216.0f);
    }

private:
    uint64_t state_;
};

Vec3 channelColor(const MaterialChannel& channel)
{
    return Vec3{channel.color[0], channel.color[1], channel.color[2]} * channel.scale;
}

float largest(Vec3 c) { return std::max(c.x, std::max(c.y, c.z)); }

// The share of light found one way (drawn with density own) when another way (density other) can
// find it too: the power heuristic, which leaves almost all of a small bright emitter to the rays
// aimed at it, where the gather's few lucky hits would otherwise keep their grain.
float powerShare(float own, float other)
{
    const float a = own * own, b = other * other;
    return a + b > 0.0f ? a / (a + b) : 0.0f;
}

}  // namespace

Vec3 correctedGI(Vec3 color, float intensity, float saturation)
{
    const float luminance = dot(color, luminanceWeights);
    const Vec3 grey{luminance, luminance, luminance};
    const Vec3 saturated = grey + (color - grey) * saturation;
    return Vec3{std::max(0.0f, saturated.x), std::max(0.0f, saturated.y), std::max(0.0f, saturated.z)} * intensity;
}

SurfaceMaterials::SurfaceMaterials(const SceneDescription& scene, const RayScene& rays,
                                   const std::map<std::string, TextureImage>& textures)
    : rays_(rays), default_(SceneMaterial::defaultMaterial())
{
    auto bind = [&](const MaterialChannel& channel, const MeshData& mesh) {
        Channel bound;
        bound.vertexColors = channel.useVertexColors && !mesh.colors.empty();
        const auto image = textures.find(channel.texture);
        if (channel.texture.empty() || image == textures.end() || mesh.uvLayers.empty())
            return bound;
        bound.texture = &image->second;
        bound.uvLayer = channel.uvLayer.empty() ? 0 : std::max(0, mesh.uvLayer(channel.uvLayer));
        return bound;
    };
    for (const InstanceGeometry& geometry : rays.instances()) {
        std::vector<Bound> groups;
        const SceneInstance& instance = scene.instances[static_cast<size_t>(geometry.sceneInstance)];
        for (const MeshGroup& group : geometry.mesh->groups) {
            const int index = resolveMaterial(scene, instance, group.name);
            Bound b;
            b.material = index < 0 ? &default_ : &scene.materials[static_cast<size_t>(index)];
            b.diffuse = bind(b.material->channels[Diffuse], *geometry.mesh);
            b.emissive = bind(b.material->channels[Emissive], *geometry.mesh);
            b.transparency = bind(b.material->channels[Transparency], *geometry.mesh);
            groups.push_back(b);
        }
        // Hits look their group up per primitive: a mesh of one group needs no table.
        std::vector<uint32_t> groupOf;
        if (groups.size() > 1) {
            groupOf.resize(geometry.triangles.size());
            for (size_t p = 0; p < groupOf.size(); ++p)
                groupOf[p] = static_cast<uint32_t>(
                    std::min(geometry.mesh->groupOf(geometry.triangles[p]), groups.size() - 1));
        }
        groups_.push_back(std::move(groups));
        groupOfPrimitive_.push_back(std::move(groupOf));
    }
}

SurfaceLook SurfaceMaterials::at(int instance, int primitive, float b1, float b2, int vertex) const
{
    SurfaceLook look;
    if (instance < 0 || static_cast<size_t>(instance) >= groups_.size()) {
        look.material = &default_;
        look.albedo = channelColor(default_.channels[Diffuse]);
        return look;
    }
    const InstanceGeometry& geometry = rays_.instances()[static_cast<size_t>(instance)];
    // A vertex lies on no one primitive: it takes its mesh's first triangle's material, untextured,
    // with its own vertex colour.
    const bool onPrimitive = primitive >= 0 && static_cast<size_t>(primitive) < geometry.triangles.size();
    const MeshData& mesh = *geometry.mesh;
    const std::vector<Bound>& groups = groups_[static_cast<size_t>(instance)];
    if (groups.empty()) {
        look.material = &default_;
        look.albedo = channelColor(default_.channels[Diffuse]);
        return look;
    }
    const std::vector<uint32_t>& groupOf = groupOfPrimitive_[static_cast<size_t>(instance)];
    const size_t group = groupOf.empty() || !onPrimitive ? 0 : groupOf[static_cast<size_t>(primitive)];
    const Bound& bound = groups[group];
    look.material = bound.material;
    const uint32_t* corner = onPrimitive ? &geometry.corners[static_cast<size_t>(primitive) * 3] : nullptr;
    const float b0 = 1.0f - b1 - b2;
    auto uvAt = [&](const Channel& channel, float& u, float& v) {
        const auto& layer = mesh.uvLayers[static_cast<size_t>(channel.uvLayer)];
        u = layer[corner[0]].u * b0 + layer[corner[1]].u * b1 + layer[corner[2]].u * b2;
        v = layer[corner[0]].v * b0 + layer[corner[1]].v * b1 + layer[corner[2]].v * b2;
    };
    // The vertex colour (r, g, b, a) under the point: interpolated on a primitive, a vertex's own.
    auto vertexColor = [&](const Channel& channel, float* rgba) {
        rgba[0] = rgba[1] = rgba[2] = rgba[3] = 1.0f;
        if (!channel.vertexColors)
            return;
        for (size_t c = 0; c < 4; ++c) {
            if (corner)
                rgba[c] = mesh.colors[corner[0]][c] * b0 + mesh.colors[corner[1]][c] * b1 +
                          mesh.colors[corner[2]][c] * b2;
            else if (vertex >= 0 && static_cast<size_t>(vertex) < mesh.colors.size())
                rgba[c] = mesh.colors[static_cast<size_t>(vertex)][c];
        }
    };
    auto shaded = [&](const Channel& channel, Vec3 color) {
        float rgba[4];
        vertexColor(channel, rgba);
        color = color * Vec3{rgba[0], rgba[1], rgba[2]};
        if (!channel.texture || !corner)
            return color;
        float u, v;
        uvAt(channel, u, v);
        return color * channel.texture->sample(u, v);
    };
    look.albedo = shaded(bound.diffuse, channelColor(bound.material->channels[Diffuse]));
    look.emission = shaded(bound.emissive, channelColor(bound.material->channels[Emissive]));
    look.transparency = shaded(bound.transparency, channelColor(bound.material->channels[Transparency]));
    if (bound.material->alphaAsTransparency) {
        // The diffuse texture's alpha (times the vertex alpha) is how much of the surface is there.
        float rgba[4];
        vertexColor(bound.diffuse, rgba);
        float coverage = rgba[3];
        if (bound.diffuse.texture && corner) {
            float u, v;
            uvAt(bound.diffuse, u, v);
            coverage *= bound.diffuse.texture->alpha(u, v);
        }
        const float clear = 1.0f - std::clamp(coverage, 0.0f, 1.0f);
        look.transparency = {std::max(look.transparency.x, clear), std::max(look.transparency.y, clear),
                             std::max(look.transparency.z, clear)};
    }
    look.transparency = {std::clamp(look.transparency.x, 0.0f, 1.0f), std::clamp(look.transparency.y, 0.0f, 1.0f),
                         std::clamp(look.transparency.z, 0.0f, 1.0f)};
    return look;
}

GlobalIllumination::GlobalIllumination(const GISettings& settings, const RayScene& rays,
                                       const SurfaceMaterials& materials, const DirectLighting& indirectLight,
                                       size_t samplePoints)
    : settings_(settings), rays_(rays), materials_(materials), light_(indirectLight), emitters_(rays, materials),
      finestCachePoints_(samplePoints == 0
                             ? mostCachePoints
                             : std::clamp(double(samplePoints) / samplesPerCachePoint, leastCachePoints, mostCachePoints))
{
}

bool GlobalIllumination::receives(const SurfacePoint& point) const
{
    return enabled() && (point.instance < 0 || static_cast<size_t>(point.instance) >= rays_.instances().size() ||
                         rays_.instances()[static_cast<size_t>(point.instance)].stat(renderStat::ReceiveGI));
}

bool GlobalIllumination::buried(float backShare) { return backShare > buriedShare; }

Vec3 GlobalIllumination::at(const SurfacePoint& point, uint64_t seed, uint64_t& rays, float* backShare) const
{
    if (backShare)
        *backShare = 0.0f;
    if (!receives(point))
        return {};
    const uint32_t samples =
        settings_.primary == GIIntegrator::FinalGather ? settings_.finalGatherRays : settings_.pathSamples;
    const Sequence2D first(seedOf(pathSalt, seed));
    const ConeSampler hemisphere(point.normal, 0.0f, true);
    Vec3 sum;
    uint32_t gathered = 0, back = 0;
    const bool aimed = samplesEmitters();
    const Sequence2D aim(seedOf(emitterSalt, seed));
    for (uint32_t s = 0; s < samples; ++s) {
        Vec3 toEmitter, weighted;
        if (aimed && emitterSample(point, true, aim, s, rays, toEmitter, weighted))
            sum += weighted * (dot(toEmitter, point.normal) / Pi);
        float u1, u2;
        first.at(s, u1, u2);
        const Vec3 direction = hemisphere(u1, u2);
        // Directions below the surface itself see the surface's own back.
        if (dot(direction, point.geometricNormal) <= 0.0f)
            continue;
        bool backHit = false;
        const float density = aimed ? std::max(0.0f, dot(direction, point.normal)) / Pi : 0.0f;
        sum += path(point, direction, seedOf(pathSalt, seed, s + 1), rays, 1, cacheReady(), &backHit, density);
        ++gathered;
        back += backHit ? 1 : 0;
    }
    if (backShare && gathered > 0)
        *backShare = float(back) / float(gathered);
    return sum * (1.0f / static_cast<float>(samples));
}

void GlobalIllumination::project(const SurfacePoint& point, const Vec3* directions, size_t count, bool signedCosine,
                                 uint32_t samples, uint64_t seed, uint64_t& rays, Vec3* out, float* backShare) const
{
    for (size_t k = 0; k < count; ++k)
        out[k] = {};
    if (backShare)
        *backShare = 0.0f;
    if (!receives(point))
        return;
    if (samples == 0) {
        // The cache's harmonics hold the indirect light around the point: no gather rays needed.
        if (settings_.radianceCache && cacheReady() &&
            cache_.project(point.position, point.normal, directions, count, signedCosine, out))
            return;
        samples = settings_.primary == GIIntegrator::FinalGather ? settings_.finalGatherRays : settings_.pathSamples;
    }
    const Sequence2D first(seedOf(pathSalt, seed));
    // Uniform over the hemisphere: a direction's weight towards each basis direction is then its
    // bounded cosine, where cosine-weighted sampling would divide by a cosine that can be near 0.
    const ConeSampler hemisphere(point.normal, 0.0f, false);
    uint32_t gathered = 0, back = 0;
    const bool aimed = samplesEmitters();
    const Sequence2D aim(seedOf(emitterSalt, seed));
    for (uint32_t s = 0; s < samples; ++s) {
        Vec3 toEmitter, weighted;
        if (aimed && emitterSample(point, false, aim, s, rays, toEmitter, weighted))
            for (size_t k = 0; k < count; ++k) {
                const float cosine = dot(toEmitter, directions[k]);
                out[k] += weighted * ((signedCosine ? cosine : std::max(0.0f, cosine)) / Pi);
            }
        float u1, u2;
        first.at(s, u1, u2);
        const Vec3 direction = hemisphere(u1, u2);
        if (dot(direction, point.geometricNormal) <= 0.0f)
            continue;
        bool backHit = false;
        const Vec3 radiance = path(point, direction, seedOf(pathSalt, seed, s + 1), rays, 1, cacheReady(), &backHit,
                                   aimed ? 1.0f / (2.0f * Pi) : 0.0f);
        ++gathered;
        back += backHit ? 1 : 0;
        // Each direction stands for 2 pi of solid angle; illumination is 1 / pi of the cosine integral.
        for (size_t k = 0; k < count; ++k) {
            const float cosine = dot(direction, directions[k]);
            out[k] += radiance * (2.0f * (signedCosine ? cosine : std::max(0.0f, cosine)));
        }
    }
    for (size_t k = 0; k < count; ++k)
        out[k] = out[k] * (1.0f / static_cast<float>(samples));
    if (backShare && gathered > 0)
        *backShare = float(back) / float(gathered);
}

uint32_t GlobalIllumination::cacheLevels() const
{
    const bool readsCache = settings_.primary == GIIntegrator::FinalGather && settings_.finalGatherDepth <= 1 &&
                            settings_.secondary == GIIntegrator::PathTracer && settings_.maxBounces == 0;
    const int64_t levels = int64_t(std::min(settings_.prepassMaxRate, 0)) - settings_.prepassMinRate + 1;
    return readsCache && levels > 0 ? static_cast<uint32_t>(levels) : 0;
}

void GlobalIllumination::buildCacheLevel(uint32_t level, Progress* progress)
{
    if (level != cacheLevelsBuilt_ || level >= cacheLevels())
        return;
    ++cacheLevelsBuilt_;
    if (areas_.empty()) {
        for (size_t i = 0; i < rays_.instances().size(); ++i) {
            const InstanceGeometry& g = rays_.instances()[i];
            if (!g.stat(renderStat::CastGI))
                continue;
            for (uint32_t p = 0; p < g.triangles.size(); ++p) {
                areas_.push_back({static_cast<int>(i), p, totalArea_});
                totalArea_ += double(g.area(p));
            }
        }
    }
    if (areas_.empty() || !(totalArea_ > 0.0))
        return;
    const int32_t rate = settings_.prepassMinRate + static_cast<int32_t>(level);
    const size_t count = std::max<size_t>(fewestCachePoints, static_cast<size_t>(finestCachePoints_ * std::pow(4.0, rate)));
    std::vector<CachePoint> points(count);
    std::vector<uint8_t> buried(count, 0);
    WorkProgress work(progress, count, 0, 99);
    std::atomic<uint64_t> traced{0};
    tbb::parallel_for(size_t(0), count, cachePointsPerTask, [&](size_t first) {
        const size_t end = std::min(count, first + cachePointsPerTask);
        uint64_t local = 0;
        for (size_t i = first; i < end; ++i) {
            // Stratified by area: point i lies in the i-th equal share of the total area.
            const uint64_t seed = seedOf(cacheSalt, level, i);
            PathRandom random(seed);
            const double at = (double(i) + random.next()) / double(count) * totalArea_;
            const auto entry = std::upper_bound(areas_.begin(), areas_.end(), at,
                                                [](double a, const AreaEntry& e) { return a < e.areaBefore; }) - 1;
            float b1 = random.next(), b2 = random.next();
            if (b1 + b2 > 1.0f) {
                b1 = 1.0f - b1;
                b2 = 1.0f - b2;
            }
            const SurfacePoint point = rays_.pointOn(entry->instance, entry->primitive, b1, b2);
            CachePoint& c = points[i];
            c.position = point.position;
            c.normal = point.normal;
            c.illumination = light_.at(point, seed, local);
            if (!receives(point))
                continue;
            const Sequence2D directions(seedOf(pathSalt, seed));
            const ConeSampler hemisphere(point.normal, 0.0f, false);
            Vec3 illumination;
            uint32_t gathered = 0, back = 0;
            for (uint32_t s = 0; s < cacheRays; ++s) {
                float u1, u2;
                directions.at(s, u1, u2);
                const Vec3 direction = hemisphere(u1, u2);
                const float cosine = dot(direction, point.normal);
                if (dot(direction, point.geometricNormal) <= 0.0f || cosine <= 0.0f)
                    continue;
                // Later bounces: every surface met takes the secondary corrections.
                bool backHit = false;
                const Vec3 radiance =
                    path(point, direction, seedOf(pathSalt, seed, s + 1), local, 2, cacheReady(), &backHit);
                ++gathered;
                back += backHit ? 1 : 0;
                illumination += radiance * (2.0f * cosine);
                Vec3 h[4];
                RadianceCache::harmonicsOf(direction, radiance, h);
                for (int k = 0; k < 4; ++k)
                    c.harmonics[k] += h[k];
            }
            const float share = 1.0f / float(cacheRays);
            c.illumination += illumination * share;
            for (int k = 0; k < 4; ++k)
                c.harmonics[k] = c.harmonics[k] * share;
            // A buried point would hand the light leaking into a solid to the visible surfaces near it.
            buried[i] = gathered > 0 && GlobalIllumination::buried(float(back) / float(gathered));
        }
        traced += local;
        work.add(end - first);
    });
    // The spacing counts the buried points too: they took their share of the area.
    const float spacing = static_cast<float>(std::sqrt(totalArea_ / double(cache_.size() + cacheBuried_ + count)));
    std::vector<CachePoint> kept;
    kept.reserve(count);
    for (size_t i = 0; i < count; ++i)
        if (!buried[i])
            kept.push_back(points[i]);
    cacheBuried_ += count - kept.size();
    cacheRaysTraced_ += traced;
    cache_.add(kept, spacing);
    vertexLight_.build(rays_, cache_);
}

bool GlobalIllumination::emitterSample(const SurfacePoint& point, bool cosineGather, const Sequence2D& aim,
                                       uint32_t index, uint64_t& rays, Vec3& direction, Vec3& weighted) const
{
    float u1, u2;
    aim.at(index, u1, u2);
    const EmissiveSurfaces::Sample chosen = emitters_.sample(u1, u2);
    if (chosen.instance < 0 || !(chosen.density > 0.0f))
        return false;
    const SurfacePoint emitter = rays_.pointOn(chosen.instance, chosen.primitive, chosen.b1, chosen.b2);
    const Vec3 origin = rays_.rayOrigin(point);
    const Vec3 offset = emitter.position - origin;
    const float distance2 = dot(offset, offset);
    if (!(distance2 > 0.0f))
        return false;
    const float distance = std::sqrt(distance2);
    direction = offset * (1.0f / distance);
    const float cosine = dot(direction, point.normal);
    const float emitterCosine = std::fabs(dot(direction, emitter.geometricNormal));
    if (cosine <= 0.0f || dot(direction, point.geometricNormal) <= 0.0f || !(emitterCosine > 0.0f))
        return false;
    const SurfaceLook look = materials_.at(emitter);
    const SceneMaterial& material = *look.material;
    // A transparent emitter gives off light in proportion to how much of it is there, as a path
    // meeting it does on average.
    const Vec3 emitted = correctedGI(look.emission * material.emissiveGIScale, material.primaryGIIntensity,
                                     material.primaryGISaturation) *
                         (Vec3{1, 1, 1} - look.transparency);
    if (largest(emitted) <= 0.0f)
        return false;
    RayFilter filter;
    filter.requiredStat = renderStat::CastGI;
    filter.receiver = point.instance;
    ++rays;
    if (rays_.occluded(origin, direction, distance * (1.0f - shortOfEmitter), filter))
        return false;
    const float aimedDensity = chosen.density * distance2 / emitterCosine;
    const float gatherDensity = cosineGather ? cosine / Pi : 1.0f / (2.0f * Pi);
    weighted = emitted * (powerShare(aimedDensity, gatherDensity) / aimedDensity);
    return true;
}

// The radiance arriving at start from direction (cosine-weighted, so its mean is the
// illumination). Each surface the path meets adds its emission and, by next-event estimation,
// the lights' direct light it reflects; the path then goes on in a cosine-weighted direction,
// carried by the surface's albedo.
Vec3 GlobalIllumination::path(const SurfacePoint& start, Vec3 direction, uint64_t seed, uint64_t& rays,
                              uint32_t firstBounce, bool cached, bool* firstHitBack, float gatherDensity) const
{
    PathRandom random(seed);
    // Bounces followed without the secondary integrator: the first one, and the final gather's depth.
    const uint32_t primaryBounces =
        settings_.primary == GIIntegrator::FinalGather ? std::max(1u, settings_.finalGatherDepth) : 1u;
    uint32_t limit = settings_.secondary == GIIntegrator::None ? primaryBounces : longestPath;
    if (settings_.maxBounces > 0)
        limit = std::min(limit, settings_.maxBounces);
    limit = std::min(limit, longestPath);

    RayFilter filter;
    // Instances that do not cast GI are not there for the bounces.
    filter.requiredStat = renderStat::CastGI;
    Vec3 throughput{1, 1, 1};
    Vec3 sum;
    SurfacePoint from = start;
    Vec3 origin = rays_.rayOrigin(from);
    uint32_t passes = 0;  // transparent surfaces passed through, which count as no bounce
    for (uint32_t bounce = firstBounce;;) {
        RayHit hit;
        ++rays;
        filter.receiver = from.instance;
        if (!rays_.intersect(origin, direction, std::numeric_limits<float>::infinity(), filter, hit))
            break;
        // A front hit where the cache's light was read ahead at the corners needs no surface
        // point unless the path goes on from it.
        Vec3 cornerLight;
        const bool fromCorners = cached && bounce == firstBounce && vertexLight_.frontAt(hit, direction, cornerLight);
        SurfacePoint at;
        auto locate = [&] {
            at = rays_.pointAt(hit, origin, direction);
            if (dot(at.geometricNormal, direction) > 0.0f) {  // the back of the surface
                at.normal = -at.normal;
                at.geometricNormal = -at.geometricNormal;
                if (firstHitBack && bounce == firstBounce && passes == 0)
                    *firstHitBack = true;
            }
        };
        if (!fromCorners)
            locate();
        const SurfaceLook look = materials_.at(hit.instance, static_cast<int>(hit.primitive), hit.u, hit.v);
        const float clear = std::clamp((look.transparency.x + look.transparency.y + look.transparency.z) / 3.0f, 0.0f, 1.0f);
        if (clear > 0.0f) {
            // Light passes a transparent surface in proportion to its transparency: the path goes
            // through it with that chance, or stops at it with the rest, weighted to stay unbiased.
            const Vec3 opaque = Vec3{1, 1, 1} - look.transparency;
            if (random.next() < clear) {
                throughput = throughput * look.transparency * (1.0f / clear);
                if (largest(throughput) <= 0.0f || ++passes >= longestPath)
                    break;
                if (fromCorners)
                    locate();
                from = at;
                origin = at.position + direction * rays_.offset();
                continue;
            }
            throughput = throughput * opaque * (1.0f / (1.0f - clear));
        }
        const SceneMaterial& material = *look.material;
        const bool primary = bounce == 1;
        const float intensity = primary ? material.primaryGIIntensity : material.secondaryGIIntensity;
        const float saturation = primary ? material.primaryGISaturation : material.secondaryGISaturation;
        if (emission_) {
            // Where the emitters are sampled as well, the gather direction keeps its share of the
            // emission it finds (a path that passed a transparent surface is one that a ray aimed
            // at the emitter, stopped by that surface, cannot find).
            float share = 1.0f;
            if (gatherDensity > 0.0f && bounce == firstBounce && passes == 0) {
                const float cosine = std::fabs(dot(normalizedOr(hit.geometricNormal, {}), direction));
                const float aimedDensity = emitters_.density(hit.instance, hit.primitive) * hit.distance * hit.distance /
                                           std::max(cosine, std::numeric_limits<float>::min());
                share = powerShare(gatherDensity, aimedDensity);
            }
            sum += throughput * correctedGI(look.emission * material.emissiveGIScale, intensity, saturation) * share;
        }
        if (bounce >= limit)
            break;
        const Vec3 albedo = correctedGI(look.albedo * material.diffuseGIBoost, intensity, saturation);
        if (largest(albedo) <= 0.0f)
            break;
        throughput = throughput * albedo;
        Vec3 received;
        if (fromCorners) {
            sum += throughput * cornerLight;
            break;
        }
        if (cached && bounce == firstBounce && cache_.illumination(at.position, at.normal, received)) {
            sum += throughput * received;
            break;
        }
        sum += throughput * light_.at(at, seedOf(pathSalt, seed, bounce), rays);
        // A surface that receives no GI reflects its direct light only.
        if (!rays_.instances()[static_cast<size_t>(hit.instance)].stat(renderStat::ReceiveGI))
            break;
        if (bounce >= settings_.rouletteStart) {
            // Ends paths in proportion to how little they can still carry, without bias.
            const float keep = std::min(1.0f, largest(albedo));
            if (random.next() >= keep)
                break;
            throughput = throughput * (1.0f / keep);
        }
        const float u1 = random.next(), u2 = random.next();
        direction = sampleCone(at.normal, 0.0f, true, u1, u2);
        if (dot(direction, at.geometricNormal) <= 0.0f)
            break;
        from = at;
        origin = rays_.rayOrigin(from);
        ++bounce;
    }
    return sum;
}

}  // namespace torvo_renderer
