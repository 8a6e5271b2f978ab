// Small vector and matrix types. Matrices are 16 floats stored row after row and act on column
// vectors, so the translation lies in elements 3, 7 and 11.
#pragma once

#include <cmath>

namespace torvo_renderer {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline Vec3 operator*(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline Vec3& operator+=(Vec3& a, Vec3 b) { return a = a + b; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline bool isFinite(Vec3 a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

// The unit vector along a, or fallback when a has no usable direction.
inline Vec3 normalizedOr(Vec3 a, Vec3 fallback)
{
    const float l = length(a);
    if (!(l > 0.0f) || !std::isfinite(l))
        return fallback;
    return a * (1.0f / l);
}

// Two unit vectors completing n (unit) to a right-handed orthonormal frame.
inline void orthonormalBasis(Vec3 n, Vec3& t, Vec3& b)
{
    const float sign = std::copysign(1.0f, n.z);
    const float a = -1.0f / (sign + n.z);
    const float c = n.x * n.y * a;
    t = {1.0f + sign * n.x * n.x * a, sign * c, -sign * n.x};
    b = {c, sign + n.y * n.y * a, -n.y};
}

struct Mat4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    Vec3 point(Vec3 p) const
    {
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
    }
    Vec3 direction(Vec3 d) const
    {
        return {m[0] * d.x + m[1] * d.y + m[2] * d.z, m[4] * d.x + m[5] * d.y + m[6] * d.z,
                m[8] * d.x + m[9] * d.y + m[10] * d.z};
    }
    Vec3 translation() const { return {m[3], m[7], m[11]}; }
    Vec3 column(int c) const { return {m[c], m[4 + c], m[8 + c]}; }
    float determinant3() const { return dot(column(0), cross(column(1), column(2))); }
};

// Carries surface normals through a transform: the inverse transpose of its upper 3 x 3 part,
// up to a positive factor (the cofactor matrix with the determinant's sign), so mirroring
// transforms keep normals on the outside and flat transforms still give a direction.
struct NormalTransform {
    Vec3 columns[3];  // of the inverse transpose, scaled

    explicit NormalTransform(const Mat4& a)
    {
        const Vec3 c0 = a.column(0), c1 = a.column(1), c2 = a.column(2);
        const float sign = a.determinant3() < 0.0f ? -1.0f : 1.0f;
        columns[0] = cross(c1, c2) * sign;
        columns[1] = cross(c2, c0) * sign;
        columns[2] = cross(c0, c1) * sign;
    }
    Vec3 operator()(Vec3 n) const
    {
        return columns[0] * n.x + columns[1] * n.y + columns[2] * n.z;
    }
};

constexpr float Pi = 3.14159265358979323846f;

}  // namespace torvo_renderer
