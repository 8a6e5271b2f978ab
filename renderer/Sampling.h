// Deterministic sample sequences. Every sample point (texel, vertex, pixel, cloud point) seeds its
// own sequence from its coordinates, so results do not depend on which thread computes what.
#pragma once

#include "MathTypes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace torvo_renderer {

// A well-mixed 64-bit value from any 64-bit value.
inline uint64_t mix64(uint64_t z)
{
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The seed of one sample point: a purpose salt and up to three coordinates.
inline uint64_t seedOf(uint64_t salt, uint64_t a, uint64_t b = 0, uint64_t c = 0)
{
    return mix64(mix64(mix64(mix64(salt) ^ a) ^ b) ^ c);
}

// Salts that keep the sequences of different uses apart.
namespace salt {
constexpr uint64_t Occlusion = 0xA0C1u;
constexpr uint64_t Shadow = 0x5AD0u;
}  // namespace salt

// A two-dimensional low-discrepancy sequence (the additive recurrence on the plastic number),
// shifted by a per-point random offset. Arithmetic modulo 2^32 keeps every sample exact however
// long the sequence.
class Sequence2D {
public:
    explicit Sequence2D(uint64_t seed)
        : offsetX_(static_cast<uint32_t>(seed)), offsetY_(static_cast<uint32_t>(seed >> 32))
    {
    }
    void at(uint32_t index, float& u, float& v) const
    {
        constexpr uint32_t stepX = 3242174889u;  // 2^32 / g, g the plastic number
        constexpr uint32_t stepY = 2447445414u;  // 2^32 / g^2
        constexpr float scale = 1.0f / 4294967296.0f;
        // The top 24 bits keep the float below 1.
        u = static_cast<float>((offsetX_ + index * stepX) >> 8) * (scale * 256.0f);
        v = static_cast<float>((offsetY_ + index * stepY) >> 8) * (scale * 256.0f);
    }

private:
    uint32_t offsetX_;
    uint32_t offsetY_;
};

// Directions in the cone of half-angle with cosine cosMax around axis n (unit), from two uniform
// numbers each: cosine-weighted or uniform over the solid angle.
class ConeSampler {
public:
    ConeSampler(Vec3 n, float cosMax, bool cosineWeighted)
        : n_(n), cosMax_(cosMax), sin2Max_(std::max(0.0f, 1.0f - cosMax * cosMax)), cosine_(cosineWeighted)
    {
        orthonormalBasis(n, t_, b_);
    }
    Vec3 operator()(float u1, float u2) const
    {
        const float cosTheta =
            cosine_ ? std::sqrt(std::max(0.0f, 1.0f - u1 * sin2Max_)) : 1.0f - u1 * (1.0f - cosMax_);
        const float sinTheta = std::sqrt(std::max(0.0f, 1.0f - cosTheta * cosTheta));
        const float phi = 2.0f * Pi * u2;
        return t_ * (sinTheta * std::cos(phi)) + b_ * (sinTheta * std::sin(phi)) + n_ * cosTheta;
    }

private:
    Vec3 n_, t_, b_;
    float cosMax_, sin2Max_;
    bool cosine_;
};

inline Vec3 sampleCone(Vec3 n, float cosMax, bool cosineWeighted, float u1, float u2)
{
    return ConeSampler(n, cosMax, cosineWeighted)(u1, u2);
}

// A point of the unit disk, uniform over its area. The square is mapped ring by ring onto the disk
// (concentric squares to concentric circles), so that a compact cell of the square stays a compact
// patch of the disk and stratified numbers stay stratified.
inline void sampleDisk(float u1, float u2, float& x, float& y)
{
    const float a = 2.0f * u1 - 1.0f, b = 2.0f * u2 - 1.0f;
    if (a == 0.0f && b == 0.0f) {
        x = y = 0.0f;
        return;
    }
    float r, phi;
    if (std::abs(a) > std::abs(b)) {
        r = a;
        phi = (Pi / 4.0f) * (b / a);
    } else {
        r = b;
        phi = Pi / 2.0f - (Pi / 4.0f) * (a / b);
    }
    x = r * std::cos(phi);
    y = r * std::sin(phi);
}

// A direction within the cone of half-angle with cosine cosMax around the unit axis n (t and b
// completing its frame), uniform over the cone's solid angle, from a point (x, y) of the unit
// disk: the disk's area maps evenly onto the cone, so a compact patch of the disk gives a compact
// bundle of directions.
inline Vec3 coneFromDisk(Vec3 n, Vec3 t, Vec3 b, float cosMax, float x, float y)
{
    const float r2 = x * x + y * y;
    const float cosTheta = 1.0f - r2 * (1.0f - cosMax);
    const float sinTheta = std::sqrt(std::max(0.0f, 1.0f - cosTheta * cosTheta));
    const float r = std::sqrt(r2);
    if (!(r > 0.0f))
        return n;
    return t * (sinTheta * x / r) + b * (sinTheta * y / r) + n * cosTheta;
}

// A permutation of 0..count-1 chosen by key, computed one element at a time without tables:
// a keyed bijection of the enclosing power-of-two range, applied again while it lands outside
// (each element then still lands on exactly one), and a keyed rotation at the end so that every
// element reaches every place equally often over the keys.
class KeyedPermutation {
public:
    KeyedPermutation(uint32_t count, uint64_t key) : count_(std::max(count, 1u))
    {
        mask_ = count_ - 1;
        mask_ |= mask_ >> 1;
        mask_ |= mask_ >> 2;
        mask_ |= mask_ >> 4;
        mask_ |= mask_ >> 8;
        mask_ |= mask_ >> 16;
        uint32_t bits = 0;
        while ((mask_ >> bits) != 0)
            ++bits;
        // Shifts relative to the width so that small ranges are mixed too.
        shift_ = (bits + 1) / 2;
        uint64_t k = key;
        for (int r = 0; r < rounds; ++r) {
            k = mix64(k);
            xors_[r] = static_cast<uint32_t>(k) & mask_;
            factors_[r] = static_cast<uint32_t>(k >> 32) | 1u;  // odd: bijective modulo a power of two
        }
        rotation_ = static_cast<uint32_t>(mix64(k) % count_);
    }
    uint32_t operator()(uint32_t index) const
    {
        if (count_ == 1)
            return 0;
        uint32_t i = index;
        do {
            for (int r = 0; r < rounds; ++r) {
                i ^= xors_[r];
                i = (i * factors_[r]) & mask_;
                i ^= i >> shift_;
            }
        } while (i >= count_);
        return (i + rotation_) % count_;
    }

private:
    static constexpr int rounds = 4;
    uint32_t count_, mask_ = 0, shift_ = 1, rotation_ = 0;
    uint32_t xors_[rounds] = {}, factors_[rounds] = {};
};


// count points over the unit square for one sample point, seeded like Sequence2D: the square is cut
// into a grid of cells and every point lies in its own cell, at a place within the cell chosen so
// that the points also fall into distinct thin columns and rows (multi-jittered). For an edge
// crossing the square (a shadow's border over a light) only the cells it cuts add error, so the
// error shrinks like count^-3/4 instead of the count^-1/2 of independent points.
// A count that splits into columns x rows with rows at most twice the columns fills the whole grid;
// otherwise a keyed choice of count cells of a slightly larger grid is used.
class StratifiedSquare {
public:
    StratifiedSquare(uint32_t count, uint64_t seed)
        : count_(std::max(count, 1u)), key_(seed), cells_(1, 0), across_(1, 0), down_(1, 0)
    {
        columns_ = 1;
        for (uint32_t c = 1; c * c <= count_; ++c)
            if (count_ % c == 0)
                columns_ = c;
        rows_ = count_ / columns_;
        if (rows_ > 2 * columns_) {
            columns_ = static_cast<uint32_t>(std::sqrt(static_cast<double>(count_)));
            rows_ = (count_ + columns_ - 1) / columns_;
        }
        // Thin strips times jitter steps within 2^22 keep every point two float steps off a border.
        constexpr uint32_t resolutionBits = 22;
        uint32_t stripBits = 0;
        while ((uint64_t(1) << stripBits) < uint64_t(columns_) * rows_)
            ++stripBits;
        jitterBits_ = stripBits < resolutionBits ? resolutionBits - stripBits : 0;
        cells_ = KeyedPermutation(columns_ * rows_, seed ^ cellSalt);
        across_ = KeyedPermutation(columns_, seed ^ columnSalt);
        down_ = KeyedPermutation(rows_, seed ^ rowSalt);
    }
    uint32_t columns() const { return columns_; }
    uint32_t rows() const { return rows_; }

    void at(uint32_t index, float& u, float& v) const
    {
        const uint32_t cell = columns_ * rows_ == count_ ? index : cells_(index);
        const uint32_t i = cell % columns_, j = cell / columns_;
        // The place within the thin strip, on a grid fine enough for any light yet coarse enough
        // that rounding to float never moves a point into the next strip.
        const uint64_t jitter = mix64(key_ ^ (uint64_t(index) * 0xD1B54A32D192ED03ull));
        const uint64_t steps = uint64_t(1) << jitterBits_;
        const double strips = static_cast<double>(columns_) * rows_ * static_cast<double>(steps);
        const uint64_t thinColumn = uint64_t(i) * rows_ + down_(j), thinRow = uint64_t(j) * columns_ + across_(i);
        u = static_cast<float>((static_cast<double>(thinColumn * steps + (jitter & (steps - 1))) + 0.5) / strips);
        v = static_cast<float>((static_cast<double>(thinRow * steps + ((jitter >> 32) & (steps - 1))) + 0.5) / strips);
    }

private:
    static constexpr uint64_t cellSalt = 0xC311u, columnSalt = 0xC01Eu, rowSalt = 0x4057u;
    uint32_t count_;
    uint64_t key_;
    uint32_t columns_ = 1, rows_ = 1, jitterBits_ = 0;
    KeyedPermutation cells_, across_, down_;
};

// Points of a rectangle spread evenly over the solid angle it covers as seen from a point (the
// area-preserving map of spherical rectangles): stratified numbers give stratified directions, and
// a near light's bright middle gets no more samples than its grazing rim. Works in double precision:
// small and far rectangles need the angles to many digits.
class SphericalRectangle {
public:
    // An empty rectangle (solid angle 0).
    SphericalRectangle() = default;
    // corner: one corner; edgeX, edgeY: the two perpendicular edges leaving it; from: the viewpoint.
    SphericalRectangle(Vec3 corner, Vec3 edgeX, Vec3 edgeY, Vec3 from)
    {
        const D3 ex{edgeX.x, edgeX.y, edgeX.z}, ey{edgeY.x, edgeY.y, edgeY.z};
        const double lx = std::sqrt(dotD(ex, ex)), ly = std::sqrt(dotD(ey, ey));
        if (!(lx > 0.0) || !(ly > 0.0))
            return;
        from_ = D3{from.x, from.y, from.z};
        x_ = scaleD(ex, 1.0 / lx);
        y_ = scaleD(ey, 1.0 / ly);
        z_ = crossD(x_, y_);
        const D3 d{corner.x - from_.x, corner.y - from_.y, corner.z - from_.z};
        x0_ = dotD(d, x_);
        y0_ = dotD(d, y_);
        z0_ = dotD(d, z_);
        if (z0_ > 0.0) {
            z0_ = -z0_;
            z_ = scaleD(z_, -1.0);
        }
        x1_ = x0_ + lx;
        y1_ = y0_ + ly;
        const D3 v00{x0_, y0_, z0_}, v01{x0_, y1_, z0_}, v10{x1_, y0_, z0_}, v11{x1_, y1_, z0_};
        const D3 n0 = unitD(crossD(v00, v10)), n1 = unitD(crossD(v10, v11)), n2 = unitD(crossD(v11, v01)),
                 n3 = unitD(crossD(v01, v00));
        auto angle = [](D3 a, D3 b) { return std::acos(std::clamp(-dotD(a, b), -1.0, 1.0)); };
        const double g0 = angle(n0, n1), g1 = angle(n1, n2), g2 = angle(n2, n3), g3 = angle(n3, n0);
        b0_ = n0.z;
        b1_ = n2.z;
        k_ = 2.0 * 3.14159265358979323846 - g2 - g3;
        solidAngle_ = g0 + g1 - k_;
        if (!std::isfinite(solidAngle_))
            solidAngle_ = 0.0;
    }
    // Too small or too far to be worth the map (or degenerate): 0.
    double solidAngle() const { return solidAngle_; }

    // The rectangle's point for two uniform numbers.
    Vec3 point(float u, float v) const
    {
        const double au = u * solidAngle_ + k_;
        const double fu = (std::cos(au) * b0_ - b1_) / std::sin(au);
        double cu = (fu > 0.0 ? 1.0 : -1.0) / std::sqrt(fu * fu + b0_ * b0_);
        cu = std::clamp(cu, -1.0 + 1e-12, 1.0 - 1e-12);
        double xu = -(cu * z0_) / std::sqrt(1.0 - cu * cu);
        xu = std::clamp(std::isfinite(xu) ? xu : x0_, x0_, x1_);
        const double d = std::sqrt(xu * xu + z0_ * z0_);
        const double h0 = y0_ / std::sqrt(d * d + y0_ * y0_), h1 = y1_ / std::sqrt(d * d + y1_ * y1_);
        const double hv = h0 + v * (h1 - h0), hv2 = hv * hv;
        double yv = hv2 < 1.0 - 1e-12 ? (hv * d) / std::sqrt(1.0 - hv2) : y1_;
        yv = std::clamp(std::isfinite(yv) ? yv : y1_, y0_, y1_);
        const D3 p{from_.x + xu * x_.x + yv * y_.x + z0_ * z_.x, from_.y + xu * x_.y + yv * y_.y + z0_ * z_.y,
                   from_.z + xu * x_.z + yv * y_.z + z0_ * z_.z};
        return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    }

private:
    struct D3 {
        double x = 0, y = 0, z = 0;
    };
    static double dotD(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    static D3 crossD(D3 a, D3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
    static D3 scaleD(D3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
    static D3 unitD(D3 a)
    {
        const double l = std::sqrt(dotD(a, a));
        return l > 0.0 ? scaleD(a, 1.0 / l) : a;
    }

    D3 from_, x_, y_, z_;
    double x0_ = 0, x1_ = 0, y0_ = 0, y1_ = 0, z0_ = 0;
    double b0_ = 0, b1_ = 0, k_ = 0, solidAngle_ = 0;
};

}  // namespace torvo_renderer
