#include "UVRasterizer.h"

#include "RenderError.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace torvo_renderer {

namespace {

enum Priority : uint8_t { CentreInside = 0, PartlyCovered = 1, Untouched = 2 };

inline float cross2(float ax, float ay, float bx, float by)
{
    return ax * by - ay * bx;
}

}  // namespace

void closestOnTriangle(const float p[2], const float a[2], const float b[2], const float c[2], float& b1, float& b2)
{
    auto dot2 = [](const float* u, const float* v) { return u[0] * v[0] + u[1] * v[1]; };
    const float ab[2] = {b[0] - a[0], b[1] - a[1]};
    const float ac[2] = {c[0] - a[0], c[1] - a[1]};
    const float ap[2] = {p[0] - a[0], p[1] - a[1]};
    const float d1 = dot2(ab, ap), d2 = dot2(ac, ap);
    if (d1 <= 0 && d2 <= 0) {
        b1 = b2 = 0;
        return;
    }
    const float bp[2] = {p[0] - b[0], p[1] - b[1]};
    const float d3 = dot2(ab, bp), d4 = dot2(ac, bp);
    if (d3 >= 0 && d4 <= d3) {
        b1 = 1;
        b2 = 0;
        return;
    }
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) {
        b1 = d1 / (d1 - d3);
        b2 = 0;
        return;
    }
    const float cp[2] = {p[0] - c[0], p[1] - c[1]};
    const float d5 = dot2(ab, cp), d6 = dot2(ac, cp);
    if (d6 >= 0 && d5 <= d6) {
        b1 = 0;
        b2 = 1;
        return;
    }
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) {
        b1 = 0;
        b2 = d2 / (d2 - d6);
        return;
    }
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
        b2 = (d4 - d3) / ((d4 - d3) + (d5 - d6));
        b1 = 1 - b2;
        return;
    }
    const float denominator = 1 / (va + vb + vc);
    b1 = vb * denominator;
    b2 = vc * denominator;
}

RasterResult rasterizeSurfaces(const RayScene& rays, const std::vector<UVSurface>& surfaces, int width, int height)
{
    RasterResult result;
    const size_t texelCount = size_t(width) * size_t(height);
    result.texels.assign(texelCount, TexelSample{});
    std::vector<uint8_t> priority(texelCount, Untouched);
    std::vector<float> distance(texelCount, std::numeric_limits<float>::infinity());

    for (size_t s = 0; s < surfaces.size(); ++s) {
        const UVSurface& surface = surfaces[s];
        const InstanceGeometry& geometry = rays.instances()[static_cast<size_t>(surface.instance)];
        const MeshData& mesh = *geometry.mesh;
        const std::vector<MeshUV>& uvs = mesh.uvLayers[static_cast<size_t>(surface.uvLayer)];
        for (uint32_t primitive = 0; primitive < geometry.triangles.size(); ++primitive) {
            const uint32_t* corners = &mesh.indices[size_t(geometry.triangles[primitive]) * 3];
            float P[3][2];
            for (int k = 0; k < 3; ++k) {
                const MeshUV& uv = uvs[corners[k]];
                if (!std::isfinite(uv.u) || !std::isfinite(uv.v))
                    throw badInput("Mesh file " + mesh.path.string() + ": vertex " + std::to_string(corners[k]) +
                                   " has a UV that is not a finite number");
                P[k][0] = (uv.u * surface.scale[0] + surface.bias[0]) * static_cast<float>(width);
                P[k][1] = (uv.v * surface.scale[1] + surface.bias[1]) * static_cast<float>(height);
            }
            const float area2 = cross2(P[1][0] - P[0][0], P[1][1] - P[0][1], P[2][0] - P[0][0], P[2][1] - P[0][1]);
            if (!(std::abs(area2) > 0.0f) || !std::isfinite(area2)) {
                ++result.flatInUV;
                continue;
            }
            const float sign = area2 > 0 ? 1.0f : -1.0f;
            const float twiceArea = std::abs(area2);
            const float minX = std::min({P[0][0], P[1][0], P[2][0]}), maxX = std::max({P[0][0], P[1][0], P[2][0]});
            const float minY = std::min({P[0][1], P[1][1], P[2][1]}), maxY = std::max({P[0][1], P[1][1], P[2][1]});
            // Texels whose square overlaps the bounding box with some area; clamped before the
            // conversion, since UVs may lie anywhere.
            auto texelIndex = [](float value, int limit) {
                return static_cast<int>(std::clamp(value, 0.0f, static_cast<float>(limit)));
            };
            const int x0 = texelIndex(std::floor(minX), width);
            const int x1 = texelIndex(std::ceil(maxX), width) - 1;
            const int y0 = texelIndex(std::floor(minY), height);
            const int y1 = texelIndex(std::ceil(maxY), height) - 1;
            float edgeX[3], edgeY[3], reach[3];
            for (int e = 0; e < 3; ++e) {
                edgeX[e] = P[(e + 1) % 3][0] - P[e][0];
                edgeY[e] = P[(e + 1) % 3][1] - P[e][1];
                // How far the edge function can grow from a texel's centre to its farthest corner.
                reach[e] = 0.5f * (std::abs(edgeX[e]) + std::abs(edgeY[e]));
            }
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    const float c[2] = {x + 0.5f, y + 0.5f};
                    float e[3];
                    bool overlaps = true, inside = true;
                    for (int k = 0; k < 3; ++k) {
                        e[k] = sign * cross2(edgeX[k], edgeY[k], c[0] - P[k][0], c[1] - P[k][1]);
                        overlaps = overlaps && e[k] + reach[k] > 0.0f;
                        inside = inside && e[k] >= 0.0f;
                    }
                    if (!overlaps)
                        continue;
                    const size_t texel = size_t(y) * width + x;
                    TexelSample candidate{static_cast<int32_t>(s), primitive, 0, 0};
                    uint8_t rank;
                    float away = 0;
                    if (inside) {
                        rank = CentreInside;
                        candidate.b1 = e[2] / twiceArea;
                        candidate.b2 = e[0] / twiceArea;
                    } else {
                        rank = PartlyCovered;
                        closestOnTriangle(c, P[0], P[1], P[2], candidate.b1, candidate.b2);
                        const float b0 = 1 - candidate.b1 - candidate.b2;
                        const float qx = P[0][0] * b0 + P[1][0] * candidate.b1 + P[2][0] * candidate.b2;
                        const float qy = P[0][1] * b0 + P[1][1] * candidate.b1 + P[2][1] * candidate.b2;
                        away = (qx - c[0]) * (qx - c[0]) + (qy - c[1]) * (qy - c[1]);
                    }
                    if (rank < priority[texel] || (rank == priority[texel] && away < distance[texel])) {
                        priority[texel] = rank;
                        distance[texel] = away;
                        result.texels[texel] = candidate;
                    }
                }
            }
        }
    }
    return result;
}

void dilate(std::vector<float>& values, size_t channels, int width, int height, const std::vector<uint8_t>& covered,
            int radius, std::vector<int32_t>* sourceOf)
{
    struct Offset {
        int dx, dy;
    };
    std::vector<Offset> offsets;
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if ((dx != 0 || dy != 0) && dx * dx + dy * dy <= radius * radius)
                offsets.push_back({dx, dy});
    std::stable_sort(offsets.begin(), offsets.end(), [](const Offset& a, const Offset& b) {
        return a.dx * a.dx + a.dy * a.dy < b.dx * b.dx + b.dy * b.dy;
    });
    if (sourceOf)
        sourceOf->assign(size_t(width) * height, -1);
    // Filled texels are never read and covered texels never written, so rows can go in parallel.
    tbb::parallel_for(0, height, [&](int y) {
        for (int x = 0; x < width; ++x) {
            const size_t texel = size_t(y) * width + x;
            if (covered[texel])
                continue;
            for (const Offset& o : offsets) {
                const int sx = x + o.dx, sy = y + o.dy;
                if (sx < 0 || sy < 0 || sx >= width || sy >= height)
                    continue;
                const size_t source = size_t(sy) * width + sx;
                if (!covered[source])
                    continue;
                std::copy_n(&values[source * channels], channels, &values[texel * channels]);
                if (sourceOf)
                    (*sourceOf)[texel] = static_cast<int32_t>(source);
                break;
            }
        }
    });
}

}  // namespace torvo_renderer
