#include "BakeModel.h"

#include <algorithm>
#include <cmath>

namespace torvobake {

float length(Vec3 v) { return std::sqrt(dot(v, v)); }

Vec3 normalized(Vec3 v)
{
    const float l = length(v);
    return l > 0 ? v * (1.0f / l) : Vec3{};
}

Vec3 Matrix::transformPoint(Vec3 p) const
{
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
            m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

Vec3 Matrix::transformVector(Vec3 v) const
{
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
            m[8] * v.x + m[9] * v.y + m[10] * v.z};
}

Vec3 Matrix::transformNormal(Vec3 n) const
{
    // The inverse transpose of the upper 3x3 is its cofactor matrix (rows: the cross products of
    // the other two rows) over the determinant; the determinant's sign matters (mirroring flips
    // normals) but its size does not.
    const Vec3 r0{m[0], m[1], m[2]}, r1{m[4], m[5], m[6]}, r2{m[8], m[9], m[10]};
    const Vec3 c0 = cross(r1, r2), c1 = cross(r2, r0), c2 = cross(r0, r1);
    const float det = dot(r0, c0);
    if (det == 0 || !std::isfinite(det))
        return n;
    const Vec3 out{dot(c0, n), dot(c1, n), dot(c2, n)};
    return normalized(det < 0 ? out * -1.0f : out);
}

Matrix Matrix::operator*(const Matrix& o) const
{
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k)
                s += m[i * 4 + k] * o.m[k * 4 + j];
            r.m[i * 4 + j] = s;
        }
    return r;
}

Matrix lookAlong(Vec3 origin, Vec3 direction)
{
    const Vec3 z = normalized(direction * -1.0f);
    const Vec3 up = std::fabs(z.y) > 0.999f ? Vec3{0, 0, -1} : Vec3{0, 1, 0};
    const Vec3 x = normalized(cross(up, z));
    const Vec3 y = cross(z, x);
    Matrix r;
    r.m = {x.x, y.x, z.x, origin.x, x.y, y.y, z.y, origin.y, x.z, y.z, z.z, origin.z, 0, 0, 0, 1};
    return r;
}

Bounds worldBounds(const Scene& scene)
{
    Bounds b;
    for (const Instance& instance : scene.instances)
        for (const Vec3& p : scene.meshes[instance.mesh].positions) {
            const Vec3 w = instance.world.transformPoint(p);
            if (b.empty) {
                b.min = b.max = w;
                b.empty = false;
            }
            b.min = {std::min(b.min.x, w.x), std::min(b.min.y, w.y), std::min(b.min.z, w.z)};
            b.max = {std::max(b.max.x, w.x), std::max(b.max.y, w.y), std::max(b.max.z, w.z)};
        }
    return b;
}

} // namespace torvobake
