// The light at points spread over every surface that casts GI, computed before the bake in levels
// of rising density. A final gather ray that meets a surface reads the light there from the nearby
// cached points instead of following a path of many bounces and shadow rays: a cheaper estimate
// with far less noise, at the price of blurring the light over the points' spacing.
#pragma once

#include "MathTypes.h"

#include <cstdint>
#include <vector>

namespace torvo_renderer {

struct CachePoint {
    Vec3 position;
    Vec3 normal;        // the side the point looks out of
    Vec3 illumination;  // what a white diffuse surface reflects there: direct plus indirect light
    // The indirect radiance arriving over the hemisphere as spherical harmonics of order 1, in
    // world axes: coefficient 0 (constant) and 1 to 3 (along x, y, z).
    Vec3 harmonics[4];
};

class RadianceCache {
public:
    // Adds the points of one level; spacing is the mean world distance between the points of all
    // levels so far, on which scale lookups blend them.
    void add(const std::vector<CachePoint>& points, float spacing);

    size_t size() const { return points_.size(); }
    // How far from a lookup the points it blends lie at most.
    float blendRadius() const { return cell_; }

    // The illumination at a surface point facing normal, blended from the cached points nearby on
    // the same side of the same surface; false where there are none.
    bool illumination(Vec3 position, Vec3 normal, Vec3& out) const;
    // The indirect light projected onto count unit directions from the nearby points' harmonics:
    // what a white diffuse surface facing each direction would reflect (clamped at 0 unless
    // signedCosine); false where there are no cached points.
    bool project(Vec3 position, Vec3 normal, const Vec3* directions, size_t count, bool signedCosine, Vec3* out) const;

    // The harmonics coefficients of one radiance sample from direction (unit) over a hemisphere
    // sampled uniformly, to be averaged over the samples.
    static void harmonicsOf(Vec3 direction, Vec3 radiance, Vec3 out[4]);

private:
    // Gives the points from first on the blend of their neighbours' harmonics. A point's harmonics
    // come from a few dozen gather rays, and a lookup blends only a handful of points: read alone,
    // their grain shows as blotches of the points' spacing in an RNM baked from the cache. Indirect
    // light is smooth by nature, so spreading it over twice the blend radius costs little detail.
    // The illumination the gathers read keeps each point's own value: it holds the direct light,
    // whose shadow edges must stay where they are.
    void smoothHarmonics(size_t first);
    // What a lookup reads of four points, lane by lane, kept together so that one cell's points
    // lie side by side and are weighed four at a time. Lanes past a cell's last point are far
    // away, so they weigh nothing.
    static constexpr int lanes = 4;
    struct alignas(16) Block {
        float x[lanes], y[lanes], z[lanes];
        float nx[lanes], ny[lanes], nz[lanes];
        float r[lanes], g[lanes], b[lanes];  // illumination
        uint32_t index[lanes];               // into points_
    };
    // A cell's blocks, blocks_[first, first + count); count 0 for an unused slot.
    struct Cell {
        uint64_t key = 0;
        uint32_t first = 0;
        uint32_t count = 0;
    };

    // Weighs the nearby points with weights falling off over the spacing, passing each block with
    // its lanes' weights (0 for points not taken) to pick; the sum of the weights, 0 where no
    // point is near.
    template <typename Pick>
    float weigh(Vec3 position, Vec3 normal, Pick pick) const;
    // The cell holding position's candidates; null where there are none.
    const Cell* cellAt(Vec3 position) const;
    size_t slotOf(uint64_t key) const;

    std::vector<CachePoint> points_;
    std::vector<Block> blocks_;  // cell after cell, each cell's points in the order they were added
    std::vector<Cell> cells_;     // open addressing on the cell key, a power of two long
    float cell_ = 0;
};

}  // namespace torvo_renderer
