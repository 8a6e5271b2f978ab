// Soft shadows: the sample patterns behind them, and penumbrae of square, directional and point
// lights against values integrated independently of the renderer.
#include "RendererFixture.h"
#include "Sampling.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

using namespace rtest;
using torvo_renderer::KeyedPermutation;
using torvo_renderer::SphericalRectangle;
using torvo_renderer::StratifiedSquare;

constexpr double pi = 3.14159265358979323846;

TEST(SamplePatterns, AKeyedPermutationReachesEveryIndexOnce)
{
    for (uint32_t count : {1u, 2u, 3u, 5u, 7u, 8u, 33u, 35u, 64u, 1000u, 4096u})
        for (uint64_t key : {0ull, 1ull, 0x5AD0ull, 0xFFFFFFFFFFFFFFFFull}) {
            SCOPED_TRACE(::testing::Message() << count << " " << key);
            std::vector<int> hits(count, 0);
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t to = KeyedPermutation(count, key)(i);
                ASSERT_LT(to, count);
                ++hits[to];
            }
            EXPECT_TRUE(std::all_of(hits.begin(), hits.end(), [](int h) { return h == 1; }));
        }
}

// For a count that fills its grid, every cell and every thin column and row (the width cut into
// count strips) holds one point; otherwise no cell holds two.
TEST(SamplePatterns, EveryPointHasItsOwnCellAndItsOwnThinColumnAndRow)
{
    struct Case {
        uint32_t count, columns, rows;
    };
    for (const Case c : {Case{1, 1, 1}, Case{2, 1, 2}, Case{16, 4, 4}, Case{32, 4, 8}, Case{48, 6, 8},
                         Case{4096, 64, 64}, Case{7, 2, 4}, Case{33, 5, 7}})
        for (uint64_t seed : {3ull, 0x123456789ull}) {
            SCOPED_TRACE(::testing::Message() << c.count << " " << seed);
            const StratifiedSquare pattern(c.count, seed);
            ASSERT_EQ(pattern.columns(), c.columns);
            ASSERT_EQ(pattern.rows(), c.rows);
            const bool full = c.columns * c.rows == c.count;
            std::vector<int> cells(c.columns * c.rows, 0), thinColumns(c.columns * c.rows, 0),
                thinRows(c.columns * c.rows, 0);
            for (uint32_t s = 0; s < c.count; ++s) {
                float u, v;
                pattern.at(s, u, v);
                ASSERT_GE(u, 0.0f);
                ASSERT_LT(u, 1.0f);
                ASSERT_GE(v, 0.0f);
                ASSERT_LT(v, 1.0f);
                const auto strip = [&](float x, uint32_t n) { return std::min(n - 1, static_cast<uint32_t>(x * n)); };
                ++cells[strip(v, c.rows) * c.columns + strip(u, c.columns)];
                ++thinColumns[strip(u, c.columns * c.rows)];
                ++thinRows[strip(v, c.columns * c.rows)];
            }
            for (const auto* counts : {&cells, &thinColumns, &thinRows})
                for (int n : *counts)
                    EXPECT_EQ(n, full ? 1 : std::min(n, 1)) << "a strip holds " << n;
            if (!full)
                break;
        }
}

// Points spread by solid angle: every one lies on the rectangle, and the share of them on a part of
// it is the part's share of the solid angle (the square 2 x 2 one unit above the point covers
// 4 asin(a b / sqrt((a^2 + d^2) (b^2 + d^2))) = 4 asin(1/2) = 2 pi / 3; each 1 x 1 quarter a quarter).
TEST(SamplePatterns, SphericalRectanglePointsFollowTheSolidAngle)
{
    const SphericalRectangle square({-1, 1, -1}, {2, 0, 0}, {0, 0, 2}, {0, 0, 0});
    EXPECT_NEAR(square.solidAngle(), 2 * pi / 3, 1e-9);
    const int n = 256;
    int inCorner = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const torvo_renderer::Vec3 p = square.point((i + 0.5f) / n, (j + 0.5f) / n);
            ASSERT_NEAR(p.y, 1.0f, 1e-5f);
            ASSERT_GE(p.x, -1.0f - 1e-5f);
            ASSERT_LE(p.x, 1.0f + 1e-5f);
            if (p.x > 0 && p.z > 0)
                ++inCorner;
        }
    EXPECT_NEAR(static_cast<double>(inCorner) / (n * n), 0.25, 0.01);
    // Far off to the side the rectangle covers less, and the map still lands on it.
    const SphericalRectangle side({-1, 1, -1}, {2, 0, 0}, {0, 0, 2}, {5, 0.5f, 3});
    EXPECT_GT(side.solidAngle(), 0.0);
    EXPECT_LT(side.solidAngle(), square.solidAngle());
    const torvo_renderer::Vec3 p = side.point(0.3f, 0.8f);
    EXPECT_NEAR(p.y, 1.0f, 1e-5f);
}

// Form factor of a rectangle in a plane parallel to the receiver, height h above it, with one
// corner straight above the point and sides w and l (the classic corner formula).
double cornerFormFactor(double w, double l, double h)
{
    const double x = w / h, y = l / h;
    const double sx = std::sqrt(1 + x * x), sy = std::sqrt(1 + y * y);
    return (x / sx * std::atan(y / sx) + y / sy * std::atan(x / sy)) / (2 * pi);
}

// The same for the rectangle [x0, x1] x [z0, z1] relative to the point, by adding and taking away
// corner rectangles.
double rectangleFormFactor(double x0, double x1, double z0, double z1, double h)
{
    const auto corner = [h](double x, double z) {
        const double sign = (x < 0 ? -1.0 : 1.0) * (z < 0 ? -1.0 : 1.0);
        return sign * cornerFormFactor(std::abs(x), std::abs(z), h);
    };
    return corner(x1, z1) - corner(x0, z1) - corner(x1, z0) + corner(x0, z0);
}

// The share of a horizontal square light's value that reaches a floor point past an occluder,
// by the midpoint rule over a fine grid of the light (visible(lx, lz) says which light points the
// point sees).
double quadratureFormFactor(double px, double pz, double half, double h,
                            const std::function<bool(double, double)>& visible)
{
    const int n = 1024;
    const double cell = 2 * half / n;
    double sum = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double lx = -half + (i + 0.5) * cell, lz = -half + (j + 0.5) * cell;
            if (!visible(lx, lz))
                continue;
            const double dx = lx - px, dz = lz - pz;
            const double d2 = dx * dx + dz * dz + h * h;
            sum += h * h / (d2 * d2);
        }
    return sum * cell * cell / pi;
}

// A big card at the given height whose edge runs through the origin at the given angle from the z axis;
// it covers the side of the edge where n . p < 0, n = (cos a, 0, -sin a).
Mesh edgeCard(double degrees, float height = 1)
{
    const double a = degrees * pi / 180;
    const double ex = std::sin(a), ez = std::cos(a), nx = std::cos(a), nz = -std::sin(a);
    const float far = 20;
    auto at = [&](double along, double across) {
        return V3{static_cast<float>(along * ex + across * nx), height, static_cast<float>(along * ez + across * nz)};
    };
    Mesh m;
    m.positions = {at(-far, -far), at(far, -far), at(far, 0), at(-far, 0)};
    m.normals.assign(4, {0, 1, 0});
    m.uvs[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    m.triangles = {{0, 2, 1}, {0, 3, 2}};
    return m;
}

constexpr int stripTexels = 64, stripRows = 4;
constexpr float stripHalfWidth = 1.0f, stripHalfDepth = 0.0625f;

double stripX(int x) { return -stripHalfWidth + 2.0 * stripHalfWidth * (x + 0.5) / stripTexels; }
double stripZ(int y) { return -stripHalfDepth + 2.0 * stripHalfDepth * (y + 0.5) / stripRows; }

// A square light of half-size 0.5 two units above a floor strip, half hidden by a card at height 1:
// points of the strip under the card's edge see part of the light. 32 shadow rays per point.
//
// Bound: with independent random rays the seen share p of a point would be off by
// sqrt(p (1 - p) / 32) on average (about 0.07 over a penumbra whose shares run evenly from 0 to 1).
// The rays here lie one in each cell of a 4 x 8 grid over the light, also one in each thin column
// and row, so only the cells the shadow's edge crosses add error, and it shrinks like 32^-3/4
// rather than 32^-1/2: about a third of the random figure for an edge at any angle (the sampling
// error of 128 points and the weighting by each ray's share of the light leave some room). The test
// asks for at most half. An edge along a side of the light is a line of constant u in the light's
// sample square: it crosses one column of cells, whose thin columns hold one ray each, so a point
// is off by at most about one ray's share (1/32, more where the rays' weights differ): 0.3 of the
// random figure is asked there.
class SquareLightPenumbra : public RendererTest {
protected:
    static constexpr double height = 2;
    static constexpr int samples = 32;
    const V3 color{1.0f, 1.0f, 1.0f};
    double half = 0.5;

    Image bake(double edgeDegrees, int threads = 0)
    {
        meshNames.clear();
        sceneParts.clear();
        addMesh("floor", floorQuad(-stripHalfWidth, -stripHalfDepth, stripHalfWidth, stripHalfDepth));
        addMesh("card", edgeCard(edgeDegrees));
        add(instanceXml("floor", "floor"));
        add(instanceXml("card", "card"));
        const Matrix place = translation(0, static_cast<float>(height), 0) *
                             Matrix{static_cast<float>(half), 0, 0, 0, 0, 1, 0, 0, 0, 0, static_cast<float>(half), 0,
                                    0, 0, 0, 1};
        add(lightXml("Area", "panel", areaLightAdjusted(place), color, "", "", true, samples));
        writeStage(textureStage(Pass::Light,
                                textureTargetXml("pass0_target0", stripTexels, stripRows, surfaceXml("floor"))));
        renderOk(threads);
        return result("pass0_target0");
    }
};

TEST_F(SquareLightPenumbra, SharesSeenFollowTheIntegralAndBeatIndependentRays)
{
    // The light of half-size 3 is near and large (sampled by solid angle), the other small. Over the
    // large one the cosine at the floor, each ray's weight, runs from 1 to 0.43, so fewer rays count
    // fully and its bounds are wider.
    struct Edge {
        double half, degrees, bound;  // the bound of the error, over that of independent rays
    };
    for (const Edge edge : {Edge{0.5, 0, 0.3}, Edge{0.5, 30, 0.5}, Edge{3, 0, 0.5}, Edge{3, 30, 0.65}}) {
        const double degrees = edge.degrees;
        half = edge.half;
        SCOPED_TRACE(::testing::Message() << half << " " << degrees);
        const double a = degrees * pi / 180, nx = std::cos(a), nz = -std::sin(a);
        const Image image = bake(degrees);
        double squared = 0, randomSquared = 0, sum = 0;
        int penumbra = 0;
        for (int y = 0; y < stripRows; ++y)
            for (int x = 0; x < stripTexels; ++x) {
                const double px = stripX(x), pz = stripZ(y);
                const double open = rectangleFormFactor(-half - px, half - px, -half - pz, half - pz, height);
                // A ray to light point l crosses the card's height halfway, at (p + l) / 2.
                const double seen = quadratureFormFactor(px, pz, half, height, [&](double lx, double lz) {
                    return nx * (px + lx) + nz * (pz + lz) >= 0;
                });
                const double value = image.at("tpIllumination.R", x, y);
                if (seen < 1e-6) {
                    EXPECT_EQ(value, 0.0) << x << " " << y;
                } else if (seen > open * (1 - 1e-6)) {
                    EXPECT_NEAR(value, open, 1e-4 * open) << x << " " << y;
                } else {
                    const double share = seen / open, error = value / open - share;
                    squared += error * error;
                    sum += error;
                    randomSquared += share * (1 - share) / samples;
                    ++penumbra;
                }
            }
        ASSERT_GT(penumbra, 80);
        const double rms = std::sqrt(squared / penumbra), randomRms = std::sqrt(randomSquared / penumbra);
        EXPECT_LT(rms, edge.bound * randomRms) << "independent rays would be off by " << randomRms;
        EXPECT_LT(std::abs(sum / penumbra), 0.01) << "the shares lean to one side";
    }
}

// The closed form for the whole light, on the strip's unshadowed end, and the same result on one
// thread and on two.
TEST_F(SquareLightPenumbra, IsTheClosedFormWhereOpenAndTheSameOnAnyThreadCount)
{
    const Image two = bake(30, 2);
    const Image one = bake(30, 1);
    EXPECT_EQ(one.channels.at("tpIllumination.R"), two.channels.at("tpIllumination.R"));
    const int x = stripTexels - 1;
    const double px = stripX(x), pz = stripZ(0);
    const double open = rectangleFormFactor(-half - px, half - px, -half - pz, half - pz, height);
    EXPECT_NEAR(one.at("tpIllumination.R", x, 0), open, 1e-4 * open);
    // By hand, a small square seen from d^2 = 0.98^2 + 2^2 away: cos^2 / (pi d^2) = 0.051.
    EXPECT_NEAR(open, 0.050, 0.002);
}

// With one shadow sample a light with a size casts the hard shadow of its centre, the same for
// every point, rather than a random ray per point that would turn the penumbra into noise.
TEST_F(RendererTest, OneShadowSampleCastsTheHardShadowOfTheLightsCentre)
{
    struct Case {
        std::string type, soft, hard;
    };
    const Matrix down = translation(0, 3, 0) * rotationX(static_cast<float>(-pi / 2));
    const Matrix sunDown = rotationX(static_cast<float>(-pi / 2));
    for (const Case& c :
         {Case{"Point", "<PointLightShadowRadius>0.3</PointLightShadowRadius>",
               "<PointLightShadowRadius>0</PointLightShadowRadius>"},
          Case{"Directional", "<DirectionalLightShadowAngle>8</DirectionalLightShadowAngle>",
               "<DirectionalLightShadowAngle>0</DirectionalLightShadowAngle>"}}) {
        SCOPED_TRACE(c.type);
        std::vector<float> values[2];
        for (int soft = 0; soft < 2; ++soft) {
            meshNames.clear();
            sceneParts.clear();
            addMesh("floor", floorQuad(-2, -2, 2, 2));
            addMesh("card", floorQuad(-0.5f, -0.5f, 0.5f, 0.5f, 1.0f));
            add(instanceXml("floor", "floor"));
            add(instanceXml("card", "card"));
            add(lightXml(c.type, "light", c.type == "Point" ? down : sunDown, {1, 1, 1}, soft ? c.soft : c.hard, "",
                         true, 1));
            writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", 32, 32, surfaceXml("floor"))));
            renderOk();
            values[soft] = result("pass0_target0").channels.at("tpIllumination.R");
        }
        EXPECT_EQ(values[0], values[1]);
        // The card's shadow is there (a sixteenth of the floor straight below it, more from the bulb).
        EXPECT_GE(std::count(values[1].begin(), values[1].end(), 0.0f), 32 * 32 / 16);
    }
}

// The sun's penumbra behind a straight edge h above the floor: a point at distance x past the
// line under the edge sees the part of the sun's disk (angular radius r) beyond a chord at
// t = x / (h tan r) of its radius: share = (acos(-t) + t sqrt(1 - t^2)) / pi. (Seen through the
// edge's plane the sun's cone is exactly a disk of radius h tan r; its density there falls by
// cos^3 towards the rim, under 0.4% for r = 5 degrees.) 64 rays, the error well below that of
// independent rays (see the square light's bound).
TEST_F(RendererTest, TheSunsPenumbraFollowsTheCircularSegment)
{
    const double degrees = 10, h = 3, reach = h * std::tan(degrees / 2 * pi / 180);
    addMesh("floor", floorQuad(-1, -stripHalfDepth, 1, stripHalfDepth));
    addMesh("card", edgeCard(0, static_cast<float>(h)));
    add(instanceXml("floor", "floor"));
    add(instanceXml("card", "card"));
    const int samples = 64;
    add(lightXml("Directional", "sun", rotationX(static_cast<float>(-pi / 2)), {1, 1, 1},
                 "<DirectionalLightShadowAngle>" + number(static_cast<float>(degrees)) +
                     "</DirectionalLightShadowAngle>",
                 "", true, samples));
    writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", stripTexels, stripRows, surfaceXml("floor"))));
    renderOk();
    const Image image = result("pass0_target0");
    double squared = 0, randomSquared = 0;
    int penumbra = 0;
    for (int y = 0; y < stripRows; ++y)
        for (int x = 0; x < stripTexels; ++x) {
            // The card covers x < 0; the sun stands straight above.
            const double t = stripX(x) / reach;
            const double share = t <= -1 ? 0.0 : t >= 1 ? 1.0 : (std::acos(-t) + t * std::sqrt(1 - t * t)) / pi;
            const double value = image.at("tpIllumination.R", x, y);
            if (share == 0.0 || share == 1.0) {
                EXPECT_EQ(value, share) << x;
                continue;
            }
            squared += (value - share) * (value - share);
            randomSquared += share * (1 - share) / samples;
            ++penumbra;
        }
    ASSERT_GT(penumbra, 40);
    EXPECT_LT(std::sqrt(squared / penumbra), 0.5 * std::sqrt(randomSquared / penumbra));
}

}  // namespace
