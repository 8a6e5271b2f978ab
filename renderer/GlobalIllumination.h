// Light that bounces between diffuse surfaces: the indirect illumination of a sample point, and
// the surface properties (albedo, emission) the bounces and the full shading pass read.
#pragma once

#include "DirectLighting.h"
#include "EmissiveSurfaces.h"
#include "Progress.h"
#include "RadianceCache.h"
#include "RayScene.h"
#include "Sampling.h"
#include "SceneDocument.h"
#include "StageSettings.h"
#include "TextureImage.h"
#include "VertexIllumination.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace torvo_renderer {

// What a surface point is made of, as global illumination and full shading see it.
struct SurfaceLook {
    Vec3 albedo;        // diffuse colour times its scale, texture and vertex colour
    Vec3 emission;      // emissive colour times its scale, texture and vertex colour
    Vec3 transparency;  // the share of light passing through, 0 (opaque) to 1 per colour
    const SceneMaterial* material = nullptr;
};

class SurfaceMaterials {
public:
    // textures: decoded images by the path written in the scene.
    SurfaceMaterials(const SceneDescription& scene, const RayScene& rays,
                     const std::map<std::string, TextureImage>& textures);

    // The look of an instance's primitive at barycentrics (b1, b2), or of its mesh vertex (primitive
    // -1); the default material for a point that belongs to no instance (instance < 0).
    SurfaceLook at(int instance, int primitive, float b1, float b2, int vertex = -1) const;
    SurfaceLook at(const SurfacePoint& point) const
    {
        return at(point.instance, point.primitive, point.b1, point.b2, point.vertex);
    }

private:
    struct Channel {
        const TextureImage* texture = nullptr;
        int uvLayer = -1;
        bool vertexColors = false;  // the channel uses the mesh's vertex colours (and it has them)
    };
    struct Bound {
        const SceneMaterial* material = nullptr;
        Channel diffuse, emissive, transparency;
    };
    const RayScene& rays_;
    SceneMaterial default_;
    std::vector<std::vector<Bound>> groups_;  // per ray instance, per mesh group
    std::vector<std::vector<uint32_t>> groupOfPrimitive_;  // per ray instance, per primitive (empty: group 0)
};

// The GI corrections of a material applied to a colour: intensity times the colour with its
// saturation scaled about its luminance.
Vec3 correctedGI(Vec3 color, float intensity, float saturation);

class GlobalIllumination {
public:
    // indirectLight: the scene's lights with their indirect scales, as the bounces' surfaces see them.
    // samplePoints: how many points the stage bakes (0 when not known), which sizes the cache.
    GlobalIllumination(const GISettings& settings, const RayScene& rays, const SurfaceMaterials& materials,
                       const DirectLighting& indirectLight, size_t samplePoints = 0);

    // The indirect illumination at point (what a white diffuse surface there reflects of the light
    // arriving from other surfaces). rays grows by the rays traced. backShare, when given, gets the
    // share of the gather rays whose first surface showed them its back (see buried()).
    Vec3 at(const SurfacePoint& point, uint64_t seed, uint64_t& rays, float* backShare = nullptr) const;

    // The indirect light projected onto count unit directions, as DirectLighting::project does,
    // from samples paths (0: the integrator's own count) leaving around the surface normal.
    void project(const SurfacePoint& point, const Vec3* directions, size_t count, bool signedCosine,
                 uint32_t samples, uint64_t seed, uint64_t& rays, Vec3* out, float* backShare = nullptr) const;

    // Whether a point whose gather rays met back faces in this share lies inside or under other
    // geometry (a face resting on another, or sunk into it): what it gathers there is light
    // leaking through the cracks, not light that reaches a visible surface.
    static bool buried(float backShare);

    bool enabled() const { return settings_.primary != GIIntegrator::None; }
    // Surfaces met send only the light they reflect: the indirect light of the lights alone.
    void leaveOutEmission() { emission_ = false; }

    // The radiance cache's levels: the prepass levels when the final gather reads the cache (one
    // bounce, then the cached light of every further bounce), else 0.
    uint32_t cacheLevels() const;
    // Fills level (0 the coarsest) of the cache: the points of every coarser level are there, and
    // the new points' own gather rays read them. Levels must be built in order, before the bake.
    void buildCacheLevel(uint32_t level, Progress* progress);
    size_t cachedPoints() const { return cache_.size(); }
    // Rays the cache's levels have traced.
    uint64_t cacheRaysTraced() const { return cacheRaysTraced_; }

private:
    // Whether GI is on and point's instance receives it.
    bool receives(const SurfacePoint& point) const;
    // firstBounce: 1 from a sample point (the first surface met takes the primary corrections), 2
    // from a cache point. cached: the first surface met reads the cache for the light it receives.
    // firstHitBack, when given, is set when the first surface met shows the path its back.
    // gatherDensity: the density in solid angle with which direction was drawn when the emitters
    // are sampled beside it (see emitterSample); 0 when they are not.
    Vec3 path(const SurfacePoint& start, Vec3 direction, uint64_t seed, uint64_t& rays, uint32_t firstBounce = 1,
              bool cached = false, bool* firstHitBack = nullptr, float gatherDensity = 0.0f) const;
    // Whether the gather of a sample point aims rays at the emitters too.
    bool samplesEmitters() const { return emission_ && !emitters_.empty(); }
    // One ray aimed at a point chosen on the emitters: its direction, and the radiance arriving
    // along it weighted by this way's share of the two ways of finding an emitter (the other being
    // a gather direction drawn cosine-weighted or uniformly) over its density in solid angle.
    // False when the point brings nothing (hidden, behind the surface).
    // The point is the index-th of the aim sequence, so the rays of a sample point spread evenly
    // over the emitters.
    bool emitterSample(const SurfacePoint& point, bool cosineGather, const Sequence2D& aim, uint32_t index,
                       uint64_t& rays, Vec3& direction, Vec3& weighted) const;
    bool cacheReady() const { return cache_.size() > 0; }

    GISettings settings_;
    const RayScene& rays_;
    const SurfaceMaterials& materials_;
    const DirectLighting& light_;
    bool emission_ = true;
    RadianceCache cache_;
    VertexIllumination vertexLight_;  // the cache read ahead at fine surfaces' vertices
    EmissiveSurfaces emitters_;
    double finestCachePoints_;  // points of a level of sample rate 0
    uint32_t cacheLevelsBuilt_ = 0;
    uint64_t cacheRaysTraced_ = 0;
    size_t cacheBuried_ = 0;   // cache points left out as buried, which still count for the spacing
    // Surfaces the cache points are spread over: per triangle, its instance, primitive and the
    // running sum of the areas.
    struct AreaEntry {
        int instance;
        uint32_t primitive;
        double areaBefore;
    };
    std::vector<AreaEntry> areas_;
    double totalArea_ = 0;
};

}  // namespace torvo_renderer
