#include "VertexIllumination.h"

#include "RadianceCache.h"
#include "RayScene.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <limits>

namespace torvo_renderer {

namespace {

// Marks a vertex without light of its own (light itself is never minus infinity).
constexpr float noLight = -std::numeric_limits<float>::infinity();
constexpr size_t verticesPerTask = 1024;

}  // namespace

void VertexIllumination::build(const RayScene& rays, const RadianceCache& cache)
{
    rays_ = &rays;
    const std::vector<InstanceGeometry>& instances = rays.instances();
    light_.assign(instances.size(), {});
    const float longest = cache.blendRadius();
    if (cache.size() == 0 || !(longest > 0.0f))
        return;
    for (size_t i = 0; i < instances.size(); ++i) {
        const InstanceGeometry& g = instances[i];
        if (!g.stat(renderStat::CastGI) || g.corners.empty())
            continue;
        // A vertex takes light when every traced triangle around it is small: then so is each
        // triangle whose three corners all have light.
        std::vector<uint8_t> small(g.positions.size(), 0), large(g.positions.size(), 0);
        bool anySmall = false;
        for (size_t p = 0; p + 2 < g.corners.size(); p += 3) {
            const uint32_t* c = &g.corners[p];
            const Vec3 a = g.positions[c[0]], b = g.positions[c[1]], d = g.positions[c[2]];
            const float edge2 = std::max({dot(b - a, b - a), dot(d - b, d - b), dot(a - d, a - d)});
            uint8_t* mark = edge2 <= longest * longest ? small.data() : large.data();
            anySmall = anySmall || mark == small.data();
            mark[c[0]] = mark[c[1]] = mark[c[2]] = 1;
        }
        if (!anySmall)
            continue;
        std::vector<Vec3>& light = light_[i];
        light.assign(g.positions.size(), Vec3{noLight, noLight, noLight});
        tbb::parallel_for(size_t(0), light.size(), verticesPerTask, [&](size_t first) {
            const size_t end = std::min(light.size(), first + verticesPerTask);
            for (size_t v = first; v < end; ++v) {
                Vec3 found;
                if (small[v] && !large[v] && cache.illumination(g.positions[v], g.normals[v], found))
                    light[v] = found;
            }
        });
    }
}

bool VertexIllumination::at(int instance, uint32_t primitive, float b1, float b2, Vec3& out) const
{
    if (instance < 0 || static_cast<size_t>(instance) >= light_.size())
        return false;
    const std::vector<Vec3>& light = light_[static_cast<size_t>(instance)];
    if (light.empty())
        return false;
    const uint32_t* c = &rays_->instances()[static_cast<size_t>(instance)].corners[size_t(primitive) * 3];
    const Vec3 a = light[c[0]], b = light[c[1]], d = light[c[2]];
    if (a.x == noLight || b.x == noLight || d.x == noLight)
        return false;
    out = a * (1.0f - b1 - b2) + b * b1 + d * b2;
    return true;
}

}  // namespace torvo_renderer
