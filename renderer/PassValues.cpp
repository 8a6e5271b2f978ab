#include "PassValues.h"

#include "LightPassBake.h"
#include "MeshData.h"

#include <algorithm>
#include <cmath>

namespace torvo_renderer {

namespace {

// Shadow rays per light where light bounces: a surface's bounced light is the mean over many
// gather rays and cache points, which smooths the penumbrae a few rays each draw, while every
// extra ray is paid at every bounce of every path.
constexpr int bounceShadowSamples = 4;

constexpr size_t rnmComponents = 12;
constexpr size_t rnmWithNormal = 16;
constexpr size_t fullAndIndirectChannels = 6;

constexpr size_t rnmDirections = 3;
constexpr size_t rnmChannelsPerDirection = 4;

}  // namespace

void rnmBasis(RnmBasis basis, Vec3 directions[3])
{
    const float third = 1.0f / std::sqrt(3.0f);       // every direction 54.7 degrees off the normal
    const float wide = std::sqrt(2.0f / 3.0f);        // the in-plane length of a direction
    const float halfWide = 1.0f / std::sqrt(6.0f);
    const float side = 1.0f / std::sqrt(2.0f);
    switch (basis) {
    case RnmBasis::HL2:
        directions[0] = {wide, 0, third};
        directions[1] = {-halfWide, side, third};
        directions[2] = {-halfWide, -side, third};
        return;
    case RnmBasis::UnrealEngine:
        directions[0] = {0, wide, third};
        directions[1] = {-side, -halfWide, third};
        directions[2] = {side, -halfWide, third};
        return;
    case RnmBasis::UnrealEngineFlipped:
        directions[0] = {0, -wide, third};
        directions[1] = {-side, halfWide, third};
        directions[2] = {side, halfWide, third};
        return;
    }
}

void tangentFrame(const RayScene& rays, const SurfacePoint& point, Vec3& tangent, Vec3& bitangent)
{
    orthonormalBasis(point.normal, tangent, bitangent);
    if (point.instance < 0 || point.primitive < 0)
        return;
    const InstanceGeometry& g = rays.instances()[static_cast<size_t>(point.instance)];
    if (g.mesh->uvLayers.empty())
        return;
    const auto& layer = g.mesh->uvLayers[0];
    const uint32_t* c = &g.mesh->indices[size_t(g.triangles[static_cast<size_t>(point.primitive)]) * 3];
    const Vec3 e1 = g.positions[c[1]] - g.positions[c[0]], e2 = g.positions[c[2]] - g.positions[c[0]];
    const float du1 = layer[c[1]].u - layer[c[0]].u, dv1 = layer[c[1]].v - layer[c[0]].v;
    const float du2 = layer[c[2]].u - layer[c[0]].u, dv2 = layer[c[2]].v - layer[c[0]].v;
    const float det = du1 * dv2 - du2 * dv1;
    if (!(std::fabs(det) > 0.0f) || !std::isfinite(det))
        return;
    const Vec3 alongU = (e1 * dv2 - e2 * dv1) * (1.0f / det);
    const Vec3 alongV = (e2 * du1 - e1 * du2) * (1.0f / det);
    const Vec3 n = point.normal;
    const Vec3 t = normalizedOr(alongU - n * dot(n, alongU), {0, 0, 0});
    if (length(t) == 0.0f)
        return;
    // The bitangent keeps the layout's handedness, so mirrored UVs flip it.
    const Vec3 b = cross(n, t);
    tangent = t;
    bitangent = dot(b, alongV) < 0.0f ? -b : b;
}

ChannelLayout channelLayout(PassKind pass, const StageSettings& stage, ResultKind kind)
{
    ChannelLayout layout;
    const std::string layer = resultLayerName(pass, stage);
    size_t numbered = 0;
    bool withZ = false;
    switch (pass) {
    case PassKind::FullAndIndirect:
        numbered = fullAndIndirectChannels;
        withZ = true;
        break;
    case PassKind::Rnm:
        numbered = stage.rnmNormalComponent ? rnmWithNormal : rnmComponents;
        withZ = true;
        break;
    case PassKind::Lua:
        numbered = luaChannelCount;
        break;
    default:
        break;
    }
    if (numbered == 0) {
        for (const char* letter : {"R", "G", "B", "A"})
            layout.names.push_back(layer + "." + letter);
        layout.valueCount = 3;
        layout.coverage = 3;
        if (kind == ResultKind::Camera) {
            layout.names.push_back("Z");
            layout.depth = 4;
        }
        return layout;
    }
    for (size_t i = 0; i < numbered; ++i)
        layout.names.push_back(layer + std::to_string(i));
    layout.valueCount = numbered;
    if (withZ) {
        layout.names.push_back("Z");
        (kind == ResultKind::Camera ? layout.depth : layout.coverage) = static_cast<int>(numbered);
    }
    return layout;
}

PassValues::PassValues(PassKind pass, const StageSettings& stage, const SceneDescription& scene,
                       const RayScene& rays, const DirectLighting& light,
                       const std::map<std::string, TextureImage>& textures, const std::filesystem::path& luaScript)
    : computes_(Computes::Nothing),
      count_(channelLayout(pass, stage, ResultKind::Texture).valueCount),
      withIndirect_(stage.giEnabled),
      light_(light),
      rays_(rays),
      rnm_(stage.rnm),
      occlusion_(rays, stage.ambientOcclusion),
      materials_(scene, rays, textures)
{
    switch (pass) {
    case PassKind::Normals: computes_ = Computes::Normals; break;
    case PassKind::AmbientOcclusion: computes_ = Computes::Occlusion; break;
    case PassKind::Illumination: computes_ = Computes::Illumination; break;
    // These passes ask for the indirect light by their nature, so they compute it whatever enableGI says.
    case PassKind::IndirectIllumination: computes_ = Computes::Indirect; break;
    case PassKind::FullAndIndirect: computes_ = Computes::FullAndIndirect; break;
    case PassKind::FullShading: computes_ = Computes::FullShading; break;
    case PassKind::Rnm: computes_ = Computes::Rnm; break;
    case PassKind::Lua:
        computes_ = Computes::Lua;
        lua_ = std::make_unique<LuaPass>(luaScript, rays);
        break;
    default: break;
    }
    rnm_.normalComponent = stage.rnmNormalComponent;
    smoothing_ = static_cast<int>(stage.gi.smoothingRadius);
    const bool needsIndirect = computes_ == Computes::Indirect || computes_ == Computes::FullAndIndirect ||
                               (computes_ == Computes::Rnm && rnm_.components != RnmComponents::Direct) ||
                               ((computes_ == Computes::Illumination || computes_ == Computes::FullShading) &&
                                withIndirect_);
    if (needsIndirect) {
        SceneDescription bounced = scene;
        for (SceneLight& l : bounced.lights) {
            l.directScale = l.indirectScale;
            l.shadowSamples = std::min(l.shadowSamples, bounceShadowSamples);
        }
        indirectLight_ = std::make_unique<DirectLighting>(bounced, rays, textures);
        size_t samplePoints = size_t(std::max(0, stage.cameraWidth)) * size_t(std::max(0, stage.cameraHeight));
        for (const TextureTarget& target : stage.textures)
            samplePoints += size_t(std::max(0, target.width)) * size_t(std::max(0, target.height));
        gi_ = std::make_unique<GlobalIllumination>(stage.gi, rays, materials_, *indirectLight_, samplePoints);
    }
    if (computes_ == Computes::FullAndIndirect) {
        SceneDescription baked = scene;
        baked.lights.clear();
        for (const SceneLight& l : scene.lights)
            if (std::find(stage.fullyBakedLights.begin(), stage.fullyBakedLights.end(), l.name) !=
                stage.fullyBakedLights.end())
                baked.lights.push_back(l);
        fullyBaked_ = std::make_unique<DirectLighting>(baked, rays, textures);
    }
}

void PassValues::prepass(uint32_t level, Progress* progress)
{
    if (gi_)
        gi_->buildCacheLevel(level, progress);
}

void PassValues::prepassAll()
{
    if (gi_)
        for (uint32_t level = 0; level < gi_->cacheLevels(); ++level)
            gi_->buildCacheLevel(level, nullptr);
}

uint64_t PassValues::prepassRays() const
{
    return gi_ ? gi_->cacheRaysTraced() : 0;
}

void PassValues::setLightPass(const LightPassBake* bake)
{
    lightPass_ = bake;
    if (bake)
        computes_ = Computes::LightPass;
}

void PassValues::at(const SurfacePoint& point, uint64_t seed, float* values, uint64_t& rays) const
{
    auto write = [&](size_t first, Vec3 c) {
        values[first] = c.x;
        values[first + 1] = c.y;
        values[first + 2] = c.z;
    };
    auto indirect = [&]() { return gi_ ? gi_->at(point, seed, rays) : Vec3{}; };
    switch (computes_) {
    case Computes::Normals:
        write(0, point.normal);
        return;
    case Computes::Illumination:
        write(0, light_.at(point, seed, rays) + indirect());
        return;
    case Computes::Indirect:
        write(0, indirect());
        return;
    case Computes::FullAndIndirect: {
        const Vec3 bounced = indirect();
        // The pass's channels are IndR, IndG, IndB, then FullR, FullG, FullB.
        write(0, bounced);
        write(3, fullyBaked_->at(point, seed, rays) + bounced);
        return;
    }
    case Computes::FullShading: {
        const SurfaceLook look = materials_.at(point);
        write(0, look.emission + look.albedo * (light_.at(point, seed, rays) + indirect()));
        return;
    }
    case Computes::Rnm:
        rnm(point, seed, nullptr, values, rays);
        return;
    case Computes::Lua: {
        // The first UV layer at the point: interpolated on a primitive, the vertex's own at a vertex.
        float u = 0, v = 0;
        if (point.instance >= 0) {
            const InstanceGeometry& g = rays_.instances()[static_cast<size_t>(point.instance)];
            if (!g.mesh->uvLayers.empty()) {
                const auto& layer = g.mesh->uvLayers[0];
                if (point.primitive >= 0) {
                    const uint32_t* c = &g.mesh->indices[size_t(g.triangles[static_cast<size_t>(point.primitive)]) * 3];
                    const float b0 = 1.0f - point.b1 - point.b2;
                    u = layer[c[0]].u * b0 + layer[c[1]].u * point.b1 + layer[c[2]].u * point.b2;
                    v = layer[c[0]].v * b0 + layer[c[1]].v * point.b1 + layer[c[2]].v * point.b2;
                } else if (point.vertex >= 0 && static_cast<size_t>(point.vertex) < layer.size()) {
                    u = layer[static_cast<size_t>(point.vertex)].u;
                    v = layer[static_cast<size_t>(point.vertex)].v;
                }
            }
        }
        lua_->at(point, u, v, values, rays);
        return;
    }
    case Computes::Occlusion: {
        const float open = occlusion_.at(point, seed, rays);
        values[0] = values[1] = values[2] = open;
        return;
    }
    case Computes::LightPass:
        lightPass_->at(point, seed, values, rays);
        return;
    case Computes::Nothing:
        std::fill(values, values + count_, 0.0f);
        return;
    }
}

bool PassValues::buriedAt(const SurfacePoint& point, uint64_t& rays) const
{
    return marksBuried() && occlusion_.buried(point, rays);
}

size_t PassValues::indirectCount() const
{
    if (smoothing_ <= 0 || !gi_ || !gi_->enabled())
        return 0;
    switch (computes_) {
    case Computes::Illumination:
        return withIndirect_ ? 3 : 0;
    case Computes::Indirect:
    case Computes::FullAndIndirect:
    case Computes::FullShading:
        return 3;
    case Computes::Rnm:
        return rnm_.components == RnmComponents::Direct ? 0 : 3 * (rnmDirections + 1);
    default:
        return 0;
    }
}

void PassValues::indirectAt(const SurfacePoint& point, uint64_t seed, float* indirect, uint64_t& rays,
                            float* backShare) const
{
    if (computes_ == Computes::Rnm) {
        Vec3 part[rnmDirections + 1];
        rnmIndirect(point, seed, part, rays, backShare);
        for (size_t k = 0; k <= rnmDirections; ++k) {
            indirect[3 * k] = part[k].x;
            indirect[3 * k + 1] = part[k].y;
            indirect[3 * k + 2] = part[k].z;
        }
        return;
    }
    const Vec3 bounced = gi_->at(point, seed, rays, backShare);
    indirect[0] = bounced.x;
    indirect[1] = bounced.y;
    indirect[2] = bounced.z;
}

void PassValues::finish(const SurfacePoint& point, uint64_t seed, const float* indirect, float* values,
                        uint64_t& rays) const
{
    auto write = [&](size_t first, Vec3 c) {
        values[first] = c.x;
        values[first + 1] = c.y;
        values[first + 2] = c.z;
    };
    const Vec3 bounced{indirect[0], indirect[1], indirect[2]};
    switch (computes_) {
    case Computes::Illumination:
        write(0, light_.at(point, seed, rays) + bounced);
        return;
    case Computes::Indirect:
        write(0, bounced);
        return;
    case Computes::FullAndIndirect:
        write(0, bounced);
        write(3, fullyBaked_->at(point, seed, rays) + bounced);
        return;
    case Computes::FullShading: {
        const SurfaceLook look = materials_.at(point);
        write(0, look.emission + look.albedo * (light_.at(point, seed, rays) + bounced));
        return;
    }
    case Computes::Rnm: {
        Vec3 part[rnmDirections + 1];
        for (size_t k = 0; k <= rnmDirections; ++k)
            part[k] = {indirect[3 * k], indirect[3 * k + 1], indirect[3 * k + 2]};
        rnm(point, seed, part, values, rays);
        return;
    }
    default:
        at(point, seed, values, rays);
        return;
    }
}

void PassValues::rnmDirectionsAt(const SurfacePoint& point, Vec3* directions) const
{
    Vec3 local[rnmDirections], t, b;
    rnmBasis(rnm_.basis, local);
    tangentFrame(rays_, point, t, b);
    for (size_t k = 0; k < rnmDirections; ++k)
        directions[k] = t * local[k].x + b * local[k].y + point.normal * local[k].z;
    directions[rnmDirections] = point.normal;
}

void PassValues::rnmIndirect(const SurfacePoint& point, uint64_t seed, Vec3* out, uint64_t& rays,
                             float* backShare) const
{
    if (backShare)
        *backShare = 0.0f;
    Vec3 directions[rnmDirections + 1];
    rnmDirectionsAt(point, directions);
    for (size_t k = 0; k <= rnmDirections; ++k)
        out[k] = {};
    if (rnm_.components == RnmComponents::Direct || !gi_)
        return;
    gi_->project(point, directions, rnmDirections + 1, rnm_.allowNegative == RnmNegative::Allow, rnm_.samples, seed,
                 rays, out, backShare);
}

void PassValues::rnm(const SurfacePoint& point, uint64_t seed, const Vec3* indirect, float* values,
                     uint64_t& rays) const
{
    Vec3 directions[rnmDirections + 1];
    rnmDirectionsAt(point, directions);
    const bool signedCosine = rnm_.allowNegative == RnmNegative::Allow;
    Vec3 sum[rnmDirections + 1], part[rnmDirections + 1];
    if (rnm_.components != RnmComponents::Indirect)
        light_.project(point, directions, rnmDirections + 1, signedCosine,
                       rnm_.allowNegative == RnmNegative::DisallowCullHorizon, seed, rays, sum);
    if (indirect) {
        for (size_t k = 0; k <= rnmDirections; ++k)
            sum[k] += indirect[k];
    } else if (rnm_.components != RnmComponents::Direct && gi_) {
        rnmIndirect(point, seed, part, rays);
        for (size_t k = 0; k <= rnmDirections; ++k)
            sum[k] += part[k];
    }
    const Vec3 normal = sum[rnmDirections];
    if (rnm_.lambertianClampEnabled) {
        const Vec3 top = normal * rnm_.lambertianClamp;
        for (size_t k = 0; k < rnmDirections; ++k)
            sum[k] = {std::min(sum[k].x, top.x), std::min(sum[k].y, top.y), std::min(sum[k].z, top.z)};
    }
    if (rnm_.matchNormalIntensity) {
        // A flat normal map reads the mean of the three values: make it the light along the normal.
        const Vec3 mean = (sum[0] + sum[1] + sum[2]) * (1.0f / 3.0f);
        const Vec3 scale{mean.x != 0.0f ? normal.x / mean.x : 1.0f, mean.y != 0.0f ? normal.y / mean.y : 1.0f,
                         mean.z != 0.0f ? normal.z / mean.z : 1.0f};
        for (size_t k = 0; k < rnmDirections; ++k)
            sum[k] = sum[k] * scale;
    }
    const size_t written = rnm_.normalComponent ? rnmDirections + 1 : rnmDirections;
    for (size_t k = 0; k < written; ++k) {
        float* out = values + k * rnmChannelsPerDirection;
        out[0] = sum[k].x;
        out[1] = sum[k].y;
        out[2] = sum[k].z;
        out[3] = 1.0f;  // coverage
    }
}

}  // namespace torvo_renderer
