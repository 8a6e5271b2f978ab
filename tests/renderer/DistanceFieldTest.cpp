// Distance fields of shadow maps against half-plane shadows, whose distances are known in closed
// form.
#include "SignedDistanceField.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using torvo_renderer::DistanceFieldSettings;
using torvo_renderer::signedDistanceField;

// Lit from column 32 on: the edge lies at x = 32, texel x's centre at x + 0.5.
std::vector<float> verticalEdge(int width, int height)
{
    std::vector<float> v(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            v[size_t(y) * width + x] = x >= 32 ? 1.0f : 0.0f;
    return v;
}

TEST(DistanceField, StraightEdgeGivesTheDistanceOverTheRange)
{
    struct Case {
        const char* what;
        DistanceFieldSettings settings;
        std::vector<std::pair<int, float>> expected;  // column, value
    };
    const Case cases[] = {
        // r = 8: 0.5 + d / 16.
        {"filter size alone", {8, 0, 0}, {{32, 0.53125f}, {35, 0.71875f}, {31, 0.46875f}, {24, 0.03125f}, {50, 1.0f}}},
        // r = min(8, 0.3 / 0.1) = 3: 0.5 + d / 6.
        {"world distance closer than the filter", {8, 0.3f, 0.1f}, {{33, 0.75f}, {30, 0.25f}, {35, 1.0f}, {28, 0.0f}}},
        {"world distance without a texel size", {8, 0.3f, 0}, {{35, 0.71875f}}},
        {"nothing known: one texel", {0, 0, 0}, {{32, 0.75f}, {31, 0.25f}, {33, 1.0f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<float> field = signedDistanceField(verticalEdge(64, 4), 64, 4, c.settings);
        for (auto [x, value] : c.expected)
            for (int y = 0; y < 4; ++y)
                EXPECT_NEAR(field[size_t(y) * 64 + x], value, 1e-6) << x;
    }
}

TEST(DistanceField, TiltedHalfPlaneMatchesTheDistanceToItsEdgeWithinATexel)
{
    const int size = 96;
    const float range = 12;
    for (float degrees : {17.0f, 45.0f, 71.0f, 130.0f}) {
        SCOPED_TRACE(degrees);
        const float a = degrees * 3.14159265f / 180;
        const float nx = std::cos(a), ny = std::sin(a);
        auto lineDistance = [&](int x, int y) { return (x + 0.5f - 48.3f) * nx + (y + 0.5f - 47.6f) * ny; };
        std::vector<float> visibility(size_t(size) * size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                visibility[size_t(y) * size + x] = lineDistance(x, y) >= 0 ? 1.0f : 0.0f;
        const std::vector<float> field = signedDistanceField(visibility, size, size, {int(range), 0, 0});
        double error = 0;
        int counted = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const float truth = lineDistance(x, y);
                const float value = field[size_t(y) * size + x];
                EXPECT_EQ(value >= 0.5f, truth >= 0) << x << " " << y;
                // The edge is only known to the texels: it lies within a texel of the true line,
                // and half a texel on average. Near the border the nearest texel across the edge
                // may lie outside the image.
                const bool inner = x >= range && y >= range && x < size - range && y < size - range;
                if (inner && std::fabs(truth) < range - 1) {
                    const float decoded = (value - 0.5f) * 2 * range;
                    EXPECT_NEAR(decoded, truth, 1.0f) << x << " " << y;
                    error += std::fabs(decoded - truth);
                    ++counted;
                }
            }
        EXPECT_LT(error / counted, 0.5);
    }
}

// The exact transform against the nearest texel of the other kind searched texel by texel.
TEST(DistanceField, ScatteredShadowsGiveTheNearestTexelOfTheOtherKind)
{
    const int w = 23, h = 17;
    std::vector<float> visibility(size_t(w) * h);
    uint32_t state = 12345;
    for (float& v : visibility) {
        state = state * 1664525u + 1013904223u;
        v = (state >> 24) % 5 == 0 ? 1.0f : 0.2f;
    }
    const float range = 40;
    const std::vector<float> field = signedDistanceField(visibility, w, h, {int(range), 0, 0});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool lit = visibility[size_t(y) * w + x] >= 0.5f;
            double nearest = 1e9;
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i)
                    if ((visibility[size_t(j) * w + i] >= 0.5f) != lit)
                        nearest = std::min(nearest, std::hypot(double(i - x), double(j - y)));
            const double d = lit ? nearest - 0.5 : 0.5 - nearest;
            EXPECT_NEAR(field[size_t(y) * w + x], 0.5 + d / (2 * range), 1e-6) << x << " " << y;
        }
}

TEST(DistanceField, MapsWithoutAnEdgeAreAllLightOrAllShadow)
{
    EXPECT_EQ(signedDistanceField(std::vector<float>(12, 0.7f), 4, 3, {4, 0, 0}), std::vector<float>(12, 1.0f));
    EXPECT_EQ(signedDistanceField(std::vector<float>(12, 0.2f), 4, 3, {4, 0, 0}), std::vector<float>(12, 0.0f));
}

}  // namespace
