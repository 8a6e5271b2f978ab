// Radiosity normal maps: single directional lights projected onto each basis, against values
// worked out by hand from the basis vectors (all three lean 54.7 degrees off the normal:
// z = 1/sqrt(3), in-plane length sqrt(2/3)).
#include "RendererFixture.h"

#include <cmath>

namespace {

using namespace rtest;

// A rotation whose local +Z is toLight (unit), so a light with it shines along -toLight.
Matrix facing(V3 z)
{
    const V3 helper = std::fabs(z.y) < 0.9f ? V3{0, 1, 0} : V3{1, 0, 0};
    V3 x{helper.y * z.z - helper.z * z.y, helper.z * z.x - helper.x * z.z, helper.x * z.y - helper.y * z.x};
    const float l = std::sqrt(x.x * x.x + x.y * x.y + x.z * x.z);
    x = {x.x / l, x.y / l, x.z / l};
    const V3 y{z.y * x.z - z.z * x.y, z.z * x.x - z.x * x.z, z.x * x.y - z.y * x.x};
    return {x.x, y.x, z.x, 0, x.y, y.y, z.y, 0, x.z, y.z, z.z, 0, 0, 0, 0, 1};
}

struct Case {
    const char* basis;
    const char* allowNegative;
    V3 tangentLight;  // direction to the light in tangent space: x tangent (u), y bitangent (v), z normal
    float values[3];  // per basis direction, for a light of colour 1
};

constexpr float s80 = 0.98480775f, c80 = 0.17364818f, s60 = 0.8660254f;

const Case cases[] = {
    // Straight above: each direction sees cos 54.7 degrees = 1/sqrt(3).
    {"HL2", "DisallowCullHorizon", {0, 0, 1}, {0.57735027f, 0.57735027f, 0.57735027f}},
    {"UnrealEngine", "DisallowCullHorizon", {0, 0, 1}, {0.57735027f, 0.57735027f, 0.57735027f}},
    // Along the first HL2 direction, which is perpendicular to the other two.
    {"HL2", "Allow", {0.81649658f, 0, 0.57735027f}, {1, 0, 0}},
    // 60 degrees off the normal towards +v: the bases differ by where their first direction lies.
    {"HL2", "Allow", {0, s60, 0.5f}, {0.28867513f, 0.90104750f, -0.32369725f}},
    {"UnrealEngine", "Allow", {0, s60, 0.5f}, {0.99578380f, -0.06487180f, -0.06487180f}},
    {"UnrealEngineFlipped", "Allow", {0, s60, 0.5f}, {-0.41843911f, 0.64222959f, 0.64222959f}},
    {"UnrealEngineFlipped", "Disallow", {0, s60, 0.5f}, {0, 0.64222959f, 0.64222959f}},
    // 80 degrees off the normal towards -u: below the first HL2 direction's horizon.
    {"HL2", "Allow", {-s80, 0, c80}, {-0.70384080f, 0.50231006f, 0.50231006f}},
    {"HL2", "Disallow", {-s80, 0, c80}, {0, 0.50231006f, 0.50231006f}},
    {"HL2", "DisallowCullHorizon", {-s80, 0, c80}, {0, 0.50231006f, 0.50231006f}},
    {"UnrealEngine", "Disallow", {-s80, 0, c80}, {0.10025814f, 0.79662153f, 0}},
    // 100 degrees: below the surface's own horizon, but above two HL2 directions'.
    {"HL2", "Allow", {-s80, 0, -c80}, {-0.90435708f, 0.30179379f, 0.30179379f}},
    {"HL2", "Disallow", {-s80, 0, -c80}, {0, 0.30179379f, 0.30179379f}},
    {"HL2", "DisallowCullHorizon", {-s80, 0, -c80}, {0, 0, 0}},
};

std::string rnmStage(const std::string& settings)
{
    return "<?xml version=\"1.0\"?><KXConfig><FrameSettings><renderType>SurfaceTransfer</renderType>"
           "</FrameSettings><GISettings><enableGI>false</enableGI></GISettings><TextureBakeSettings>"
           "<RenderComponents>" +
           componentsXml("rnm", "<RNMSettings><samples>4</samples><components>DirectLight</components>" + settings +
                                    "</RNMSettings>") +
           "</RenderComponents></TextureBakeSettings><SurfaceTransferSettings><targets>" +
           textureTargetXml("pass0_target0", 2, 2, surfaceXml("floor")) + "</targets></SurfaceTransferSettings></KXConfig>";
}

struct Adjusted {
    const char* settings;
    V3 tangentLight;
    float values[3];
};

// Matching the normal intensity makes the mean of the three the light along the normal (1 for a
// light straight above); the Lambertian clamp caps each at that light times the clamp.
TEST_F(RendererTest, RnmIntensityMatchAndLambertianClamp)
{
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("floor", "floor"));
    const Adjusted cases[] = {
        {"<adjustIntensity>true</adjustIntensity>", {0, 0, 1}, {1, 1, 1}},
        {"<adjustIntensity>false</adjustIntensity>", {0, 0, 1}, {0.57735027f, 0.57735027f, 0.57735027f}},
        {"<allowNegative>Allow</allowNegative><enableLambertianClamp>true</enableLambertianClamp>"
         "<lambertianClamp>0.5</lambertianClamp>",
         {0.81649658f, 0, 0.57735027f}, {0.28867513f, 0, 0}},
        {"<allowNegative>Allow</allowNegative><lambertianClamp>0.5</lambertianClamp>",
         {0.81649658f, 0, 0.57735027f}, {1, 0, 0}},
    };
    for (const Adjusted& c : cases) {
        SCOPED_TRACE(c.settings);
        sceneParts.resize(1);
        add(lightXml("Directional", "sun", facing({c.tangentLight.x, c.tangentLight.z, c.tangentLight.y}), {1, 1, 1}));
        writeStage(rnmStage(c.settings));
        renderOk();
        const Image image = result("pass0_target0");
        ASSERT_EQ(image.channels.size(), 13u);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(image.at("tpRnm" + std::to_string(4 * k + 1), 0, 1), c.values[k], 1e-5) << k;
    }
}

TEST_F(RendererTest, RnmProjectsDirectionalLightsOntoEachBasis)
{
    // The floor's u runs along world +x, v along world +z, its normal is +y: tangent space
    // (x, y, z) is world (x, z, y).
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("floor", "floor"));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.basis) + " " + c.allowNegative + " " + number(c.tangentLight.x) + " " +
                     number(c.tangentLight.y) + " " + number(c.tangentLight.z));
        sceneParts.resize(1);
        add(lightXml("Directional", "sun", facing({c.tangentLight.x, c.tangentLight.z, c.tangentLight.y}), {1, 2, 4}));
        writeStage("<?xml version=\"1.0\"?><KXConfig><FrameSettings><renderType>SurfaceTransfer</renderType>"
                   "</FrameSettings><GISettings><enableGI>false</enableGI></GISettings><TextureBakeSettings>"
                   "<RenderComponents>" +
                   componentsXml("rnm", std::string("<RNMSettings><samples>4</samples><includeNormalComponent>true"
                                                    "</includeNormalComponent><components>DirectLight</components>"
                                                    "<allowNegative>") +
                                            c.allowNegative + "</allowNegative><basis>" + c.basis +
                                            "</basis></RNMSettings>") +
                   "</RenderComponents></TextureBakeSettings><SurfaceTransferSettings><targets>" +
                   textureTargetXml("pass0_target0", 2, 2, surfaceXml("floor")) +
                   "</targets></SurfaceTransferSettings></KXConfig>");
        renderOk();
        const Image image = result("pass0_target0");
        ASSERT_EQ(image.channels.size(), 17u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(image.at("tpRnm" + std::to_string(4 * k), 1, 1), c.values[k], 1e-5) << k;
            EXPECT_NEAR(image.at("tpRnm" + std::to_string(4 * k + 2), 1, 1), 4 * c.values[k], 4e-5) << k;
            EXPECT_EQ(image.at("tpRnm" + std::to_string(4 * k + 3), 1, 1), 1.0f);
        }
        // The normal component is the plain illumination.
        if (c.tangentLight.z > 0) {
            EXPECT_NEAR(image.at("tpRnm12", 0, 0), c.tangentLight.z, 1e-5);
        }
        EXPECT_EQ(image.at("Z", 0, 0), 1.0f);
    }
}

}  // namespace
