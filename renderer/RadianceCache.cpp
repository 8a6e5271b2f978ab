#include "RadianceCache.h"

#include <tbb/parallel_sort.h>

#include <algorithm>
#include <cmath>
#include <utility>

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

// Cell coordinates are kept within the 21 bits a key holds for each axis.
constexpr float farthestCell = float(1 << 20);
// A point is listed in the cells where a lookup could take it, with this much room (a share of the
// cell size) for rounding.
constexpr float listingSlack = 0.01f;

int cellOf(float value, float cell)
{
    return static_cast<int>(std::clamp(std::floor(value / cell), -farthestCell, farthestCell));
}

uint64_t cellKey(int x, int y, int z)
{
    const uint64_t mask = (1u << 21) - 1;
    return (uint64_t(uint32_t(x)) & mask) | ((uint64_t(uint32_t(y)) & mask) << 21) |
           ((uint64_t(uint32_t(z)) & mask) << 42);
}

}  // namespace

size_t RadianceCache::slotOf(uint64_t key) const
{
    // Fibonacci hashing: neighbouring cells land far apart.
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (cells_.size() - 1);
}

void RadianceCache::add(const std::vector<CachePoint>& points, float spacing)
{
    points_.insert(points_.end(), points.begin(), points.end());
    cell_ = std::max(spacing * blendSpacings, 1e-6f);
    // Every point is listed in its own cell and in those around it that a lookup taking it can
    // fall into (within the blend radius and near the point's plane), so that a lookup reads one
    // cell, its candidates side by side.
    std::vector<std::pair<uint64_t, uint32_t>> listed;
    listed.reserve(points_.size() * 12);
    const float reach = cell_ * (1.0f + listingSlack);
    const float half = 0.5f * cell_;
    for (uint32_t i = 0; i < points_.size(); ++i) {
        const Vec3 p = points_[i].position, n = points_[i].normal;
        const int cx = cellOf(p.x, cell_), cy = cellOf(p.y, cell_), cz = cellOf(p.z, cell_);
        const float slab = offPlane * cell_ + half * (std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z)) +
                           listingSlack * cell_;
        auto outside = [&](float v, float low) { return std::max({0.0f, low - v, v - (low + cell_)}); };
        for (int dz = -1; dz <= 1; ++dz)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const Vec3 lo{float(cx + dx) * cell_, float(cy + dy) * cell_, float(cz + dz) * cell_};
                    const Vec3 centre = lo + Vec3{half, half, half};
                    const Vec3 gap{outside(p.x, lo.x), outside(p.y, lo.y), outside(p.z, lo.z)};
                    if (dot(gap, gap) > reach * reach || std::fabs(dot(n, centre - p)) > slab)
                        continue;
                    listed.emplace_back(cellKey(cx + dx, cy + dy, cz + dz), i);
                }
    }
    // By cell, and within a cell in the order the points came: a lookup sums its points in the
    // same order whatever the listing.
    tbb::parallel_sort(listed.begin(), listed.end());
    size_t cellCount = 0;
    for (size_t k = 0; k < listed.size(); ++k)
        cellCount += k == 0 || listed[k].first != listed[k - 1].first;
    size_t slots = 16;
    while (slots < 2 * cellCount)
        slots *= 2;
    cells_.assign(slots, Cell{});
    entries_.resize(listed.size());
    for (size_t k = 0; k < listed.size(); ++k) {
        const CachePoint& p = points_[listed[k].second];
        entries_[k] = {p.position, p.normal, p.illumination, listed[k].second};
        if (k > 0 && listed[k].first == listed[k - 1].first)
            continue;
        size_t slot = slotOf(listed[k].first);
        while (cells_[slot].count != 0)
            slot = (slot + 1) & (slots - 1);
        size_t end = k;
        while (end < listed.size() && listed[end].first == listed[k].first)
            ++end;
        cells_[slot] = {listed[k].first, static_cast<uint32_t>(k), static_cast<uint32_t>(end - k)};
    }
}

const RadianceCache::Cell* RadianceCache::cellAt(Vec3 position) const
{
    if (cells_.empty())
        return nullptr;
    const uint64_t key = cellKey(cellOf(position.x, cell_), cellOf(position.y, cell_), cellOf(position.z, cell_));
    for (size_t slot = slotOf(key);; slot = (slot + 1) & (cells_.size() - 1)) {
        const Cell& c = cells_[slot];
        if (c.count == 0)
            return nullptr;
        if (c.key == key)
            return &c;
    }
}

template <typename Pick>
bool RadianceCache::blend(Vec3 position, Vec3 normal, size_t count, Pick pick, Vec3* out) const
{
    if (points_.empty())
        return false;
    for (size_t k = 0; k < count; ++k)
        out[k] = {};
    const Cell* found = cellAt(position);
    if (!found)
        return false;
    float total = 0;
    for (const Entry *e = &entries_[found->first], *end = e + found->count; e != end; ++e) {
        const Vec3 offset = position - e->position;
        const float distance2 = dot(offset, offset);
        if (distance2 >= cell_ * cell_ || dot(e->normal, normal) < sameSide ||
            std::fabs(dot(e->normal, offset)) > offPlane * cell_)
            continue;
        const float w = 1.0f - std::sqrt(distance2) / cell_;
        total += w;
        pick(*e, w, out);
    }
    if (!(total > 0.0f))
        return false;
    for (size_t k = 0; k < count; ++k)
        out[k] = out[k] * (1.0f / total);
    return true;
}

bool RadianceCache::illumination(Vec3 position, Vec3 normal, Vec3& out) const
{
    return blend(position, normal, 1, [](const Entry& e, float w, Vec3* sum) { sum[0] += e.illumination * w; },
                 &out);
}

bool RadianceCache::project(Vec3 position, Vec3 normal, const Vec3* directions, size_t count, bool signedCosine,
                            Vec3* out) const
{
    Vec3 h[4];
    if (!blend(position, normal, 4,
               [this](const Entry& e, float w, Vec3* sum) {
                   const CachePoint& p = points_[e.index];
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
