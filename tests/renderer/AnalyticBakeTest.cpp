// Bakes of scenes whose values are known in closed form: light laws, occlusion next to a wall,
// normals through transforms, and the camera's view.
#include "RendererFixture.h"

#include <cmath>

namespace {

using namespace rtest;

constexpr double pi = 3.14159265358979323846;
constexpr int size = 32;

// World x and z of texel (x, y) centre of a floor quad spanning lo..hi with UVs 0..1.
double texelWorld(int texel, double lo, double hi)
{
    return lo + (hi - lo) * (texel + 0.5) / size;
}

TEST_F(RendererTest, PointLightWithSquareFalloffFollowsCosineOverDistanceSquared)
{
    addMesh("floor", floorQuad(-2, -2, 2, 2));
    add(instanceXml("floor", "floor"));
    const V3 color{1.0f, 0.5f, 0.25f};
    const double lx = 0.3, ly = 2.0, lz = -0.4;
    add(lightXml("Point", "bulb", translation(lx, ly, lz), color, "<PointLightShadowRadius>0</PointLightShadowRadius>",
                 falloffXml(2)));
    writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", size, size, surfaceXml("floor"))));
    renderOk();
    const Image image = result("pass0_target0");
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = lx - texelWorld(x, -2, 2), dz = lz - texelWorld(y, -2, 2);
            const double d = std::sqrt(dx * dx + ly * ly + dz * dz);
            const double falloff = (ly / d) / (d * d);
            EXPECT_NEAR(image.at("tpIllumination.R", x, y), color.x * falloff, 0.01 * color.x * falloff);
            EXPECT_NEAR(image.at("tpIllumination.B", x, y), color.z * falloff, 0.01 * color.z * falloff);
            EXPECT_EQ(image.at("tpIllumination.A", x, y), 1.0f);
        }
}

// A light that shines straight down at angle 0; positive angles tilt it.
struct Tilt {
    float degrees;
    double cosine;  // of the angle between the surface normal and the direction to the light
};

TEST_F(RendererTest, DirectionalLightFollowsTheCosineLaw)
{
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("floor", "floor"));
    writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", 4, 4, surfaceXml("floor"))));
    const V3 color{2.0f, 1.0f, 0.5f};
    for (const Tilt& tilt : {Tilt{0, 1.0}, Tilt{30, std::sqrt(3.0) / 2}, Tilt{60, 0.5}, Tilt{89, 0.0174524064},
                             Tilt{120, 0.0}}) {
        SCOPED_TRACE(tilt.degrees);
        sceneParts.resize(1);
        // Local -Z turned onto world -Y, then tilted about X.
        const float radians = static_cast<float>((tilt.degrees - 90.0) * pi / 180.0);
        add(lightXml("Directional", "sun", rotationX(radians), color,
                     "<DirectionalLightShadowAngle>0</DirectionalLightShadowAngle>"));
        renderOk();
        const Image image = result("pass0_target0");
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                EXPECT_NEAR(image.at("tpIllumination.R", x, y), color.x * tilt.cosine, 1e-5);
                EXPECT_NEAR(image.at("tpIllumination.G", x, y), color.y * tilt.cosine, 1e-5);
            }
    }
}

TEST_F(RendererTest, AreaLightFillingTheHemisphereGivesItsColourAndASmallSquareItsFormFactor)
{
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("floor", "floor"));
    writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", 1, 1, surfaceXml("floor"))));
    const V3 color{0.8f, 0.6f, 0.4f};
    // The host's square lies in its local X and Z and lights its local -Y.
    const Matrix scale1000 = {1000, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1000, 0, 0, 0, 0, 1};
    add(lightXml("Area", "sky", areaLightAdjusted(translation(0, 0.01f, 0) * scale1000), color));
    renderOk();
    EXPECT_NEAR(result("pass0_target0").at("tpIllumination.R", 0, 0), color.x, 0.01 * color.x);

    // A square of half-size 1 one unit above the point: four corner rectangles with X = Y = 1 give
    // F = 4 / (2 pi) * 2 * X / sqrt(1 + X^2) * atan(Y / sqrt(1 + X^2)).
    sceneParts.resize(1);
    add(lightXml("Area", "panel", areaLightAdjusted(translation(0, 1, 0)), color));
    renderOk();
    const double form = 4.0 / pi * (1 / std::sqrt(2.0)) * std::atan(1 / std::sqrt(2.0));
    EXPECT_NEAR(result("pass0_target0").at("tpIllumination.G", 0, 0), color.y * form, 1e-4);

    // Turned over, the same square lights the floor no more.
    sceneParts.resize(1);
    add(lightXml("Window", "panel", areaLightAdjusted(translation(0, 1, 0) * rotationX(static_cast<float>(pi))), color));
    renderOk();
    EXPECT_EQ(result("pass0_target0").at("tpIllumination.G", 0, 0), 0.0f);
}

TEST_F(RendererTest, SpotLightLightsInsideItsConeAndFadesOverThePenumbra)
{
    addMesh("floor", floorQuad(-3, -3, 3, 3));
    add(instanceXml("floor", "floor"));
    const float height = 2;
    // Cone of 60 degrees (30 each side of the axis), penumbra 10 degrees further out.
    add(lightXml("Spot", "spot", translation(0, height, 0) * rotationX(static_cast<float>(-pi / 2)), {1, 1, 1},
                 "<SpotLightShadowRadius>0</SpotLightShadowRadius><SpotLightConeAngle>60</SpotLightConeAngle>"
                 "<SpotLightPenumbraAngle>10</SpotLightPenumbraAngle><SpotLightPenumbraExponent>1"
                 "</SpotLightPenumbraExponent>"));
    writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", size, size, surfaceXml("floor"))));
    renderOk();
    const Image image = result("pass0_target0");
    int inside = 0, penumbra = 0, outside = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double px = texelWorld(x, -3, 3), pz = texelWorld(y, -3, 3);
            const double r = std::sqrt(px * px + pz * pz);
            const double angle = std::atan2(r, height) * 180 / pi;
            const double cosine = height / std::sqrt(r * r + height * height);
            const float value = image.at("tpIllumination.R", x, y);
            if (angle < 29.5) {
                EXPECT_NEAR(value, cosine, 1e-5);
                ++inside;
            } else if (angle > 40.5) {
                EXPECT_EQ(value, 0.0f);
                ++outside;
            } else if (angle > 30.5 && angle < 39.5) {
                EXPECT_GT(value, 0.0f);
                EXPECT_LT(value, cosine);
                ++penumbra;
            }
        }
    EXPECT_GT(inside, 20);
    EXPECT_GT(penumbra, 10);
    EXPECT_GT(outside, 20);
}

TEST_F(RendererTest, AnOccluderCastsAShadowOnlyWhenTheLightCastsShadows)
{
    addMesh("floor", floorQuad(-2, -2, 2, 2));
    addMesh("card", floorQuad(-0.5f, -0.5f, 0.5f, 0.5f, 1.0f));
    add(instanceXml("floor", "floor"));
    add(instanceXml("card", "card"));
    writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", size, size, surfaceXml("floor"))));
    for (bool shadows : {false, true}) {
        SCOPED_TRACE(shadows);
        sceneParts.resize(2);
        add(lightXml("Point", "bulb", translation(0, 3, 0), {1, 1, 1}, "", "", shadows));
        renderOk();
        const Image image = result("pass0_target0");
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const double px = texelWorld(x, -2, 2), pz = texelWorld(y, -2, 2);
                const double cosine = 3 / std::sqrt(px * px + pz * pz + 9);
                // The card's shadow reaches 0.75 from the centre on each axis.
                const bool shaded = std::abs(px) < 0.7 && std::abs(pz) < 0.7;
                const bool lit = std::abs(px) > 0.8 || std::abs(pz) > 0.8;
                if (shadows && shaded) {
                    EXPECT_EQ(image.at("tpIllumination.R", x, y), 0.0f);
                } else if (!shadows || lit) {
                    EXPECT_NEAR(image.at("tpIllumination.R", x, y), cosine, 1e-5);
                }
            }
    }
}

// Which instances a light reaches under light links on either side.
struct Links {
    std::string lightLinks;
    std::string floorALinks;
    bool aLit, bLit;
};

TEST_F(RendererTest, LightLinksMustAllowTheLightOnBothSides)
{
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    writeStage(textureStage(Pass::Light, textureTargetXml("pass0_target0", 4, 4, surfaceXml("a")) +
                                             textureTargetXml("pass0_target1", 4, 4, surfaceXml("b"))));
    const std::string none = "<LightLinkMode>None</LightLinkMode>";
    auto list = [](const char* mode, const char* element, std::vector<std::string> names) {
        std::string out = std::string("<LightLinkMode>") + mode + "</LightLinkMode><" + element + ">";
        for (const auto& n : names)
            out += "<element><![CDATA[" + n + "]]></element>";
        return out + "</" + element + ">";
    };
    for (const Links& links :
         {Links{none, none, true, true},
          Links{list("Inclusive", "LightLinkedInstances", {"a"}), none, true, false},
          Links{list("Exclusive", "LightLinkedInstances", {"a"}), none, false, true},
          Links{none, list("Exclusive", "LightLinkedLights", {"sun"}), false, true},
          Links{list("Inclusive", "LightLinkedInstances", {"a", "b"}), list("Inclusive", "LightLinkedLights", {}),
                false, true}}) {
        SCOPED_TRACE(links.lightLinks + " / " + links.floorALinks);
        sceneParts.clear();
        add(instanceXml("a", "floor", identity(), links.floorALinks));
        add(instanceXml("b", "floor", translation(5, 0, 0)));
        add(lightXml("Directional", "sun", rotationX(static_cast<float>(-pi / 2)), {1, 1, 1}, "", "", false, 1,
                     links.lightLinks));
        renderOk();
        EXPECT_EQ(result("pass0_target0").at("tpIllumination.R", 1, 1), links.aLit ? 1.0f : 0.0f);
        EXPECT_EQ(result("pass0_target1").at("tpIllumination.R", 1, 1), links.bLit ? 1.0f : 0.0f);
    }
}

// The floor along a wall at x = 0 that rises 50 units high and runs far to both sides; as two
// instances, or as one mesh holding both.
Mesh wallMesh()
{
    Mesh wall;
    wall.positions = {{0, 0, -50}, {0, 50, -50}, {0, 50, 51}, {0, 0, 51}};
    wall.normals.assign(4, {1, 0, 0});
    wall.uvs[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    wall.triangles = {{0, 1, 2}, {0, 2, 3}};
    return wall;
}

class WallScene : public RendererTest {
protected:
    explicit WallScene(bool oneMesh = false)
    {
        Mesh floor = floorQuad(0, 0, 1, 1);
        if (oneMesh) {
            // The wall's corners join the floor's, with UVs outside the texture.
            const Mesh wall = wallMesh();
            for (size_t i = 0; i < wall.positions.size(); ++i) {
                floor.positions.push_back(wall.positions[i]);
                floor.normals.push_back(wall.normals[i]);
                floor.uvs[0].push_back({5, 5});
            }
            floor.triangles.push_back({4, 5, 6});
            floor.triangles.push_back({4, 6, 7});
            addMesh("floor", floor);
            add(instanceXml("floor", "floor"));
        } else {
            addMesh("floor", floor);
            addMesh("wall", wallMesh());
            add(instanceXml("floor", "floor"));
            add(instanceXml("wall", "wall"));
        }
    }

    // The occlusion of texel column `column` of the floor, one value per row.
    std::vector<float> column(int x, const std::string& settings)
    {
        writeStage(textureStage(Pass::Occlusion, textureTargetXml("pass0_target0", size, size, surfaceXml("floor")),
                                settings));
        renderOk();
        const Image image = result("pass0_target0");
        std::vector<float> values;
        for (int y = 0; y < size; ++y)
            values.push_back(image.at("ambientOcclusion.R", x, y));
        return values;
    }
};

class CornerMesh : public WallScene {
protected:
    CornerMesh() : WallScene(true) {}
};

TEST_F(WallScene, OcclusionAtTheFootOfAWallIsOneHalf)
{
    for (bool uniform : {false, true}) {
        SCOPED_TRACE(uniform ? "uniform" : "cosine");
        for (float value : column(0, occlusionXml(512, uniform)))
            EXPECT_NEAR(value, 0.5, 0.01);
    }
}

TEST_F(RendererTest, OcclusionOfAnUnoccludedPlaneIsExactlyOne)
{
    addMesh("floor", floorQuad(0, 0, 1, 1));
    add(instanceXml("floor", "floor"));
    // Contrast stretches the values about one half.
    for (const auto& [contrast, expected] : {std::pair<float, float>{1, 1.0f}, {0.5f, 0.75f}}) {
        writeStage(textureStage(Pass::Occlusion, textureTargetXml("pass0_target0", size, size, surfaceXml("floor")),
                                occlusionXml(64, false, 180, 0, contrast)));
        renderOk();
        const Image open = result("pass0_target0");
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                EXPECT_EQ(open.at("ambientOcclusion.R", x, y), expected);
                EXPECT_EQ(open.at("ambientOcclusion.A", x, y), 1.0f);
            }
    }
}

// One occlusion setting and what it gives along one texel column of the floor (column 0 lies
// at the wall's foot, column 31 a unit away from it).
struct OcclusionCase {
    const char* what;
    std::string settings;
    int column;
    double expected;
};

double footOfNarrowCone()
{
    const double radius = 0.5 * pi / 180, h = (1.0 / 64) / 50 / radius;
    return 1 - (std::acos(h) - h * std::sqrt(1 - h * h)) / pi;
}

TEST_F(WallScene, OcclusionSettingsShapeTheValue)
{
    for (const OcclusionCase& c : {
             // A cone of 1 degree misses the wall a unit away but not at its foot.
             OcclusionCase{"narrow cone", occlusionXml(256, false, 1), 31, 1.0},
             // At the foot (half a texel, d = 1/64, from the wall) the wall leaves open the
             // directions that lean towards it by less than d / 50: for a cone of half-angle R that
             // is the part of a disk of radius R beyond the chord at h = d / (50 R) from its centre,
             // (acos h - h sqrt(1 - h^2)) / pi of the directions, and the rest.
             OcclusionCase{"narrow cone at the foot", occlusionXml(1024, false, 1), 0, footOfNarrowCone()},
             OcclusionCase{"short rays", occlusionXml(256, false, 180, 1e-4f), 0, 1.0},
             OcclusionCase{"scale", occlusionXml(512, false, 180, 0, 1, 0.5f), 0, 0.25},
             OcclusionCase{"self occlusion off", occlusionXml(512, false, 180, 0, 1, 1, "Disabled"), 0, 0.5},
             OcclusionCase{"only self occlusion", occlusionXml(512, false, 180, 0, 1, 1, "Environment"), 0, 1.0},
         }) {
        SCOPED_TRACE(c.what);
        for (float value : column(c.column, c.settings))
            EXPECT_NEAR(value, c.expected, 0.015);
    }
}

TEST_F(CornerMesh, SelfOcclusionModesDecideWhetherAnInstanceOccludesItself)
{
    for (const OcclusionCase& c : {
             OcclusionCase{"enabled", occlusionXml(512, false, 180, 0, 1, 1, "Enabled"), 0, 0.5},
             OcclusionCase{"disabled", occlusionXml(512, false, 180, 0, 1, 1, "Disabled"), 0, 1.0},
             OcclusionCase{"environment", occlusionXml(512, false, 180, 0, 1, 1, "Environment"), 0, 0.5},
         }) {
        SCOPED_TRACE(c.what);
        for (float value : column(c.column, c.settings))
            EXPECT_NEAR(value, c.expected, 0.01);
    }
}

TEST_F(RendererTest, NormalsAreUnitWorldNormalsThroughRotationAndUnevenScale)
{
    // A square in the plane y = x, its normal (-1, 1, 0) / sqrt 2.
    Mesh slope;
    slope.positions = {{0, 0, 0}, {1, 1, 0}, {1, 1, 1}, {0, 0, 1}};
    const float h = static_cast<float>(1 / std::sqrt(2.0));
    slope.normals.assign(4, {-h, h, 0});
    slope.uvs[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    slope.triangles = {{0, 1, 2}, {0, 2, 3}};
    addMesh("slope", slope);
    const Matrix stretch = {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1};
    const Matrix m = translation(3, -1, 2) * rotationZ(static_cast<float>(pi / 6)) * stretch;
    add(instanceXml("slope", "slope", m));
    writeStage(textureStage(Pass::Normals, textureTargetXml("pass0_target0", 8, 8, surfaceXml("slope"))));
    renderOk();

    // The transformed plane's normal from its transformed edges, in double precision.
    auto apply = [&](double x, double y, double z) {
        return std::array<double, 3>{m[0] * x + m[1] * y + m[2] * z, m[4] * x + m[5] * y + m[6] * z,
                                     m[8] * x + m[9] * y + m[10] * z};
    };
    const auto a = apply(1, 1, 0), b = apply(0, 0, 1);
    std::array<double, 3> n{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const auto up = apply(-1, 1, 0);
    const double side = (n[0] * up[0] + n[1] * up[1] + n[2] * up[2]) > 0 ? 1 : -1;
    for (auto& c : n)
        c *= side / len;

    const Image image = result("pass0_target0");
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_NEAR(image.at("tpNormals.R", x, y), n[0], 1e-6);
            EXPECT_NEAR(image.at("tpNormals.G", x, y), n[1], 1e-6);
            EXPECT_NEAR(image.at("tpNormals.B", x, y), n[2], 1e-6);
        }
}

TEST_F(RendererTest, ALowResolutionSurfaceTakesTheValuesOfItsHighResolutionPartner)
{
    // The partner lies a little above the low-resolution floor, tilted by 5 degrees about X; the
    // low-resolution instance has every render stat cleared, as partnered instances have.
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("low", "floor", identity(),
                    "<RenderStats><PrimaryVisibility>false</PrimaryVisibility><CastShadows>false</CastShadows>"
                    "<ReceiveShadows>false</ReceiveShadows><CastOcclusion>false</CastOcclusion><ReceiveOcclusion>"
                    "false</ReceiveOcclusion><SelfOcclusion>false</SelfOcclusion></RenderStats>"
                    "<LightLinkMode>None</LightLinkMode>"));
    const float tilt = static_cast<float>(5 * pi / 180);
    add(instanceXml("high", "floor", translation(0, 0.05f, 0) * rotationX(tilt)));
    writeStage(textureStage(Pass::Normals, textureTargetXml("pass0_target0", 8, 8,
                                                            surfaceXml("low", "<sourceSurfaces><element>high</element>"
                                                                              "</sourceSurfaces>"))));
    renderOk();
    const Image image = result("pass0_target0");
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_NEAR(image.at("tpNormals.G", x, y), std::cos(tilt), 1e-6);
            EXPECT_NEAR(image.at("tpNormals.B", x, y), std::sin(tilt), 1e-6);
        }
}

TEST_F(RendererTest, CameraLooksAlongMinusZWithAHorizontalFieldOfView)
{
    // A strip one unit in front of the camera, half a unit to either side, tall enough to fill
    // the height: with a 90 degree horizontal view it covers the middle half of the columns.
    Mesh strip;
    strip.positions = {{-0.5f, -10, -1}, {0.5f, -10, -1}, {0.5f, 10, -1}, {-0.5f, 10, -1}};
    strip.normals.assign(4, {0, 0, 1});
    strip.uvs[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    strip.triangles = {{0, 1, 2}, {0, 2, 3}};
    addMesh("strip", strip);
    add(instanceXml("strip", "strip"));
    const std::string cameraName = "5ca1ab1e00000000000000000000000000000000";
    add("<Camera><Name>" + cameraName + "</Name>" + matrixXml("ObjectToWorld", identity()) +
        "<Type>PERSPECTIVE</Type><Fov><x>1.57079637</x><y>1.17809725</y></Fov></Camera>");
    writeStage("<KXConfig><FrameSettings><resolution><x>16</x><y>8</y></resolution><renderType>Render</renderType>"
               "<cameraName>" + cameraName + "</cameraName><imageFormat>EXRMultiLayer</imageFormat></FrameSettings>"
               "<TextureBakeSettings><RenderComponents>" + componentsXml("fullShading") +
               "</RenderComponents></TextureBakeSettings></KXConfig>");
    renderOk(0, "pass0_" + cameraName);
    const Image image = readImage(output / ("pass0_" + cameraName + "_shape.exr"));
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 8);
    EXPECT_EQ(image.channels.size(), 5u);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool seen = x >= 4 && x < 12;
            EXPECT_EQ(image.at("beauty.A", x, y), seen ? 1.0f : 0.0f) << x << "," << y;
            EXPECT_NEAR(image.at("Z", x, y), seen ? 1.0f : 0.0f, 1e-5);
            EXPECT_EQ(image.at("beauty.R", x, y), 0.0f);  // no light, no emission
        }
}

}  // namespace

// A crate resting on the floor hides the texels under it. Their occlusion rays start inside the
// crate: with rays longer than the crate all of them are blocked, with shorter ones most get out,
// and rays slipping sideways between crate and floor speckle either. They take the occlusion of
// the floor beside the crate instead, as the light map's texels there take its light.
TEST_F(RendererTest, OcclusionUnderARestingSolidIsThatBesideIt)
{
    constexpr int side = 16;  // texels of 0.125 m: the crate's 0.5 m hide 4 x 4 of them
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    addMesh("crate", solidBox({-0.25f, 0.0f, -0.25f}, {0.25f, 0.5f, 0.25f}));
    add(instanceXml("floor", "floor"));
    add(instanceXml("crate", "crate"));
    for (float distance : {0.0f, 0.3f}) {
        SCOPED_TRACE(distance == 0.0f ? "rays of any length" : "rays shorter than the crate");
        writeStage(textureStage(Pass::Occlusion, textureTargetXml("pass0_target0", side, side, surfaceXml("floor")),
                                occlusionXml(256, false, 180, distance)));
        renderOk();
        const Image image = result("pass0_target0");
        const int first = side / 2 - 2, last = side / 2 + 1;  // the texels under the crate
        float low = 1.0f, high = 0.0f;
        for (int y = first - 1; y <= last + 1; ++y)
            for (int x = first - 1; x <= last + 1; ++x)
                if (x < first || x > last || y < first || y > last) {
                    low = std::min(low, image.at("ambientOcclusion.R", x, y));
                    high = std::max(high, image.at("ambientOcclusion.R", x, y));
                }
        EXPECT_GT(low, 0.3f);
        EXPECT_LT(high, 0.95f);
        for (int y = first; y <= last; ++y)
            for (int x = first; x <= last; ++x) {
                EXPECT_GE(image.at("ambientOcclusion.R", x, y), low) << x << ", " << y;
                EXPECT_LE(image.at("ambientOcclusion.R", x, y), high) << x << ", " << y;
                EXPECT_EQ(image.at("ambientOcclusion.A", x, y), 1.0f);
            }
        EXPECT_GT(image.at("ambientOcclusion.R", 0, 0), 0.95f);  // the floor far from the crate
    }
}
