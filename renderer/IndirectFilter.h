// Smooths the indirect light of a grid of sample points (the texels of a light map, the pixels of
// a camera image) over neighbours that lie on the same surface, close by in the world and facing
// the same way. Indirect light changes slowly over a surface, while its estimate from a few hundred
// gather rays per point is grainy: averaging a few dozen neighbours buys the noise of ten thousand
// rays at the cost of blurring it over a few texels.
#pragma once

#include "MathTypes.h"

#include <cstddef>
#include <vector>

namespace torvo_renderer {

struct FilterPoint {
    Vec3 position;
    Vec3 normal;
    int surface = -1;  // -1: no point here (the texel is not baked, the pixel sees nothing)
};

// values: count floats per grid point, width x height points row after row; points: one per grid
// point. Each point's values become the weighted mean over the points within radius grid steps
// that share its surface, weighted by their distance in the world (on the scale of the point's
// own spacing to its neighbours) and the agreement of their normals. Radius 0 leaves values alone.
// Reads only the values as given, so the result does not depend on the order of the work.
void smoothIndirect(std::vector<float>& values, size_t count, int width, int height,
                    const std::vector<FilterPoint>& points, int radius);

}  // namespace torvo_renderer
