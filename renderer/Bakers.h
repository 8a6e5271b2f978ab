// The four kinds of bake: textures through UV layouts, mesh vertices, camera images and point
// cloud points. Each computes the pass's values at its sample points in parallel; every sample
// point seeds its own random sequence from its coordinates.
#pragma once

#include "PassValues.h"
#include "PointCloudFiles.h"
#include "Progress.h"
#include "ResultFiles.h"
#include "SceneDocument.h"
#include "StageSettings.h"

#include <cstdint>
#include <vector>

namespace torvo_renderer {

// Texels beyond the baked ones that take the value of the nearest baked texel.
constexpr int dilationTexels = 4;

struct TextureResult {
    int width = 0;
    int height = 0;
    ChannelLayout layout;
    std::vector<float> values;      // layout.size() per texel, row after row
    std::vector<uint8_t> covered;   // per texel
    std::vector<SurfaceRange> ranges;  // when normalized
    uint64_t flatInUV = 0;          // triangles left out for having no area in their UV layout
};

// Bakes one texture target. Progress, when given, runs from 0 to 99 over the work.
TextureResult bakeTexture(const RayScene& rays, const SceneDescription& scene, const TextureTarget& target,
                          const StageSettings& stage, const PassValues& pass, const ChannelLayout& layout,
                          Progress* progress, uint64_t& raysTraced);

struct PointsResult {
    std::vector<CloudPoint> points;
    std::vector<float> values;  // layout.size() per point
};

// One value set per vertex of each surface's mesh, surfaces one after the other.
PointsResult bakeVertices(const RayScene& rays, const SceneDescription& scene, const TextureTarget& target,
                          const PassValues& pass, const ChannelLayout& layout, Progress* progress, uint64_t& raysTraced);

PointsResult bakePoints(std::vector<CloudPoint> points, const PassValues& pass,
                        const ChannelLayout& layout, Progress* progress, uint64_t& raysTraced);

// The camera's image, row 0 at the top.
TextureResult bakeCamera(const RayScene& rays, const SceneCamera& camera, int width, int height,
                         const PassValues& pass, const ChannelLayout& layout, Progress* progress, uint64_t& raysTraced);

// The direction of the camera ray through the centre of pixel (x, y) in camera space, false for
// pixels that show no direction (outside the ball of a ball camera).
bool cameraDirection(const SceneCamera& camera, int width, int height, int x, int y, Vec3& direction);

}  // namespace torvo_renderer
