// The gutter fill of the PNG maps, on pictures small enough to work out by hand.
#include "ImageFiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace torvobake {
namespace {

constexpr int channels = 4;

struct Texel {
    float r, g, b, a;
};

std::vector<float> picture(int width, int height, const std::vector<std::pair<int, Texel>>& covered)
{
    std::vector<float> rgba(static_cast<size_t>(width) * height * channels, 0.0f);
    for (const auto& [index, texel] : covered) {
        rgba[index * channels + 0] = texel.r;
        rgba[index * channels + 1] = texel.g;
        rgba[index * channels + 2] = texel.b;
        rgba[index * channels + 3] = texel.a;
    }
    return rgba;
}

float red(const std::vector<float>& rgba, int width, int x, int y)
{
    return rgba[(y * width + x) * channels];
}

TEST(GutterFill, RingsTakeTheMeanOfTheirCoveredNeighbours)
{
    // One row of 7: covered texels at 1 (red 0.2) and 5 (red 0.8). Ring 1 fills 0 and 2 from 1,
    // 4 and 6 from 5; ring 2 fills 3 from 2 and 4: (0.2 + 0.8) / 2.
    const int width = 7;
    std::vector<float> rgba = picture(width, 1, {{1, {0.2f, 0, 0, 1}}, {5, {0.8f, 0, 0, 1}}});
    fillGutters(rgba, width, 1, gutterFillRings);
    const float expected[width] = {0.2f, 0.2f, 0.2f, 0.5f, 0.8f, 0.8f, 0.8f};
    for (int x = 0; x < width; ++x)
        EXPECT_FLOAT_EQ(red(rgba, width, x, 0), expected[x]) << "texel " << x;
    // Coverage is kept: the filled texels still read as not baked.
    for (int x : {0, 2, 3, 4, 6})
        EXPECT_EQ(rgba[x * channels + 3], 0.0f) << "texel " << x;
}

TEST(GutterFill, StopsAfterTheGivenRingsAndLeavesCoveredTexels)
{
    // 5 x 5 with the centre covered (colour 1, 0.5, 0.25): one ring colours the 3 x 3 around it,
    // the border stays black.
    const int side = 5;
    std::vector<float> rgba = picture(side, side, {{12, {1.0f, 0.5f, 0.25f, 1}}});
    fillGutters(rgba, side, side, 1);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool inner = x >= 1 && x <= 3 && y >= 1 && y <= 3;
            const size_t i = (y * side + x) * channels;
            EXPECT_FLOAT_EQ(rgba[i + 0], inner ? 1.0f : 0.0f) << x << "," << y;
            EXPECT_FLOAT_EQ(rgba[i + 1], inner ? 0.5f : 0.0f) << x << "," << y;
            EXPECT_FLOAT_EQ(rgba[i + 2], inner ? 0.25f : 0.0f) << x << "," << y;
        }
    }
    EXPECT_FLOAT_EQ(rgba[12 * channels + 3], 1.0f);
}

TEST(GutterFill, NothingCoveredStaysAsItIs)
{
    std::vector<float> rgba = picture(3, 2, {});
    rgba[0] = 0.7f;  // an uncovered value, as the renderer may leave one
    const std::vector<float> before = rgba;
    fillGutters(rgba, 3, 2, gutterFillRings);
    EXPECT_EQ(rgba, before);
}

} // namespace
} // namespace torvobake
