#include "RadianceCache.h"

#include <tbb/parallel_for.h>
#include <tbb/parallel_sort.h>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
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
// Where a cell's unused lanes lie: beyond any blend radius.
constexpr float farAway = 1e30f;

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
    const size_t first = points_.size();
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
    // By cell, and within a cell in the order the points came: a lookup weighs its points in the
    // same order whatever the listing.
    tbb::parallel_sort(listed.begin(), listed.end());
    size_t cellCount = 0;
    for (size_t k = 0; k < listed.size(); ++k)
        cellCount += k == 0 || listed[k].first != listed[k - 1].first;
    size_t slots = 16;
    while (slots < 2 * cellCount)
        slots *= 2;
    cells_.assign(slots, Cell{});
    blocks_.clear();
    blocks_.reserve(listed.size() / lanes + cellCount);
    Block empty{};
    for (int l = 0; l < lanes; ++l)
        empty.x[l] = empty.y[l] = empty.z[l] = farAway;
    for (size_t k = 0; k < listed.size();) {
        size_t end = k;
        while (end < listed.size() && listed[end].first == listed[k].first)
            ++end;
        const size_t first = blocks_.size();
        for (size_t j = k; j < end; ++j) {
            const size_t lane = (j - k) % lanes;
            if (lane == 0)
                blocks_.push_back(empty);
            Block& block = blocks_.back();
            const CachePoint& p = points_[listed[j].second];
            block.x[lane] = p.position.x;
            block.y[lane] = p.position.y;
            block.z[lane] = p.position.z;
            block.nx[lane] = p.normal.x;
            block.ny[lane] = p.normal.y;
            block.nz[lane] = p.normal.z;
            block.r[lane] = p.illumination.x;
            block.g[lane] = p.illumination.y;
            block.b[lane] = p.illumination.z;
            block.index[lane] = listed[j].second;
        }
        size_t slot = slotOf(listed[k].first);
        while (cells_[slot].count != 0)
            slot = (slot + 1) & (slots - 1);
        cells_[slot] = {listed[k].first, static_cast<uint32_t>(first), static_cast<uint32_t>(blocks_.size() - first)};
        k = end;
    }
    smoothHarmonics(first);
}

void RadianceCache::smoothHarmonics(size_t first)
{
    std::vector<std::array<Vec3, 4>> source(points_.size());
    for (size_t i = 0; i < points_.size(); ++i)
        std::copy(points_[i].harmonics, points_[i].harmonics + 4, source[i].begin());
    tbb::parallel_for(first, points_.size(), [&](size_t i) {
        Vec3 h[4];
        const float total = weigh(points_[i].position, points_[i].normal, [&](const Block& k, const float* w) {
            for (int l = 0; l < lanes; ++l)
                if (w[l] > 0.0f)
                    for (int c = 0; c < 4; ++c)
                        h[c] += source[k.index[l]][c] * w[l];
        });
        if (total > 0.0f)
            for (int c = 0; c < 4; ++c)
                points_[i].harmonics[c] = h[c] * (1.0f / total);
    });
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
float RadianceCache::weigh(Vec3 position, Vec3 normal, Pick pick) const
{
    const Cell* found = points_.empty() ? nullptr : cellAt(position);
    if (!found)
        return 0.0f;
    const float radius2 = cell_ * cell_, plane = offPlane * cell_;
    float total = 0.0f;
#if defined(__SSE2__)
    const __m128 px = _mm_set1_ps(position.x), py = _mm_set1_ps(position.y), pz = _mm_set1_ps(position.z);
    const __m128 qx = _mm_set1_ps(normal.x), qy = _mm_set1_ps(normal.y), qz = _mm_set1_ps(normal.z);
    const __m128 limit2 = _mm_set1_ps(radius2), side = _mm_set1_ps(sameSide), off = _mm_set1_ps(plane);
    const __m128 cell = _mm_set1_ps(cell_), one = _mm_set1_ps(1.0f), sign = _mm_set1_ps(-0.0f);
    __m128 sum = _mm_setzero_ps();
    for (const Block *k = &blocks_[found->first], *end = k + found->count; k != end; ++k) {
        const __m128 ox = _mm_sub_ps(px, _mm_load_ps(k->x)), oy = _mm_sub_ps(py, _mm_load_ps(k->y)),
                     oz = _mm_sub_ps(pz, _mm_load_ps(k->z));
        const __m128 nx = _mm_load_ps(k->nx), ny = _mm_load_ps(k->ny), nz = _mm_load_ps(k->nz);
        const __m128 distance2 =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(ox, ox), _mm_mul_ps(oy, oy)), _mm_mul_ps(oz, oz));
        const __m128 facing = _mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, qx), _mm_mul_ps(ny, qy)), _mm_mul_ps(nz, qz));
        const __m128 height = _mm_andnot_ps(
            sign, _mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, ox), _mm_mul_ps(ny, oy)), _mm_mul_ps(nz, oz)));
        const __m128 near = _mm_and_ps(_mm_and_ps(_mm_cmplt_ps(distance2, limit2), _mm_cmpge_ps(facing, side)),
                                       _mm_cmple_ps(height, off));
        if (_mm_movemask_ps(near) == 0)
            continue;
        const __m128 w = _mm_and_ps(near, _mm_sub_ps(one, _mm_div_ps(_mm_sqrt_ps(distance2), cell)));
        sum = _mm_add_ps(sum, w);
        alignas(16) float weights[lanes];
        _mm_store_ps(weights, w);
        pick(*k, weights);
    }
    alignas(16) float lanesSum[lanes];
    _mm_store_ps(lanesSum, sum);
    total = (lanesSum[0] + lanesSum[1]) + (lanesSum[2] + lanesSum[3]);
#else
    for (const Block *k = &blocks_[found->first], *end = k + found->count; k != end; ++k) {
        float weights[lanes];
        bool any = false;
        for (int l = 0; l < lanes; ++l) {
            const Vec3 offset = position - Vec3{k->x[l], k->y[l], k->z[l]};
            const Vec3 n{k->nx[l], k->ny[l], k->nz[l]};
            const float distance2 = dot(offset, offset);
            const bool near =
                distance2 < radius2 && dot(n, normal) >= sameSide && std::fabs(dot(n, offset)) <= plane;
            weights[l] = near ? 1.0f - std::sqrt(distance2) / cell_ : 0.0f;
            total += weights[l];
            any = any || near;
        }
        if (any)
            pick(*k, weights);
    }
#endif
    return total > 0.0f ? total : 0.0f;
}

bool RadianceCache::illumination(Vec3 position, Vec3 normal, Vec3& out) const
{
    float r[lanes] = {}, g[lanes] = {}, b[lanes] = {};
    const float total = weigh(position, normal, [&](const Block& k, const float* w) {
        for (int l = 0; l < lanes; ++l) {
            r[l] += k.r[l] * w[l];
            g[l] += k.g[l] * w[l];
            b[l] += k.b[l] * w[l];
        }
    });
    if (!(total > 0.0f))
        return false;
    auto lanesSum = [](const float* v) { return (v[0] + v[1]) + (v[2] + v[3]); };
    out = Vec3{lanesSum(r), lanesSum(g), lanesSum(b)} * (1.0f / total);
    return true;
}

bool RadianceCache::project(Vec3 position, Vec3 normal, const Vec3* directions, size_t count, bool signedCosine,
                            Vec3* out) const
{
    Vec3 h[4];
    const float total = weigh(position, normal, [&](const Block& k, const float* w) {
        for (int l = 0; l < lanes; ++l)
            if (w[l] > 0.0f)
                for (int c = 0; c < 4; ++c)
                    h[c] += points_[k.index[l]].harmonics[c] * w[l];
    });
    if (!(total > 0.0f))
        return false;
    for (int c = 0; c < 4; ++c)
        h[c] = h[c] * (1.0f / total);
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
