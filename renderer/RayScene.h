// The scene's surfaces in world space, and the ray tracer over them (one bounding volume
// hierarchy per run, built at the highest quality since the scene does not change).
#pragma once

#include "MathTypes.h"
#include "SceneDocument.h"
#include "StageSettings.h"

#include <embree3/rtcore.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace torvo_renderer {

struct MeshData;

// One instance's triangles in world space. Zero-area triangles are left out of the ray tracer;
// primitive p of the instance is mesh triangle triangles[p].
struct InstanceGeometry {
    int sceneInstance = -1;
    const MeshData* mesh = nullptr;
    uint32_t renderStats = renderStat::Initial;
    std::vector<Vec3> positions;  // world space, per mesh vertex
    std::vector<Vec3> normals;    // world space, unit, per mesh vertex
    std::vector<uint32_t> triangles;
    // Per primitive, its three mesh vertices: the ray tracer's own index buffer, which spares a
    // hit's lookups the step through triangles (one cache miss fewer per hit).
    std::vector<uint32_t> corners;
    uint32_t skipped = 0;  // zero-area triangles left out

    bool stat(uint32_t bit) const { return (renderStats & bit) != 0; }
    // The world-space area of a primitive.
    float area(uint32_t primitive) const
    {
        const uint32_t* c = &corners[size_t(primitive) * 3];
        return 0.5f * length(cross(positions[c[1]] - positions[c[0]], positions[c[2]] - positions[c[0]]));
    }
};

// A point on a surface, where values are computed.
struct SurfacePoint {
    Vec3 position;
    Vec3 normal;           // unit shading normal
    Vec3 geometricNormal;  // unit, on the side of the shading normal
    int instance = -1;     // index into the ray scene's instances, -1 for a free point
    int primitive = -1;    // the instance's primitive under the point, -1 for a vertex or free point
    float b1 = 0, b2 = 0;  // barycentrics of corners 1 and 2 on that primitive
    int vertex = -1;       // the mesh vertex a vertex target's point is
};

struct RayHit {
    int instance = -1;
    uint32_t primitive = 0;
    float u = 0, v = 0;  // barycentrics of corners 1 and 2
    float distance = 0;
    Vec3 geometricNormal;  // not unit; the side the triangle's corners wind towards
};

// Which surfaces a ray may be stopped by.
struct RayFilter {
    uint32_t requiredStat = 0;  // the blocker must have this render stat
    int receiver = -1;          // the instance the ray leaves
    bool selfBlocks = true;     // the receiver's own surfaces may stop the ray
    bool othersBlock = true;    // every other instance may stop the ray
    const std::vector<uint8_t>* only = nullptr;  // when given: per instance, whether it may stop the ray
};

class RayScene {
public:
    RayScene();
    ~RayScene();
    RayScene(const RayScene&) = delete;
    RayScene& operator=(const RayScene&) = delete;

    // One geometry per instance; meshOf gives each scene instance's mesh (never null).
    void build(const SceneDescription& scene, const std::vector<const MeshData*>& meshOf);

    const std::vector<InstanceGeometry>& instances() const { return instances_; }
    // Distance by which rays leave a surface, from the scene's size.
    float offset() const { return offset_; }

    bool occluded(Vec3 origin, Vec3 direction, float maxDistance, const RayFilter& filter) const;
    bool intersect(Vec3 origin, Vec3 direction, float maxDistance, const RayFilter& filter, RayHit& hit) const;

    // The point at barycentrics (b1, b2) of an instance's primitive.
    SurfacePoint pointOn(int instance, uint32_t primitive, float b1, float b2) const;
    // The point a ray from origin along direction met: pointOn's point, placed along the ray and
    // with the hit's own geometric normal, which spares reading the triangle's corners again.
    SurfacePoint pointAt(const RayHit& hit, Vec3 origin, Vec3 direction) const;
    // A ray origin just off the surface on the side of its normal.
    Vec3 rayOrigin(const SurfacePoint& point) const { return point.position + point.geometricNormal * offset_; }
    // Whether the filter can refuse any blocker (otherwise rays run without filtering).
    bool filters(const RayFilter& filter) const;
    // The ray tracer's own scene, for measuring against plain ray casting.
    RTCScene embreeScene() const { return scene_; }

private:
    // Gives point (instance, primitive and barycentrics set) its normals from the triangle's
    // winding normal (any length) and its corners' shading normals.
    void orient(SurfacePoint& point, Vec3 winding) const;

    RTCDevice device_ = nullptr;
    RTCScene scene_ = nullptr;
    std::vector<InstanceGeometry> instances_;
    float offset_ = 1e-4f;
    uint32_t statsAll_ = ~0u;  // render stats every instance has
    std::string deviceError_;  // the ray tracer's first error message
};

}  // namespace torvo_renderer
