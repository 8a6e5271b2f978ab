// Light bouncing between diffuse surfaces, checked against closed forms: the furnace (a closed box
// of emitting, reflecting walls), colour bleeding from a red wall, the illumination modes adding
// up, and the same bits whatever the thread count.
#include "RendererFixture.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace rtest;

constexpr double pi = 3.14159265358979323846;

// The box from -1 to 1 on every axis with normals facing in. The floor's UVs span the texture;
// the other walls lie outside it (u from 2 to 3), so only the floor is baked.
Mesh insideOfBox()
{
    Mesh m;
    m.uvs[0].clear();
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-1.0f, 1.0f}) {
            const int a = (axis + 1) % 3, b = (axis + 2) % 3;
            const int32_t first = static_cast<int32_t>(m.positions.size());
            const bool floor = axis == 1 && side < 0;
            for (auto [p, q] : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}}) {
                float c[3];
                c[axis] = side;
                c[a] = p;
                c[b] = q;
                m.positions.push_back({c[0], c[1], c[2]});
                float n[3] = {0, 0, 0};
                n[axis] = -side;
                m.normals.push_back({n[0], n[1], n[2]});
                // On the floor (axis y) a is z and b is x.
                m.uvs[0].push_back(floor ? std::array<float, 2>{(q + 1) / 2, (p + 1) / 2}
                                         : std::array<float, 2>{2.5f + p * 0.1f, 0.5f + q * 0.1f});
            }
            m.triangles.push_back({first, first + 1, first + 2});
            m.triangles.push_back({first, first + 2, first + 3});
        }
    return m;
}

std::string colorXml(const char* channel, V3 c)
{
    return std::string("<") + channel + "><Color><r>" + number(c.x) + "</r><g>" + number(c.y) + "</g><b>" +
           number(c.z) + "</b><a>0</a></Color><Scale>1</Scale></" + channel + ">";
}

std::string materialXml(const std::string& name, V3 diffuse, V3 emissive = {0, 0, 0}, const std::string& extra = "")
{
    return "<Material><Name><![CDATA[" + name + "]]></Name>" + colorXml("Diffuse", diffuse) +
           colorXml("Emissive", emissive) + extra + "</Material>";
}

// A texture stage of one switched-on component with the given GI settings.
std::string giStage(const std::string& component, const std::string& gi, const std::string& targets,
                    const std::string& extraComponents = "")
{
    return "<?xml version=\"1.0\"?><KXConfig><FrameSettings><renderType>SurfaceTransfer</renderType>"
           "<imageFormat>EXRMultiLayer</imageFormat></FrameSettings><GISettings>" +
           gi + "</GISettings><TextureBakeSettings><RenderComponents>" + componentsXml(component, extraComponents) +
           "</RenderComponents></TextureBakeSettings><SurfaceTransferSettings><targets>" + targets +
           "</targets></SurfaceTransferSettings></KXConfig>";
}

double mean(const Image& image, const std::string& channel)
{
    double sum = 0;
    for (float v : image.channels.at(channel))
        sum += v;
    return sum / image.channels.at(channel).size();
}

constexpr int furnaceSize = 4;

struct Furnace {
    const char* settings;
    double expected;  // E / (1 - rho), or the sum of the first n terms E rho^k
};

// Walls of albedo 0.5 emitting 1: the light arriving anywhere is 1 + 0.5 + 0.25 + ... = 2, and
// with the path length limited to n bounces the first n terms of that sum.
TEST_F(RendererTest, FurnaceConvergesToEmissionOverOneMinusAlbedo)
{
    addMesh("box", insideOfBox());
    add(instanceXml("box", "box"));
    add(materialXml("stone", {0.5f, 0.5f, 0.5f}, {1, 1, 1}));
    const std::string target = textureTargetXml("pass0_target0", furnaceSize, furnaceSize, surfaceXml("box"));
    for (const Furnace& furnace :
         {Furnace{"", 2.0}, Furnace{"<primaryIntegrator>PathTracer</primaryIntegrator>", 2.0},
          Furnace{"<giMaxBounces>1</giMaxBounces>", 1.0}, Furnace{"<giMaxBounces>2</giMaxBounces>", 1.5},
          Furnace{"<giMaxBounces>3</giMaxBounces><giRussianRouletteStart>0</giRussianRouletteStart>", 1.75},
          Furnace{"<secondaryIntegrator>None</secondaryIntegrator>", 1.0},
          Furnace{"<secondaryIntegrator>None</secondaryIntegrator><fgDepth>2</fgDepth>", 1.5}}) {
        SCOPED_TRACE(furnace.settings);
        writeStage(giStage("illumination", std::string("<enableGI>true</enableGI>") + furnace.settings, target));
        renderOk();
        const Image image = result("pass0_target0");
        for (const char* channel : {"tpIllumination.R", "tpIllumination.G", "tpIllumination.B"})
            EXPECT_NEAR(mean(image, channel), furnace.expected, 0.03 * furnace.expected);
    }
    // What a camera sees of a wall: its emission plus what it reflects, 1 + 0.5 * 2.
    writeStage(giStage("fullShading", "<enableGI>true</enableGI>", target));
    renderOk();
    EXPECT_NEAR(mean(result("pass0_target0"), "beauty.G"), 2.0, 0.06);
}

// Uniform radiance L over the hemisphere gives a white surface facing a direction tilted by theta
// from the normal L (1 + cos theta) / 2; every RNM basis direction leans 54.7 degrees off the
// normal. In the furnace L = 2, whether gathered by rays or read from the radiance cache's
// harmonics (an RNM pass with no samples of its own and fgUseCache "RadianceSH").
TEST_F(RendererTest, FurnaceRnmBasisValuesMatchTheTiltedCosineLobe)
{
    addMesh("box", insideOfBox());
    add(instanceXml("box", "box"));
    add(materialXml("stone", {0.5f, 0.5f, 0.5f}, {1, 1, 1}));
    const std::string target = textureTargetXml("pass0_target0", furnaceSize, furnaceSize, surfaceXml("box"));
    const double expected = 2.0 * (1.0 + 1.0 / std::sqrt(3.0)) / 2.0;
    for (const char* samples : {"64", "0"}) {
        SCOPED_TRACE(samples);
        writeStage(giStage("rnm", "<enableGI>true</enableGI><fgUseCache>RadianceSH</fgUseCache>", target,
                           std::string("<RNMSettings><components>IndirectLight</components><samples>") + samples +
                               "</samples></RNMSettings>"));
        renderOk();
        const Image image = result("pass0_target0");
        for (const char* channel : {"tpRnm0", "tpRnm5", "tpRnm10"})
            EXPECT_NEAR(mean(image, channel), expected, 0.03 * expected) << channel;
    }
}

// A white floor from 0 to 2 in x and z, and a red wall standing on its edge x = 0 facing +x, under
// a directional light coming down at 45 degrees from +x.
class BleedingTest : public RendererTest {
protected:
    static constexpr int size = 8;
    BleedingTest()
    {
        Mesh floor = floorQuad(0, 0, 2, 2);
        floor.group = "white";
        addMesh("floor", floor);
        Mesh wall = quadMesh({0, 0, 0}, {0, 0, 2}, {0, 2, 2}, {0, 2, 0}, {1, 0, 0});
        wall.group = "red";
        addMesh("wall", wall);
        add(instanceXml("floor", "floor"));
        add(instanceXml("wall", "wall"));
        add(materialXml("white", {1, 1, 1}));
        add(materialXml("red", {1, 0, 0}));
        add(lightXml("Directional", "sun", rotationZ(static_cast<float>(-pi / 4)) * rotationX(static_cast<float>(-pi / 2)),
                     {1, 1, 1}));
    }
    static constexpr size_t redMaterial = 3;  // its place among the scene parts
    Image bake(const std::string& component, bool gi, int threads = 0, const std::string& extraComponents = "")
    {
        writeStage(giStage(component,
                           std::string("<enableGI>") + (gi ? "true" : "false") + "</enableGI><fgRays>64</fgRays>",
                           textureTargetXml("pass0_target0", size, size, surfaceXml("floor")), extraComponents));
        lastRun = renderOk(threads);
        return result("pass0_target0");
    }
    RunOutput lastRun;
};

TEST_F(BleedingTest, RedWallTintsTheWhiteFloorOnlyWithGlobalIllumination)
{
    const double direct = std::sqrt(0.5);  // cos 45 degrees
    const Image on = bake("illumination", true);
    const Image off = bake("illumination", false);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            EXPECT_NEAR(off.at("tpIllumination.R", x, y), direct, 1e-5);
            EXPECT_NEAR(off.at("tpIllumination.G", x, y), direct, 1e-5);
            // The red wall sends back only red; green comes only from the light.
            EXPECT_NEAR(on.at("tpIllumination.G", x, y), direct, 1e-5);
            EXPECT_NEAR(on.at("tpIllumination.B", x, y), direct, 1e-5);
            EXPECT_GT(on.at("tpIllumination.R", x, y), direct + 0.01);
        }
    // Next to the wall the floor sees more of it than far away.
    EXPECT_GT(on.at("tpIllumination.R", 0, size / 2), on.at("tpIllumination.R", size - 1, size / 2));
}

TEST_F(BleedingTest, IndirectPlusDirectIsTheFullIllumination)
{
    const Image direct = bake("illumination", false);
    const Image indirect = bake("indirectIllumination", true);
    const Image full = bake("illumination", true);
    for (const char* c : {"R", "G", "B"})
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                EXPECT_NEAR(direct.at(std::string("tpIllumination.") + c, x, y) +
                                indirect.at(std::string("tpIndirectIllumination.") + c, x, y),
                            full.at(std::string("tpIllumination.") + c, x, y), 0.02);
    // Indirect light of the white floor is the red wall's alone.
    EXPECT_EQ(indirect.at("tpIndirectIllumination.G", 0, 0), 0.0f);
    EXPECT_EQ(indirect.at("tpIndirectIllumination.A", 0, 0), 1.0f);
}

TEST_F(BleedingTest, ThreadCountChangesNoBit)
{
    const Image one = bake("illumination", true, 1);
    const Image two = bake("illumination", true, 2);
    for (const auto& [name, values] : one.channels)
        EXPECT_EQ(values, two.channels.at(name)) << name;
}

// Full channels: the fully baked lights' direct light plus all indirect light; indirect channels:
// the indirect light alone.
TEST_F(BleedingTest, FullAndIndirectSplitsTheFullyBakedLightsDirectLight)
{
    const Image indirect = bake("indirectIllumination", true);
    const Image baked = bake("fullAndIndirectIllumination", true, 0,
                             "<FullAndIndirectIlluminationSettings><fullyBakedLights><element>sun</element>"
                             "</fullyBakedLights></FullAndIndirectIlluminationSettings>");
    const Image notBaked = bake("fullAndIndirectIllumination", true);
    const double direct = std::sqrt(0.5);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float bounced = indirect.at("tpIndirectIllumination.R", x, y);
            // Ind R, G, B in channels 0 to 2, Full R, G, B in 3 to 5: the pass's channel order.
            EXPECT_NEAR(baked.at("tpIllumination0", x, y), bounced, 1e-6);
            EXPECT_NEAR(baked.at("tpIllumination3", x, y), bounced + direct, 1e-5);
            EXPECT_NEAR(baked.at("tpIllumination4", x, y), direct, 1e-5);
            EXPECT_EQ(baked.at("tpIllumination1", x, y), 0.0f);
            EXPECT_EQ(baked.at("Z", x, y), 1.0f);
            EXPECT_NEAR(notBaked.at("tpIllumination3", x, y), bounced, 1e-6);
            EXPECT_EQ(notBaked.at("tpIllumination4", x, y), 0.0f);
        }
}

// The wall's primary GI corrections shape the light it sends to the floor: every path meets the
// wall first, so its intensity scales all of the floor's indirect light; saturation 0 at every
// bounce turns the red into its luminance.
TEST_F(BleedingTest, PrimaryCorrectionsOfTheWallShapeTheFloorsIndirectLight)
{
    const Image plain = bake("indirectIllumination", true);
    sceneParts[redMaterial] = materialXml("red", {1, 0, 0}, {0, 0, 0}, "<PrimaryGIIntensity>2</PrimaryGIIntensity>");
    const Image doubled = bake("indirectIllumination", true);
    sceneParts[redMaterial] = materialXml("red", {1, 0, 0}, {0, 0, 0}, "<PrimaryGISaturation>0</PrimaryGISaturation>"
                                       "<SecondaryGISaturation>0</SecondaryGISaturation>");
    const Image grey = bake("indirectIllumination", true);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float r = plain.at("tpIndirectIllumination.R", x, y);
            EXPECT_NEAR(doubled.at("tpIndirectIllumination.R", x, y), 2 * r, 1e-5 + 1e-5 * r);
            EXPECT_GT(grey.at("tpIndirectIllumination.G", x, y), 0.0f);
            EXPECT_NEAR(grey.at("tpIndirectIllumination.G", x, y), grey.at("tpIndirectIllumination.R", x, y), 1e-6);
            EXPECT_NEAR(grey.at("tpIndirectIllumination.B", x, y), grey.at("tpIndirectIllumination.R", x, y), 1e-6);
        }
}

// What the wall sends to the floor: a wall seen through (transparency, or a diffuse texture alpha
// of 0 taken as transparency) or left out of the bounces (CastGI off) sends nothing; a floor that
// receives no GI gets none; half transparency halves the light; white vertex colours change
// nothing, and blue ones on the red wall turn it black.
TEST_F(BleedingTest, WallMaterialsAndRenderStatsDecideWhatReachesTheFloor)
{
    const Image plain = bake("indirectIllumination", true);
    const double plainRed = mean(plain, "tpIndirectIllumination.R");
    ASSERT_GT(plainRed, 0.01);
    const std::string transparency = "<Transparency><Color><r>1</r><g>1</g><b>1</b><a>0</a></Color><Scale>%</Scale>"
                                     "</Transparency>";
    auto transparent = [&](const char* scale) {
        std::string t = transparency;
        t.replace(t.find('%'), 1, scale);
        return t;
    };
    struct Case {
        const char* what;
        std::string diffuse, material;  // added to the wall's diffuse channel, to its material
        std::string floorInstance, wallInstance;
        std::vector<std::array<float, 4>> wallColors;
        double share;  // of the plain red indirect light
    };
    const std::string stats = "<LightLinkMode>None</LightLinkMode><RenderStats>";
    const std::string vertexColors = "<UseVertexColor>true</UseVertexColor>";
    const std::vector<Case> cases = {
        {"fully transparent wall", "", transparent("1"), "", "", {}, 0.0},
        {"half transparent wall", "", transparent("0.5"), "", "", {}, 0.5},
        {"wall casting no GI", "", "", "", stats + "<CastGI>false</CastGI></RenderStats>", {}, 0.0},
        {"floor receiving no GI", "", "", stats + "<ReceiveGI>false</ReceiveGI></RenderStats>", "", {}, 0.0},
        {"white vertex colours", vertexColors, "", "", "", std::vector<std::array<float, 4>>(4, {1, 1, 1, 1}), 1.0},
        {"blue vertex colours on red", vertexColors, "", "", "", std::vector<std::array<float, 4>>(4, {0, 0, 1, 1}), 0.0},
        {"vertex alpha 0 as transparency", vertexColors, "<DiffuseAlphaAsTransparency>true</DiffuseAlphaAsTransparency>",
         "", "", std::vector<std::array<float, 4>>(4, {1, 1, 1, 0}), 0.0},
        {"vertex alpha 1 as transparency", vertexColors, "<DiffuseAlphaAsTransparency>true</DiffuseAlphaAsTransparency>",
         "", "", std::vector<std::array<float, 4>>(4, {1, 1, 1, 1}), 1.0},
        // A black TGA texture darkens the wall; a texture of a type the renderer does not read is
        // left out (with a warning) and the wall stays red.
        {"black TGA texture", "<FileTexture><![CDATA[..\\..\\textures\\black.tga]]></FileTexture>", "", "", "", {}, 0.0},
        {"texture of a type not read", "<FileTexture><![CDATA[..\\..\\textures\\black.bmp]]></FileTexture>", "", "", "",
         {}, 1.0},
    };
    // 1 x 1, uncompressed 24-bit, black.
    const char blackTga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 0, 0, 0};
    std::ofstream(dir / "textures" / "black.tga", std::ios::binary).write(blackTga, sizeof blackTga);
    std::ofstream(dir / "textures" / "black.bmp", std::ios::binary) << "BM";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Mesh wall = quadMesh({0, 0, 0}, {0, 0, 2}, {0, 2, 2}, {0, 2, 0}, {1, 0, 0});
        wall.group = "red";
        wall.colors = c.wallColors;
        addMesh("wall", wall);
        sceneParts[redMaterial] = "<Material><Name><![CDATA[red]]></Name><Diffuse><Color><r>1</r><g>0</g><b>0</b>"
                                  "<a>0</a></Color><Scale>1</Scale>" + c.diffuse + "</Diffuse>" + c.material +
                                  "</Material>";
        sceneParts[0] = instanceXml("floor", "floor", identity(),
                                    c.floorInstance.empty() ? "<LightLinkMode>None</LightLinkMode>" : c.floorInstance);
        sceneParts[1] = instanceXml("wall", "wall", identity(),
                                    c.wallInstance.empty() ? "<LightLinkMode>None</LightLinkMode>" : c.wallInstance);
        const Image image = bake("indirectIllumination", true);
        EXPECT_NEAR(mean(image, "tpIndirectIllumination.R"), c.share * plainRed, 0.1 * plainRed);
        EXPECT_EQ(mean(image, "tpIndirectIllumination.G"), 0.0);
        const bool warned = std::any_of(lastRun.lines.begin(), lastRun.lines.end(), [](const std::string& line) {
            return line.rfind("Warning: texture ", 0) == 0 && line.find("black.bmp") != std::string::npos;
        });
        EXPECT_EQ(warned, c.diffuse.find("black.bmp") != std::string::npos);
    }
}

// A camera sees an emitting, unlit strip as its emission; pixels beside it are 0 with A = 0.
TEST_F(RendererTest, CameraFullShadingShowsEmissionAndNothingWhereNoSurfaceIs)
{
    Mesh strip = quadMesh({-0.5f, -10, -1}, {0.5f, -10, -1}, {0.5f, 10, -1}, {-0.5f, 10, -1}, {0, 0, 1});
    addMesh("strip", strip);
    add(instanceXml("strip", "strip"));
    add(materialXml("stone", {0.5f, 0.5f, 0.5f}, {0.25f, 0.5f, 1.0f}));
    const std::string cameraName = "5ca1ab1e00000000000000000000000000000000";
    add("<Camera><Name>" + cameraName + "</Name>" + matrixXml("ObjectToWorld", identity()) +
        "<Type>PERSPECTIVE</Type><Fov><x>1.57079637</x><y>1.17809725</y></Fov></Camera>");
    writeStage("<KXConfig><FrameSettings><resolution><x>16</x><y>8</y></resolution><renderType>Render</renderType>"
               "<cameraName>" + cameraName + "</cameraName><imageFormat>EXRMultiLayer</imageFormat></FrameSettings>"
               "<GISettings><enableGI>true</enableGI><fgRays>16</fgRays></GISettings>"
               "<TextureBakeSettings><RenderComponents>" + componentsXml("fullShading") +
               "</RenderComponents></TextureBakeSettings></KXConfig>");
    renderOk(0, "pass0_" + cameraName);
    const Image image = readImage(output / ("pass0_" + cameraName + "_shape.exr"));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool seen = x >= 4 && x < 12;
            EXPECT_EQ(image.at("beauty.A", x, y), seen ? 1.0f : 0.0f);
            EXPECT_EQ(image.at("beauty.R", x, y), seen ? 0.25f : 0.0f);
            EXPECT_EQ(image.at("beauty.B", x, y), seen ? 1.0f : 0.0f);
        }
}


// The share of a white surface's hemisphere, cosine-weighted, that a rectangle parallel to it
// covers: the rectangle spans x0..x1 and z0..z1 relative to the point, at height h. Built from the
// closed form for a rectangle with a corner straight above the point, added and taken away.
double rectangleFormFactor(double x0, double z0, double x1, double z1, double h)
{
    auto corner = [h](double x, double z) {
        const double a = std::fabs(x) / h, b = std::fabs(z) / h;
        const double sa = std::sqrt(1 + a * a), sb = std::sqrt(1 + b * b);
        const double f = (a / sa * std::atan(b / sa) + b / sb * std::atan(a / sb)) / (2 * pi);
        return (x < 0) == (z < 0) ? f : -f;
    };
    return corner(x1, z1) - corner(x0, z1) - corner(x1, z0) + corner(x0, z0);
}

// A small black square glowing with E = 10 half a metre above a floor: each floor texel receives
// E times the square's form factor. The square fills under 5% of the hemisphere, so 1024 gather
// rays alone would find it about 40 times per texel (a grain of about 15%); with rays aimed at it
// as well every texel comes within 3% of the closed form, with no smoothing to hide the grain.
TEST_F(RendererTest, SmallEmitterLightsTheFloorAsItsFormFactorSays)
{
    constexpr float height = 0.5f, half = 0.1f, emission = 10.0f;
    constexpr int size = 8;
    Mesh floor = floorQuad(-1, -1, 1, 1);
    floor.group = "white";
    addMesh("floor", floor);
    Mesh lamp = quadMesh({-half, height, -half}, {half, height, -half}, {half, height, half}, {-half, height, half}, {0, -1, 0});
    lamp.group = "glow";
    addMesh("lamp", lamp);
    add(instanceXml("floor", "floor"));
    add(instanceXml("lamp", "lamp"));
    add(materialXml("white", {1, 1, 1}));
    add(materialXml("glow", {0, 0, 0}, {emission, emission, emission}));
    writeStage(giStage("illumination", "<enableGI>true</enableGI><giSmoothing>0</giSmoothing><fgRays>1024</fgRays>",
                       textureTargetXml("pass0_target0", size, size, surfaceXml("floor"))));
    renderOk();
    const Image image = result("pass0_target0");
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Texel centres: u along x, v along z, from -1 to 1.
            const double px = -1 + 2 * (x + 0.5) / size, pz = -1 + 2 * (y + 0.5) / size;
            const double expected = emission * rectangleFormFactor(-half - px, -half - pz, half - px, half - pz, height);
            EXPECT_NEAR(image.at("tpIllumination.G", x, y), expected, 0.03 * expected) << x << ", " << y;
        }
}

// A crate resting on a sunlit floor hides the texels under it: their gather rays meet only the
// inside of the crate, so what they would gather is light leaking through the cracks. They take
// the light of the floor beside the crate instead (a filtered light map would otherwise darken
// the floor along the crate's edge), while the floor around keeps its own light.
TEST_F(RendererTest, TexelsUnderARestingSolidTakeTheLightBesideIt)
{
    constexpr int size = 16;  // texels of 0.125 m: the crate's 0.5 m hide 4 x 4 of them
    Mesh floor = floorQuad(-1, -1, 1, 1);
    floor.group = "white";
    addMesh("floor", floor);
    Mesh crate = solidBox({-0.25f, 0.0f, -0.25f}, {0.25f, 0.5f, 0.25f});
    crate.group = "white";
    addMesh("crate", crate);
    add(instanceXml("floor", "floor"));
    add(instanceXml("crate", "crate"));
    add(materialXml("white", {0.5f, 0.5f, 0.5f}));
    add(lightXml("Directional", "sun", rotationX(static_cast<float>(-pi / 2)), {1, 1, 1}));
    writeStage(giStage("illumination", "<enableGI>true</enableGI>",
                       textureTargetXml("pass0_target0", size, size, surfaceXml("floor"))));
    renderOk();
    const Image image = result("pass0_target0");
    const int first = size / 2 - 2, last = size / 2 + 1;  // the texels under the crate
    double besideSum = 0;
    int beside = 0;
    for (int y = first - 1; y <= last + 1; ++y)
        for (int x = first - 1; x <= last + 1; ++x)
            if (x < first || x > last || y < first || y > last) {
                besideSum += image.at("tpIllumination.G", x, y);
                ++beside;
            }
    const double besideMean = besideSum / beside;
    // The sun lights the floor beside the crate straight down: 1, plus what the crate sends back.
    EXPECT_GT(besideMean, 1.0);
    for (int y = first; y <= last; ++y)
        for (int x = first; x <= last; ++x)
            EXPECT_NEAR(image.at("tpIllumination.G", x, y), besideMean, 0.15 * besideMean) << x << ", " << y;
    // Far from the crate the floor is lit by the sun and little else.
    EXPECT_NEAR(image.at("tpIllumination.G", 0, 0), 1.0, 0.1);
}

}  // namespace
