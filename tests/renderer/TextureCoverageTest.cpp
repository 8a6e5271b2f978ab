// Which texels a texture bake fills: conservative coverage of thin and small triangles, the
// gutter around the surfaces, the UV layer and UV transform, and results that do not depend on
// the number of threads.
#include "RendererFixture.h"

#include <cmath>

namespace {

using namespace rtest;


// A triangle of the floor plane with the given UVs.
Mesh uvTriangle(std::array<float, 2> a, std::array<float, 2> b, std::array<float, 2> c)
{
    Mesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}};
    m.normals.assign(3, {0, 1, 0});
    m.uvs[0] = {a, b, c};
    m.triangles = {{0, 2, 1}};
    return m;
}

TEST_F(RendererTest, ThinAndSmallTrianglesCoverEveryTexelTheyTouch)
{
    // A sliver one sixtieth of a texel high from column 1 to column 30, and a triangle a fifth of
    // a texel wide inside texel (5, 25) that does not reach the texel's centre.
    addMesh("sliver", uvTriangle({0.05f, 0.5f}, {0.95f, 0.5005f}, {0.95f, 0.5f}));
    addMesh("speck", uvTriangle({5.1f / 32, 25.1f / 32}, {5.3f / 32, 25.1f / 32}, {5.1f / 32, 25.3f / 32}));
    // UVs far outside the texture touch nothing.
    addMesh("far", uvTriangle({1e8f, -2e8f}, {2e8f, -2e8f}, {1e8f, -1e8f}));
    add(instanceXml("sliver", "sliver"));
    add(instanceXml("speck", "speck"));
    add(instanceXml("far", "far"));
    writeStage(textureStage(Pass::Normals, textureTargetXml("pass0_target0", 32, 32, surfaceXml("sliver")) +
                                               textureTargetXml("pass0_target1", 32, 32, surfaceXml("speck")) +
                                               textureTargetXml("pass0_target2", 32, 32, surfaceXml("far"))));
    renderOk();
    const Image far = result("pass0_target2");
    for (float a : far.channels.at("tpNormals.A"))
        EXPECT_EQ(a, 0.0f);
    const Image sliver = result("pass0_target0");
    for (int x = 0; x < 32; ++x) {
        const bool touched = x >= 1 && x <= 30;  // u from 0.05 * 32 = 1.6 to 0.95 * 32 = 30.4
        for (int y = 0; y < 32; ++y)
            EXPECT_EQ(sliver.at("tpNormals.A", x, y), touched && y == 16 ? 1.0f : 0.0f) << x << "," << y;
        if (touched) {
            EXPECT_NEAR(sliver.at("tpNormals.G", x, 16), 1.0f, 1e-6);
        }
    }
    const Image speck = result("pass0_target1");
    float covered = 0;
    for (float a : speck.channels.at("tpNormals.A"))
        covered += a;
    EXPECT_EQ(covered, 1.0f);
    EXPECT_EQ(speck.at("tpNormals.A", 5, 25), 1.0f);
}

TEST_F(RendererTest, AFinelyCutSurfaceLeavesNoHole)
{
    // A 7 x 7 grid of quads over the whole UV square: its edges cross texels anywhere.
    Mesh grid;
    const int n = 7;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            grid.positions.push_back({float(i) / n, 0, float(j) / n});
            grid.normals.push_back({0, 1, 0});
            grid.uvs[0].push_back({float(i) / n, float(j) / n});
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i;
            grid.triangles.push_back({a, a + n + 2, a + 1});
            grid.triangles.push_back({a, a + n + 1, a + n + 2});
        }
    addMesh("grid", grid);
    add(instanceXml("grid", "grid"));
    writeStage(textureStage(Pass::Normals, textureTargetXml("pass0_target0", 37, 23, surfaceXml("grid"))));
    renderOk();
    const Image image = result("pass0_target0");
    for (float a : image.channels.at("tpNormals.A"))
        EXPECT_EQ(a, 1.0f);
}

TEST_F(RendererTest, TheGutterTakesTheValuesOfTheNearestBakedTexelForFourTexels)
{
    // The floor fills texels 8..23 on both axes; a light makes every texel's value different.
    addMesh("floor", floorQuad(-1, -1, 1, 1, 0, 0.25f, 0.25f, 0.75f, 0.75f));
    add(instanceXml("floor", "floor"));
    add(lightXml("Point", "bulb", translation(0.3f, 1, 0.2f), {1, 1, 1}, "", falloffXml(1)));
    writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", 32, 32, surfaceXml("floor"))));
    renderOk();
    const Image image = result("pass0_target0");
    auto baked = [](int c) { return c >= 8 && c <= 23; };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const int nx = std::clamp(x, 8, 23), ny = std::clamp(y, 8, 23);
            const int dx = x - nx, dy = y - ny;
            const float value = image.at("tpIllumination.R", x, y);
            if (baked(x) && baked(y)) {
                EXPECT_EQ(image.at("tpIllumination.A", x, y), 1.0f);
                EXPECT_GT(value, 0.0f);
                continue;
            }
            EXPECT_EQ(image.at("tpIllumination.A", x, y), 0.0f) << x << "," << y;
            if (dx * dx + dy * dy <= 16) {  // the nearest baked texel is unique: the clamped one
                EXPECT_EQ(value, image.at("tpIllumination.R", nx, ny)) << x << "," << y;
            } else {
                EXPECT_EQ(value, 0.0f) << x << "," << y;
            }
        }
}

TEST_F(RendererTest, TheFirstUVLayerUnlessAnotherIsChosenThenScaleAndBias)
{
    // Layer "map1" puts the floor in the lower left quarter of the texture, "second" in the upper
    // right; scale and bias move the chosen layout.
    Mesh floor = floorQuad(-1, -1, 1, 1, 0, 0, 0, 0.5f, 0.5f);
    floor.layerNames = {"map1", "second"};
    floor.uvs.push_back({{0.5f, 0.5f}, {1, 0.5f}, {1, 1}, {0.5f, 1}});
    addMesh("floor", floor);
    add(instanceXml("floor", "floor"));
    struct Layout {
        std::string surface;
        int x0, y0, width, height;  // the block of texels the floor covers in an 8 x 8 texture
    };
    const std::string second = "<hasUVSetOverride>1</hasUVSetOverride><UVSetOverride>second</UVSetOverride>";
    for (const Layout& layout :
         {Layout{"", 0, 0, 4, 4}, Layout{second, 4, 4, 4, 4},
          Layout{"<UVScale><x>2</x><y>1</y></UVScale><UVBias><x>0</x><y>0.5</y></UVBias>", 0, 4, 8, 4},
          Layout{second + "<UVBias><x>-0.5</x><y>0</y></UVBias>", 0, 4, 4, 4}}) {
        SCOPED_TRACE(layout.surface);
        writeStage(textureStage(Pass::Normals, textureTargetXml("pass0_target0", 8, 8, surfaceXml("floor", layout.surface))));
        renderOk();
        const Image image = result("pass0_target0");
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= layout.x0 && x < layout.x0 + layout.width && y >= layout.y0 &&
                                    y < layout.y0 + layout.height;
                EXPECT_EQ(image.at("tpNormals.A", x, y), inside ? 1.0f : 0.0f) << x << "," << y;
            }
    }
}

TEST_F(RendererTest, ResultsAreTheSameBitForBitWithOneOrTwoThreads)
{
    // Occlusion, soft shadows of an area light and a spot light all draw random numbers.
    Mesh wall;
    wall.positions = {{0, 0, -1}, {0, 1, -1}, {0, 1, 2}, {0, 0, 2}};
    wall.normals.assign(4, {1, 0, 0});
    wall.uvs[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    wall.triangles = {{0, 1, 2}, {0, 2, 3}};
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    addMesh("wall", wall);
    add(instanceXml("floor", "floor"));
    add(instanceXml("wall", "wall", translation(0.2f, 0, 0)));
    add(lightXml("Area", "panel", areaLightAdjusted(translation(-0.5f, 2, 0)), {1, 1, 1}, "", "", true, 8));
    add(lightXml("Point", "bulb", translation(0.8f, 1.5f, 0.1f), {1, 0.5f, 0.5f},
                 "<PointLightShadowRadius>0.3</PointLightShadowRadius>", "", true, 8));
    for (Pass pass : {Pass::Light, Pass::Occlusion}) {
        writeStage(textureStage(pass, textureTargetXml("pass0_target0", 48, 40, surfaceXml("floor")), occlusionXml(24)));
        std::map<std::string, std::vector<float>> first;
        for (int threads : {1, 2, 0}) {
            SCOPED_TRACE(threads);
            renderOk(threads);
            const Image image = result("pass0_target0");
            if (first.empty())
                first = image.channels;
            else
                EXPECT_TRUE(image.channels == first);
        }
        float sum = 0;
        for (float v : first.begin()->second)
            sum += v;
        EXPECT_GT(sum, 0.0f);
    }
}

}  // namespace
