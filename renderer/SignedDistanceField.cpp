#include "SignedDistanceField.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace torvo_renderer {

namespace {

constexpr float litThreshold = 0.5f;
constexpr double infinity = std::numeric_limits<double>::infinity();

// Squared distances along one line to the nearest feature (f = 0 at features, a number above
// every squared distance elsewhere): the lower envelope of parabolas rooted at every sample.
void distanceLine(const double* f, size_t n, size_t stride, double* out, std::vector<size_t>& v,
                  std::vector<double>& z)
{
    v.assign(n, 0);
    z.assign(n + 1, 0);
    size_t k = 0;
    z[0] = -infinity;
    z[1] = infinity;
    auto crossing = [&](size_t q, size_t p) {
        return ((f[q * stride] + double(q) * double(q)) - (f[p * stride] + double(p) * double(p))) /
               (2.0 * double(q) - 2.0 * double(p));
    };
    for (size_t q = 1; q < n; ++q) {
        double s = crossing(q, v[k]);
        while (s <= z[k]) {
            --k;
            s = crossing(q, v[k]);
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = infinity;
    }
    k = 0;
    for (size_t q = 0; q < n; ++q) {
        while (z[k + 1] < double(q))
            ++k;
        const double d = double(q) - double(v[k]);
        out[q * stride] = d * d + f[v[k] * stride];
    }
}

// Squared Euclidean distance from every texel to the nearest texel where feature is true.
std::vector<double> squaredDistances(const std::vector<bool>& feature, size_t width, size_t height)
{
    // Above every squared distance within the image, and small enough to keep its precision.
    const double none = 4.0 * double(width + height) * double(width + height) + 1.0;
    std::vector<double> grid(width * height), columns(width * height);
    for (size_t i = 0; i < grid.size(); ++i)
        grid[i] = feature[i] ? 0.0 : none;
    std::vector<size_t> v;
    std::vector<double> z;
    for (size_t x = 0; x < width; ++x)
        distanceLine(grid.data() + x, height, width, columns.data() + x, v, z);
    for (size_t y = 0; y < height; ++y)
        distanceLine(columns.data() + y * width, width, 1, grid.data() + y * width, v, z);
    return grid;
}

}  // namespace

float distanceFieldRange(const DistanceFieldSettings& settings)
{
    float range = settings.filterPixels > 0 ? float(settings.filterPixels) : std::numeric_limits<float>::max();
    if (settings.maxWorldDistance > 0 && settings.texelWorldSize > 0)
        range = std::min(range, settings.maxWorldDistance / settings.texelWorldSize);
    if (range == std::numeric_limits<float>::max())
        range = 1;
    return std::max(range, 0.5f);
}

std::vector<float> signedDistanceField(const std::vector<float>& visibility, int width, int height,
                                       const DistanceFieldSettings& settings)
{
    const size_t w = static_cast<size_t>(std::max(width, 0)), h = static_cast<size_t>(std::max(height, 0));
    std::vector<float> field(w * h, 1.0f);
    if (field.empty() || visibility.size() < field.size())
        return field;
    std::vector<bool> lit(field.size()), shadow(field.size());
    bool anyLit = false, anyShadow = false;
    for (size_t i = 0; i < field.size(); ++i) {
        lit[i] = visibility[i] >= litThreshold;  // NaN counts as shadow
        shadow[i] = !lit[i];
        anyLit = anyLit || lit[i];
        anyShadow = anyShadow || shadow[i];
    }
    if (!anyLit || !anyShadow) {
        std::fill(field.begin(), field.end(), anyLit ? 1.0f : 0.0f);
        return field;
    }
    const std::vector<double> toShadow = squaredDistances(shadow, w, h);
    const std::vector<double> toLight = squaredDistances(lit, w, h);
    const double range = distanceFieldRange(settings);
    for (size_t i = 0; i < field.size(); ++i) {
        const double d = lit[i] ? std::sqrt(toShadow[i]) - 0.5 : 0.5 - std::sqrt(toLight[i]);
        field[i] = static_cast<float>(std::clamp(0.5 + d / (2.0 * range), 0.0, 1.0));
    }
    return field;
}

}  // namespace torvo_renderer
