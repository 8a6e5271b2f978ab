// Light-map layouts: every instance's surface cut into charts of connected triangles that face
// about the same way, each projected flat, and the charts packed into textures without overlap.
#ifndef TORVO_BAKE_CHARTS_H
#define TORVO_BAKE_CHARTS_H

#include "BakeModel.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace torvobake {

// A chart: a piece of one instance's mesh, flat in its own 2D frame (world units, lower corner at
// the origin), and, once packed, its place in a texture.
struct Chart {
    std::vector<uint32_t> vertices; // the mesh vertex of each chart vertex
    std::vector<Vec2> coords;       // each chart vertex in the chart's frame
    std::vector<uint32_t> indices;  // triangles over the chart's vertices
    float width = 0, height = 0;    // extent of coords
    // Placement: texel (x, y) of the chart's origin, texels per world unit, and the texture.
    float x = 0, y = 0, density = 0;
    int texture = 0;
};

struct LayoutSettings {
    // Faces join a chart when their normal is within this angle of the chart's first face: at 45
    // degrees a flat projection stretches texels at most by a factor 1.41 and never folds a face.
    float chartAngleDegrees = 45.0f;
    // Free texels between the texels any two charts touch (the bake covers every texel a face
    // overlaps, so charts closer than this could share texels or bleed into each other when
    // filtered).
    int marginTexels = 2;
};

// Whether faces of the mesh's own light-map uvs overlap: some point of the unit square (tested on a
// grid of gridSide x gridSide points) lies inside two faces.
bool lightmapUvsOverlap(const Mesh& mesh, int gridSide = 512);

// Cuts an instance's mesh (placed by world) into charts. With the mesh's own light-map uvs the
// whole mesh is one chart laid out by them, sized so that its texels are as dense as elsewhere.
std::vector<Chart> makeCharts(const Mesh& mesh, const Matrix& world, const LayoutSettings& settings);

// Packs the charts into one width x height texture at the given texels per world unit (on a
// skyline, tallest first). False when they do not fit; placements are then unspecified.
bool packCharts(std::vector<Chart*>& charts, float density, int width, int height, const LayoutSettings& settings);

// The highest density (texels per world unit) at which the charts fit into width x height, found
// by bisection; nothing when they do not fit even at the smallest size.
std::optional<float> fitDensity(std::vector<Chart*>& charts, int width, int height, const LayoutSettings& settings);

// The smallest square side (a multiple of 4, at most maxSize) that holds the charts at density.
std::optional<int> fitSize(std::vector<Chart*>& charts, float density, int maxSize, const LayoutSettings& settings);

// An instance's mesh as the bake and the glTF file use it: the mesh vertices copied once per chart
// they lie in, each with its light-map uv (0..1 over the texture; v = 0 is the texture's first row).
struct LightmapMesh {
    std::vector<uint32_t> sourceVertex;
    std::vector<Vec2> uv;
    std::vector<uint32_t> indices;
    int texture = 0;
};

// Joins an instance's packed charts (all in the same texture) into its light-map mesh.
LightmapMesh joinCharts(const std::vector<Chart>& charts, int width, int height);

} // namespace torvobake

#endif
