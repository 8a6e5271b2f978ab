#include "RadianceCache.h"

#include <algorithm>
#include <cmath>

namespace torvo_renderer {

namespace {

// Spherical harmonics constants: Y00, and the factor of the three order-1 functions.
constexpr float harmonic0 = 0.282095f;
constexpr float harmonic1 = 0.488603f;
// The clamped cosine's convolution of order 0 and 1, divided by pi (illumination, not irradiance).
constexpr float cosineLobe0 = 1.0f;
constexpr float cosineLobe1 = 2.0f / 3.0f;
// Points blend over this many spacings.
constexpr float blendSpacings = 2.0f;
// Points whose normals differ more than this (cosine) lie on another side or another surface.
constexpr float sameSide = 0.9f;
// Points further off the looked-up point's plane than this share of the blend radius lie on another
// surface (the other face of a thin wall, a step).
constexpr float offPlane = 0.25f;

int cellOf(float value, float cell) { return static_cast<int>(std::floor(value / cell)); }

}  // namespace

uint64_t RadianceCache::cellKey(int x, int y, int z) const
{
    const uint64_t mask = (1u << 21) - 1;
    return (uint64_t(uint32_t(x)) & mask) | ((uint64_t(uint32_t(y)) & mask) << 21) |
           ((uint64_t(uint32_t(z)) & mask) << 42);
}

void RadianceCache::add(const std::vector<CachePoint>& points, float spacing)
{
    points_.insert(points_.end(), points.begin(), points.end());
    cell_ = std::max(spacing * blendSpacings, 1e-6f);
    // Every point is listed in its own cell and the 26 around it, so that a lookup reads one cell.
    grid_.clear();
    for (uint32_t i = 0; i < points_.size(); ++i) {
        const Vec3 p = points_[i].position;
        const int cx = cellOf(p.x, cell_), cy = cellOf(p.y, cell_), cz = cellOf(p.z, cell_);
        for (int dz = -1; dz <= 1; ++dz)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    grid_[cellKey(cx + dx, cy + dy, cz + dz)].push_back(i);
    }
}

template <typename Pick>
bool RadianceCache::blend(Vec3 position, Vec3 normal, size_t count, Pick pick, Vec3* out) const
{
    if (points_.empty())
        return false;
    for (size_t k = 0; k < count; ++k)
        out[k] = {};
    const auto found =
        grid_.find(cellKey(cellOf(position.x, cell_), cellOf(position.y, cell_), cellOf(position.z, cell_)));
    if (found == grid_.end())
        return false;
    float total = 0;
    for (uint32_t index : found->second) {
        const CachePoint& p = points_[index];
        const Vec3 offset = position - p.position;
        const float distance2 = dot(offset, offset);
        if (distance2 >= cell_ * cell_ || dot(p.normal, normal) < sameSide ||
            std::fabs(dot(p.normal, offset)) > offPlane * cell_)
            continue;
        const float w = 1.0f - std::sqrt(distance2) / cell_;
        total += w;
        pick(p, w, out);
    }
    if (!(total > 0.0f))
        return false;
    for (size_t k = 0; k < count; ++k)
        out[k] = out[k] * (1.0f / total);
    return true;
}

bool RadianceCache::illumination(Vec3 position, Vec3 normal, Vec3& out) const
{
    return blend(position, normal, 1, [](const CachePoint& p, float w, Vec3* sum) { sum[0] += p.illumination * w; },
                 &out);
}

bool RadianceCache::project(Vec3 position, Vec3 normal, const Vec3* directions, size_t count, bool signedCosine,
                            Vec3* out) const
{
    Vec3 h[4];
    if (!blend(position, normal, 4,
               [](const CachePoint& p, float w, Vec3* sum) {
                   for (int k = 0; k < 4; ++k)
                       sum[k] += p.harmonics[k] * w;
               },
               h))
        return false;
    for (size_t k = 0; k < count; ++k) {
        const Vec3 d = directions[k];
        Vec3 v = h[0] * (cosineLobe0 * harmonic0) +
                 (h[1] * d.x + h[2] * d.y + h[3] * d.z) * (cosineLobe1 * harmonic1);
        if (!signedCosine)
            v = {std::max(0.0f, v.x), std::max(0.0f, v.y), std::max(0.0f, v.z)};
        out[k] = v;
    }
    return true;
}

void RadianceCache::harmonicsOf(Vec3 direction, Vec3 radiance, Vec3 out[4])
{
    // Uniform over the hemisphere: each sample stands for 2 pi of solid angle.
    const Vec3 weighted = radiance * (2.0f * Pi);
    out[0] = weighted * harmonic0;
    out[1] = weighted * (harmonic1 * direction.x);
    out[2] = weighted * (harmonic1 * direction.y);
    out[3] = weighted * (harmonic1 * direction.z);
}

}  // namespace torvo_renderer
