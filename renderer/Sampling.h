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

// A point of the unit disk, uniform over its area.
inline void sampleDisk(float u1, float u2, float& x, float& y)
{
    const float r = std::sqrt(u1);
    const float phi = 2.0f * Pi * u2;
    x = r * std::cos(phi);
    y = r * std::sin(phi);
}

}  // namespace torvo_renderer
