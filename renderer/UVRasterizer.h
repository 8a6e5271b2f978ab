// Finds, for every texel of a texture, the surface point it shows: the triangles of each surface
// are drawn in their UV layout with conservative coverage, so every texel a triangle touches
// gets a point, however thin or small the triangle.
#pragma once

#include "MeshData.h"
#include "RayScene.h"

#include <cstdint>
#include <vector>

namespace torvo_renderer {

// One surface drawn into the texture: an instance through one of its mesh's UV layers, with
// uv' = uv * scale + bias.
struct UVSurface {
    int instance = -1;
    int uvLayer = 0;
    float scale[2] = {1, 1};
    float bias[2] = {0, 0};
};

// The point a texel shows; surface -1 for texels no triangle touches.
struct TexelSample {
    int32_t surface = -1;
    uint32_t primitive = 0;
    float b1 = 0, b2 = 0;
};

struct RasterResult {
    std::vector<TexelSample> texels;  // row after row; row y covers v from y / height to (y + 1) / height
    uint64_t flatInUV = 0;            // triangles with no area in their UV layout, left out
};

// Texels whose centre lies in a triangle take the point under the centre; texels a triangle only
// partly covers take the triangle's point nearest the centre. Among several candidates a texel
// keeps the one covering its centre, then the nearest, then the first drawn. Throws RenderError
// for UVs that are not finite numbers.
RasterResult rasterizeSurfaces(const RayScene& rays, const std::vector<UVSurface>& surfaces, int width, int height);

// Texels up to radius texels away from every covered texel take all values of the nearest
// covered texel (ties: the first in a fixed order of offsets); covered tells which texels hold
// values. sourceOf, when given, receives the covered texel each filled texel copied.
void dilate(std::vector<float>& values, size_t channels, int width, int height, const std::vector<uint8_t>& covered,
            int radius, std::vector<int32_t>* sourceOf = nullptr);

// Barycentrics (b1, b2) of the point of triangle (a, b, c) nearest to p, in two dimensions.
void closestOnTriangle(const float p[2], const float a[2], const float b[2], const float c[2], float& b1, float& b2);

}  // namespace torvo_renderer
