#include "IndirectFilter.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>

namespace torvo_renderer {

namespace {

// Normals closer than this (cosine) count as the same side of a surface: corners and folds sharper
// than about 25 degrees are not smoothed across.
constexpr float sameSide = 0.9f;
// Neighbours further away in the world than this many grid spacings times the radius are taken to
// lie across a seam or a step, whatever their place in the grid.
constexpr float reachFactor = 1.5f;

// The world distance between a point and its nearest grid neighbours on the same surface, the
// largest of the four: the length one grid step covers there (0 for a point standing alone).
float spacingAt(const std::vector<FilterPoint>& points, int width, int height, int x, int y)
{
    const FilterPoint& p = points[size_t(y) * width + x];
    float spacing = 0.0f;
    const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    for (int k = 0; k < 4; ++k) {
        const int nx = x + dx[k], ny = y + dy[k];
        if (nx < 0 || ny < 0 || nx >= width || ny >= height)
            continue;
        const FilterPoint& q = points[size_t(ny) * width + nx];
        if (q.surface != p.surface || dot(p.normal, q.normal) < sameSide)
            continue;
        spacing = std::max(spacing, length(q.position - p.position));
    }
    return spacing;
}

}  // namespace

void smoothIndirect(std::vector<float>& values, size_t count, int width, int height,
                    const std::vector<FilterPoint>& points, int radius)
{
    if (radius <= 0 || count == 0 || width <= 0 || height <= 0)
        return;
    const std::vector<float> source = values;
    tbb::parallel_for(0, height, [&](int y) {
        std::vector<double> sum(count);
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y) * width + x;
            const FilterPoint& p = points[at];
            if (p.surface < 0)
                continue;
            const float spacing = spacingAt(points, width, height, x, y);
            if (!(spacing > 0.0f))
                continue;
            // Gaussian in world distance, its deviation half the radius in grid steps.
            const float sigma = 0.5f * float(radius) * spacing;
            const float reach = reachFactor * float(radius) * spacing;
            const float falloff = 1.0f / (2.0f * sigma * sigma);
            std::fill(sum.begin(), sum.end(), 0.0);
            double total = 0.0;
            for (int ny = std::max(0, y - radius); ny <= std::min(height - 1, y + radius); ++ny)
                for (int nx = std::max(0, x - radius); nx <= std::min(width - 1, x + radius); ++nx) {
                    if ((nx - x) * (nx - x) + (ny - y) * (ny - y) > radius * radius)
                        continue;
                    const size_t n = size_t(ny) * width + nx;
                    const FilterPoint& q = points[n];
                    if (q.surface != p.surface)
                        continue;
                    const float facing = dot(p.normal, q.normal);
                    const float distance = length(q.position - p.position);
                    if (facing < sameSide || distance > reach)
                        continue;
                    const double w = std::exp(-distance * distance * falloff) * facing * facing;
                    total += w;
                    for (size_t c = 0; c < count; ++c)
                        sum[c] += w * source[n * count + c];
                }
            if (total > 0.0)
                for (size_t c = 0; c < count; ++c)
                    values[at * count + c] = static_cast<float>(sum[c] / total);
        }
    });
}

}  // namespace torvo_renderer
