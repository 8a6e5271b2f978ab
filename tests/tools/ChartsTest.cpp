// Light-map layouts: checked against what any sound layout must satisfy (inside the texture,
// charts apart by the margin, every face with area, flat projections within the chart angle) and
// against packings worked out by hand.
#include "Charts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>

namespace torvobake {
namespace {

constexpr float pi = 3.14159265358979f;

// A cube of side 1 with its 8 corners shared by the faces that meet there.
Mesh sharedCube()
{
    Mesh mesh;
    for (int i = 0; i < 8; ++i) {
        mesh.positions.push_back({float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
        mesh.normals.push_back(normalized(mesh.positions.back() - Vec3{0.5f, 0.5f, 0.5f}));
    }
    // Each face as two triangles, counter-clockwise seen from outside.
    const uint32_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads)
        mesh.indices.insert(mesh.indices.end(), {q[0], q[1], q[2], q[0], q[2], q[3]});
    return mesh;
}

// A flat grid of n x n squares in the XZ plane, 2 units across.
Mesh grid(int n)
{
    Mesh mesh;
    for (int z = 0; z <= n; ++z)
        for (int x = 0; x <= n; ++x) {
            mesh.positions.push_back({2.0f * x / n, 0, 2.0f * z / n});
            mesh.normals.push_back({0, 1, 0});
        }
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const uint32_t a = z * (n + 1) + x, b = a + 1, c = a + n + 1, d = c + 1;
            mesh.indices.insert(mesh.indices.end(), {a, c, d, a, d, b});
        }
    return mesh;
}

// A sphere of radius 1 in rings and segments, vertices shared between neighbouring faces.
Mesh sphere(int rings, int segments)
{
    Mesh mesh;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const float theta = pi * r / rings, phi = 2 * pi * s / segments;
            const Vec3 p{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            mesh.positions.push_back(p);
            mesh.normals.push_back(p);
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const uint32_t a = r * segments + s, b = r * segments + (s + 1) % segments, c = a + segments,
                           d = b + segments;
            if (r > 0)
                mesh.indices.insert(mesh.indices.end(), {a, b, c});
            if (r < rings - 1)
                mesh.indices.insert(mesh.indices.end(), {b, d, c});
        }
    return mesh;
}

Matrix scaling(float x, float y, float z)
{
    Matrix m;
    m.m[0] = x, m.m[5] = y, m.m[10] = z;
    return m;
}

float area2(Vec2 a, Vec2 b, Vec2 c) { return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y); }

struct LayoutCase {
    std::string name;
    std::function<Mesh()> mesh;
    Matrix world;
    int expectedCharts; // 0: not worked out by hand
};

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, ChartsLieApartInsideTheTextureWithEveryFaceFlatWithinTheChartAngle)
{
    const LayoutCase& c = GetParam();
    const Mesh mesh = c.mesh();
    LayoutSettings settings;
    constexpr int side = 256;
    std::vector<Chart> charts = makeCharts(mesh, c.world, settings);
    if (c.expectedCharts) {
        EXPECT_EQ(charts.size(), size_t(c.expectedCharts));
    }
    std::vector<Chart*> all;
    for (Chart& chart : charts)
        all.push_back(&chart);
    const auto density = fitDensity(all, side, side, settings);
    ASSERT_TRUE(density.has_value());

    // Every triangle of the mesh appears once, in exactly one chart.
    size_t triangles = 0;
    for (const Chart& chart : charts)
        triangles += chart.indices.size() / 3;
    EXPECT_EQ(triangles, mesh.indices.size() / 3);

    // The texels each chart touches, and the free margin between any two of them.
    struct Box {
        float x0, y0, x1, y1;
    };
    std::vector<Box> boxes;
    const float minAreaRatio = std::cos(settings.chartAngleDegrees * pi / 180) - 1e-4f;
    for (const Chart& chart : charts) {
        Box box{INFINITY, INFINITY, -INFINITY, -INFINITY};
        std::vector<Vec2> texel;
        for (const Vec2& p : chart.coords) {
            const Vec2 t{chart.x + p.x * chart.density, chart.y + p.y * chart.density};
            texel.push_back(t);
            box = {std::min(box.x0, t.x), std::min(box.y0, t.y), std::max(box.x1, t.x), std::max(box.y1, t.y)};
        }
        ASSERT_GT(box.x0, 0.0f);
        ASSERT_GT(box.y0, 0.0f);
        ASSERT_LT(box.x1, float(side));
        ASSERT_LT(box.y1, float(side));
        boxes.push_back({std::floor(box.x0), std::floor(box.y0), std::ceil(box.x1), std::ceil(box.y1)});
        float sign = 0;
        for (size_t t = 0; t < chart.indices.size(); t += 3) {
            const Vec3 a = c.world.transformPoint(mesh.positions[chart.vertices[chart.indices[t]]]);
            const Vec3 b = c.world.transformPoint(mesh.positions[chart.vertices[chart.indices[t + 1]]]);
            const Vec3 d = c.world.transformPoint(mesh.positions[chart.vertices[chart.indices[t + 2]]]);
            const float world = length(cross(b - a, d - a)) * chart.density * chart.density;
            const float flat = area2(texel[chart.indices[t]], texel[chart.indices[t + 1]], texel[chart.indices[t + 2]]);
            // A flat projection never grows a face, and shrinks it by the cosine of its tilt.
            EXPECT_LE(std::fabs(flat), world * 1.0001f);
            EXPECT_GE(std::fabs(flat), world * minAreaRatio);
            // No face of a chart is folded over the others.
            if (sign == 0)
                sign = flat > 0 ? 1.0f : -1.0f;
            EXPECT_GT(flat * sign, 0.0f);
        }
    }
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& p = boxes[i];
            const Box& q = boxes[j];
            const float gapX = std::max(q.x0 - p.x1, p.x0 - q.x1), gapY = std::max(q.y0 - p.y1, p.y0 - q.y1);
            EXPECT_GE(std::max(gapX, gapY), float(settings.marginTexels)) << "charts " << i << " and " << j;
        }
}

INSTANTIATE_TEST_SUITE_P(Meshes, LayoutTest,
                         testing::Values(LayoutCase{"cube", sharedCube, Matrix{}, 6},
                                         LayoutCase{"flattened_cube", sharedCube, scaling(4, 0.1f, 1), 6},
                                         LayoutCase{"grid", [] { return grid(8); }, Matrix{}, 1},
                                         LayoutCase{"sphere", [] { return sphere(12, 24); }, Matrix{}, 0},
                                         LayoutCase{"stretched_sphere", [] { return sphere(8, 16); }, scaling(3, 1, 1), 0}),
                         [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST(Layout, SharedCornersAreCopiedIntoEachChartTheyBelongTo)
{
    const Mesh cube = sharedCube();
    std::vector<Chart> charts = makeCharts(cube, Matrix{}, LayoutSettings{});
    std::vector<Chart*> all;
    for (Chart& chart : charts)
        all.push_back(&chart);
    ASSERT_TRUE(fitDensity(all, 64, 64, LayoutSettings{}));
    const LightmapMesh joined = joinCharts(charts, 64, 64);
    // 8 corners, each on 3 faces.
    EXPECT_EQ(joined.sourceVertex.size(), 24u);
    EXPECT_EQ(joined.indices.size(), cube.indices.size());
    for (const Vec2& uv : joined.uv) {
        EXPECT_GT(uv.x, 0.0f);
        EXPECT_LT(uv.x, 1.0f);
        EXPECT_GT(uv.y, 0.0f);
        EXPECT_LT(uv.y, 1.0f);
    }
}

TEST(Layout, AFilesOwnSecondUvSetIsKeptAsOneChart)
{
    Mesh quad = grid(1);
    quad.lightmapUv = {{0.1f, 0.1f}, {0.5f, 0.1f}, {0.1f, 0.3f}, {0.5f, 0.3f}};
    std::vector<Chart> charts = makeCharts(quad, Matrix{}, LayoutSettings{});
    ASSERT_EQ(charts.size(), 1u);
    // The quad is 2 x 2 units and covers 0.4 x 0.2 of its uv square: the square spans
    // sqrt(4 / 0.08) units so that its texels are as dense as a generated chart's.
    EXPECT_NEAR(charts[0].width, std::sqrt(4.0f / 0.08f), 1e-4f);
    EXPECT_NEAR(charts[0].coords[1].x - charts[0].coords[0].x, 0.4f * charts[0].width, 1e-4f);
}

// Unit squares packed into 64 x 64 texels with a margin of 2: a chart of density s takes a cell of
// ceil(s) + 1 + 2 texels, so k cells to a side fit while ceil(s) <= 64 / k - 3.
struct PackingCase {
    int squares;
    float bestDensity;
};

void PrintTo(const PackingCase& c, std::ostream* out) { *out << c.squares << " squares"; }

class PackingTest : public testing::TestWithParam<PackingCase> {};

TEST_P(PackingTest, TheDensityFoundIsTheHighestThatFits)
{
    const PackingCase& c = GetParam();
    std::vector<Chart> charts(static_cast<size_t>(c.squares));
    std::vector<Chart*> all;
    for (Chart& chart : charts) {
        chart.coords = {{0, 0}, {1, 0}, {1, 1}};
        chart.indices = {0, 1, 2};
        chart.vertices = {0, 1, 2};
        chart.width = chart.height = 1;
        all.push_back(&chart);
    }
    const auto density = fitDensity(all, 64, 64, LayoutSettings{});
    ASSERT_TRUE(density.has_value());
    EXPECT_NEAR(*density, c.bestDensity, 1e-3f);
    EXPECT_FALSE(packCharts(all, c.bestDensity + 0.01f, 64, 64, LayoutSettings{}));
}

INSTANTIATE_TEST_SUITE_P(Squares, PackingTest,
                         testing::Values(PackingCase{1, 61}, PackingCase{4, 29}, PackingCase{5, 18}, PackingCase{9, 18},
                                         PackingCase{10, 13}),
                         [](const testing::TestParamInfo<PackingCase>& info) {
                             return std::to_string(info.param.squares) + "_squares";
                         });

TEST(Packing, TheSmallestTextureForADensityAndTooManyChartsForAnyDensity)
{
    std::vector<Chart> charts(4);
    std::vector<Chart*> all;
    for (Chart& chart : charts) {
        chart.width = chart.height = 1;
        all.push_back(&chart);
    }
    // Density 10: cells of 13 texels, two by two: 26 texels, rounded up to a multiple of 4.
    EXPECT_EQ(fitSize(all, 10, 1024, LayoutSettings{}), 28);
    EXPECT_FALSE(fitSize(all, 10, 24, LayoutSettings{}).has_value());
    // 4 charts of at least 4 x 4 texels each cannot share 6 x 6 texels.
    EXPECT_FALSE(fitDensity(all, 6, 6, LayoutSettings{}).has_value());
}

} // namespace
} // namespace torvobake

namespace torvobake {
namespace {

struct OverlapCase {
    std::string name;
    std::vector<Vec2> uvs; // three per face
    bool overlaps;
};

void PrintTo(const OverlapCase& c, std::ostream* out) { *out << c.name; }

class OverlapTest : public testing::TestWithParam<OverlapCase> {};

TEST_P(OverlapTest, OverlappingFacesOfAFilesOwnUvsAreFound)
{
    Mesh mesh;
    mesh.lightmapUv = GetParam().uvs;
    for (uint32_t i = 0; i < mesh.lightmapUv.size(); ++i)
        mesh.indices.push_back(i);
    EXPECT_EQ(lightmapUvsOverlap(mesh), GetParam().overlaps);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, OverlapTest,
    testing::Values(
        OverlapCase{"square_in_two_faces", {{0.1f, 0.1f}, {0.9f, 0.1f}, {0.9f, 0.9f}, {0.1f, 0.1f}, {0.9f, 0.9f}, {0.1f, 0.9f}}, false},
        OverlapCase{"corners_touching", {{0, 0}, {0.5f, 0}, {0.5f, 0.5f}, {0.5f, 0.5f}, {1, 0.5f}, {1, 1}}, false},
        OverlapCase{"mirrored_copy", {{0.1f, 0.1f}, {0.9f, 0.1f}, {0.9f, 0.9f}, {0.1f, 0.1f}, {0.9f, 0.9f}, {0.9f, 0.1f}}, true},
        OverlapCase{"face_inside_face", {{0, 0}, {1, 0}, {0, 1}, {0.1f, 0.1f}, {0.3f, 0.1f}, {0.1f, 0.3f}}, true},
        OverlapCase{"crossing_faces", {{0, 0}, {0.6f, 0}, {0, 0.6f}, {0.5f, 0.5f}, {0, 0.5f}, {0.5f, 0}}, true}),
    [](const testing::TestParamInfo<OverlapCase>& info) { return info.param.name; });

} // namespace
} // namespace torvobake
