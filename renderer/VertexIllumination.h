// The radiance cache's illumination read ahead at the vertices of finely divided surfaces. A final
// gather ray that meets such a surface takes the light from its triangle's three corners, without
// building a surface point at the hit, instead of a cache lookup that visits a grid cell and
// weighs a few dozen points there. Where triangles are no longer than the radius
// the cache blends over, interpolating between corners blurs the light about as much as the
// cache itself already does, so the reads give nearly the same light at a fraction of the cost.
//
// Triangles with a long edge, those whose corners' normals do not agree on the side they face,
// and those with a corner where the cache has nothing or faces turn sharply away (the vertex
// normal then differs from every cached point's) have no vertex light, nor has any back side:
// hits there look the cache up at the hit itself.
//
// Threads: build() writes; frontAt() only reads and may run on any number of threads at once.
#pragma once

#include "MathTypes.h"

#include <cstdint>
#include <vector>

namespace torvo_renderer {

class RadianceCache;
class RayScene;
struct RayHit;

class VertexIllumination {
public:
    // Reads the cache at the corners of the triangles that cast GI (those a gather ray can meet),
    // have no edge longer than the cache's blend radius and whose corners' normals face one side
    // of them. Called again after every level the cache gains.
    void build(const RayScene& rays, const RadianceCache& cache);

    // The illumination where a ray along direction met a surface, when it met the surface's front
    // (the side its shading normals face) on a triangle with vertex light; false otherwise, the
    // hit then being left to the cache lookup. Reads neither the hit's corners' positions nor
    // their normals: the hit itself tells the side.
    bool frontAt(const RayHit& hit, Vec3 direction, Vec3& out) const;

private:
    // Per instance, per mesh vertex; empty for instances without any.
    std::vector<std::vector<Vec3>> light_;
    // Per instance, two bits per primitive: whether it reads its corners (small enough, its
    // corners' normals all on one side of it), and whether that side lies against its winding.
    // A few bits a triangle stay in the processor's caches where a byte would not.
    std::vector<std::vector<uint64_t>> bits_;
    const RayScene* rays_ = nullptr;
};

}  // namespace torvo_renderer
