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
constexpr size_t wordBits = 64;
// Per triangle: whether it reads its corners, and whether its front lies against its winding.
constexpr size_t bitsPerTriangle = 2;

}  // namespace

void VertexIllumination::build(const RayScene& rays, const RadianceCache& cache)
{
    rays_ = &rays;
    const std::vector<InstanceGeometry>& instances = rays.instances();
    light_.assign(instances.size(), {});
    bits_.assign(instances.size(), {});
    const float longest = cache.blendRadius();
    if (cache.size() == 0 || !(longest > 0.0f))
        return;
    for (size_t i = 0; i < instances.size(); ++i) {
        const InstanceGeometry& g = instances[i];
        if (!g.stat(renderStat::CastGI) || g.corners.empty())
            continue;
        const size_t primitives = g.corners.size() / 3;
        std::vector<uint64_t>& bits = bits_[i];
        bits.assign((primitives * bitsPerTriangle + wordBits - 1) / wordBits, 0);
        std::vector<uint8_t> needed(g.positions.size(), 0);
        bool anySmall = false;
        for (size_t p = 0; p < primitives; ++p) {
            const uint32_t* c = &g.corners[p * 3];
            const Vec3 a = g.positions[c[0]], b = g.positions[c[1]], d = g.positions[c[2]];
            const float edge2 = std::max({dot(b - a, b - a), dot(d - b, d - b), dot(a - d, a - d)});
            if (!(edge2 <= longest * longest))
                continue;
            // The side the surface shows is the side of its shading normal; where the corners'
            // normals all lie on one side of the winding, that side is the hit's without them.
            const Vec3 winding = cross(b - a, d - a);
            const float s0 = dot(g.normals[c[0]], winding), s1 = dot(g.normals[c[1]], winding),
                        s2 = dot(g.normals[c[2]], winding);
            const bool with = s0 > 0.0f && s1 > 0.0f && s2 > 0.0f, against = s0 < 0.0f && s1 < 0.0f && s2 < 0.0f;
            if (!with && !against)
                continue;
            const size_t bit = p * bitsPerTriangle;
            bits[bit / wordBits] |= (uint64_t(1) | (against ? uint64_t(2) : 0)) << (bit % wordBits);
            needed[c[0]] = needed[c[1]] = needed[c[2]] = 1;
            anySmall = true;
        }
        if (!anySmall) {
            bits.clear();
            continue;
        }
        std::vector<Vec3>& light = light_[i];
        light.assign(g.positions.size(), Vec3{noLight, noLight, noLight});
        tbb::parallel_for(size_t(0), light.size(), verticesPerTask, [&](size_t first) {
            const size_t end = std::min(light.size(), first + verticesPerTask);
            for (size_t v = first; v < end; ++v) {
                Vec3 found;
                if (needed[v] && cache.illumination(g.positions[v], g.normals[v], found))
                    light[v] = found;
            }
        });
    }
}

bool VertexIllumination::frontAt(const RayHit& hit, Vec3 direction, Vec3& out) const
{
    if (hit.instance < 0 || static_cast<size_t>(hit.instance) >= bits_.size())
        return false;
    const std::vector<uint64_t>& bits = bits_[static_cast<size_t>(hit.instance)];
    if (bits.empty())
        return false;
    const size_t bit = size_t(hit.primitive) * bitsPerTriangle;
    const uint64_t flags = bits[bit / wordBits] >> (bit % wordBits);
    const bool windingFaces = dot(hit.geometricNormal, direction) < 0.0f;
    if (!(flags & 1) || windingFaces == ((flags & 2) != 0))
        return false;
    const std::vector<Vec3>& light = light_[static_cast<size_t>(hit.instance)];
    const uint32_t* c = &rays_->instances()[static_cast<size_t>(hit.instance)].corners[size_t(hit.primitive) * 3];
    const Vec3 a = light[c[0]], b = light[c[1]], d = light[c[2]];
    if (a.x == noLight || b.x == noLight || d.x == noLight)
        return false;
    out = a * (1.0f - hit.u - hit.v) + b * hit.u + d * hit.v;
    return true;
}

}  // namespace torvo_renderer
