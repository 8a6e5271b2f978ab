#include "GlobalIllumination.h"

#include "MeshData.h"
#include "Sampling.h"

#include <algorithm>
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
            groups.push_back(b);
        }
        groups_.push_back(std::move(groups));
    }
}

SurfaceLook SurfaceMaterials::at(int instance, int primitive, float b1, float b2) const
{
    SurfaceLook look;
    if (instance < 0 || static_cast<size_t>(instance) >= groups_.size()) {
        look.material = &default_;
        look.albedo = channelColor(default_.channels[Diffuse]);
        return look;
    }
    const InstanceGeometry& geometry = rays_.instances()[static_cast<size_t>(instance)];
    // A vertex lies on no one primitive: it takes its mesh's first triangle's material, untextured.
    const bool onPrimitive = primitive >= 0 && static_cast<size_t>(primitive) < geometry.triangles.size();
    const size_t triangle = onPrimitive ? geometry.triangles[static_cast<size_t>(primitive)] : 0;
    const MeshData& mesh = *geometry.mesh;
    const std::vector<Bound>& groups = groups_[static_cast<size_t>(instance)];
    if (groups.empty()) {
        look.material = &default_;
        look.albedo = channelColor(default_.channels[Diffuse]);
        return look;
    }
    const Bound& bound = groups[std::min(mesh.groupOf(triangle), groups.size() - 1)];
    look.material = bound.material;
    auto textured = [&](const Channel& channel, Vec3 color) {
        if (!channel.texture || !onPrimitive)
            return color;
        const auto& layer = mesh.uvLayers[static_cast<size_t>(channel.uvLayer)];
        const uint32_t* corner = &mesh.indices[triangle * 3];
        const float b0 = 1.0f - b1 - b2;
        const float u = layer[corner[0]].u * b0 + layer[corner[1]].u * b1 + layer[corner[2]].u * b2;
        const float v = layer[corner[0]].v * b0 + layer[corner[1]].v * b1 + layer[corner[2]].v * b2;
        return color * channel.texture->sample(u, v);
    };
    look.albedo = textured(bound.diffuse, channelColor(bound.material->channels[Diffuse]));
    look.emission = textured(bound.emissive, channelColor(bound.material->channels[Emissive]));
    return look;
}

GlobalIllumination::GlobalIllumination(const GISettings& settings, const RayScene& rays,
                                       const SurfaceMaterials& materials, const DirectLighting& indirectLight)
    : settings_(settings), rays_(rays), materials_(materials), light_(indirectLight)
{
}

Vec3 GlobalIllumination::at(const SurfacePoint& point, uint64_t seed, uint64_t& rays) const
{
    if (!enabled())
        return {};
    const uint32_t samples =
        settings_.primary == GIIntegrator::FinalGather ? settings_.finalGatherRays : settings_.pathSamples;
    const Sequence2D first(seedOf(pathSalt, seed));
    const ConeSampler hemisphere(point.normal, 0.0f, true);
    Vec3 sum;
    for (uint32_t s = 0; s < samples; ++s) {
        float u1, u2;
        first.at(s, u1, u2);
        const Vec3 direction = hemisphere(u1, u2);
        // Directions below the surface itself see the surface's own back.
        if (dot(direction, point.geometricNormal) <= 0.0f)
            continue;
        sum += path(point, direction, seedOf(pathSalt, seed, s + 1), rays);
    }
    return sum * (1.0f / static_cast<float>(samples));
}

void GlobalIllumination::project(const SurfacePoint& point, const Vec3* directions, size_t count, bool signedCosine,
                                 uint32_t samples, uint64_t seed, uint64_t& rays, Vec3* out) const
{
    for (size_t k = 0; k < count; ++k)
        out[k] = {};
    if (!enabled())
        return;
    if (samples == 0)
        samples = settings_.primary == GIIntegrator::FinalGather ? settings_.finalGatherRays : settings_.pathSamples;
    const Sequence2D first(seedOf(pathSalt, seed));
    const ConeSampler hemisphere(point.normal, 0.0f, true);
    constexpr float grazing = 1e-4f;  // directions this close to the horizon carry no weight
    for (uint32_t s = 0; s < samples; ++s) {
        float u1, u2;
        first.at(s, u1, u2);
        const Vec3 direction = hemisphere(u1, u2);
        const float cosNormal = dot(direction, point.normal);
        if (dot(direction, point.geometricNormal) <= 0.0f || cosNormal < grazing)
            continue;
        const Vec3 radiance = path(point, direction, seedOf(pathSalt, seed, s + 1), rays);
        // Sampled in proportion to the cosine to the normal, weighted to the cosine to each direction.
        for (size_t k = 0; k < count; ++k) {
            const float cosine = dot(direction, directions[k]);
            out[k] += radiance * ((signedCosine ? cosine : std::max(0.0f, cosine)) / cosNormal);
        }
    }
    for (size_t k = 0; k < count; ++k)
        out[k] = out[k] * (1.0f / static_cast<float>(samples));
}

// The radiance arriving at start from direction (cosine-weighted, so its mean is the
// illumination). Each surface the path meets adds its emission and, by next-event estimation,
// the lights' direct light it reflects; the path then goes on in a cosine-weighted direction,
// carried by the surface's albedo.
Vec3 GlobalIllumination::path(const SurfacePoint& start, Vec3 direction, uint64_t seed, uint64_t& rays) const
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
    Vec3 throughput{1, 1, 1};
    Vec3 sum;
    SurfacePoint from = start;
    for (uint32_t bounce = 1;; ++bounce) {
        RayHit hit;
        ++rays;
        filter.receiver = from.instance;
        if (!rays_.intersect(rays_.rayOrigin(from), direction, std::numeric_limits<float>::infinity(), filter, hit))
            break;
        SurfacePoint at = rays_.pointOn(hit.instance, hit.primitive, hit.u, hit.v);
        if (dot(at.geometricNormal, direction) > 0.0f) {  // the back of the surface
            at.normal = -at.normal;
            at.geometricNormal = -at.geometricNormal;
        }
        const SurfaceLook look = materials_.at(hit.instance, static_cast<int>(hit.primitive), hit.u, hit.v);
        const SceneMaterial& material = *look.material;
        const bool primary = bounce == 1;
        const float intensity = primary ? material.primaryGIIntensity : material.secondaryGIIntensity;
        const float saturation = primary ? material.primaryGISaturation : material.secondaryGISaturation;
        sum += throughput * correctedGI(look.emission * material.emissiveGIScale, intensity, saturation);
        if (bounce >= limit)
            break;
        const Vec3 albedo = correctedGI(look.albedo * material.diffuseGIBoost, intensity, saturation);
        if (largest(albedo) <= 0.0f)
            break;
        throughput = throughput * albedo;
        sum += throughput * light_.at(at, seedOf(pathSalt, seed, bounce), rays);
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
    }
    return sum;
}

}  // namespace torvo_renderer
