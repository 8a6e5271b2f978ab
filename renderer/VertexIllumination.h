// The radiance cache's illumination read ahead at the vertices of finely divided surfaces. A final
// gather ray that meets such a surface takes the light from its triangle's three corners, one
// read of memory next to the normals it has just read, instead of a cache lookup that visits a
// grid cell and weighs a few dozen points there. Where triangles are no longer than the radius
// the cache blends over, interpolating between corners blurs the light about as much as the
// cache itself already does, so the reads give nearly the same light at a fraction of the cost.
//
// Triangles with a long edge, and corners where the cache has nothing or faces turn sharply away
// (the vertex normal then differs from every cached point's), have no vertex light: hits there look
// the cache up at the hit itself.
//
// Threads: build() writes, at() only reads and may run on any number of threads at once.
#pragma once

#include "MathTypes.h"

#include <cstdint>
#include <vector>

namespace torvo_renderer {

class RadianceCache;
class RayScene;

class VertexIllumination {
public:
    // Reads the cache at the vertices of the instances that cast GI (those a gather ray can
    // meet) whose every edge is no longer than the cache's blend radius. Called again after every
    // level the cache gains.
    void build(const RayScene& rays, const RadianceCache& cache);

    // The illumination at barycentrics (b1, b2) of an instance's primitive, seen from the side of
    // its vertex normals; false where the triangle has no vertex light.
    bool at(int instance, uint32_t primitive, float b1, float b2, Vec3& out) const;

private:
    // Per instance, per mesh vertex; empty for instances without any.
    std::vector<std::vector<Vec3>> light_;
    const RayScene* rays_ = nullptr;
};

}  // namespace torvo_renderer
