// Light passes on a floor half shadowed by a roof under a light from straight above: the light
// map, the shadow map and its distance field against the half-plane shadow, full shading, and
// entities the entries leave out.
#include "RendererFixture.h"

namespace rtest {
namespace {

constexpr float Pi = 3.14159265f;

class LightPassTest : public RendererTest {
protected:
    // A 2 x 2 floor (UVs along x and z) under a roof over x < 0 at height 1; the sun shines down.
    void scene(float intensity)
    {
        addMesh("floor", floorQuad(-1, -1, 1, 1));
        addMesh("roof", floorQuad(-3, -3, 0, 3, 1));
        add(instanceXml("floor", "floor"));
        add(instanceXml("roof", "roof"));
        add(lightXml("Directional", "sun", rotationX(-Pi / 2), {intensity, intensity, intensity}, "", "", true));
        add(lightXml("Directional", "moon", rotationX(-Pi / 2), {5, 5, 5}));
    }
    void stage(const std::string& type, const std::string& targets, const std::string& sdf = "")
    {
        std::string text = textureStage(Pass::Normals, textureTargetXml("pass0_target0", 32, 8, surfaceXml("floor")));
        const std::string on = "<normals>true</normals>";
        text.replace(text.find(on), on.size(),
                     "<normals>false</normals><LightPassSettings>" + sdf +
                         "</LightPassSettings><lightPass><LightPassEntry><lights><element>sun</element></lights>"
                         "<bakeType>" + type + "</bakeType><affectedTargets>" + targets +
                         "</affectedTargets></LightPassEntry></lightPass>");
        writeStage(text);
    }
};

TEST_F(LightPassTest, LightAndShadowMapsShowTheEntrysLightsOnly)
{
    scene(0.8f);
    struct Case {
        std::string type;
        std::string targets;
        float shadowed, lit;  // columns 0..15 lie under the roof
    };
    const Case cases[] = {
        {"LightMap", "<element>0f1e2d3c-guid</element>", 0.0f, 0.8f},  // the moon is not in the entry
        {"ShadowMap", "<element>0f1e2d3c-guid</element>", 0.0f, 1.0f},
        {"LightMap", "<element>another-entity</element>", 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type + " " + c.targets);
        stage(c.type, c.targets);
        renderOk();
        const Image image = result("pass0_target0");
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 32; ++x) {
                EXPECT_NEAR(image.at("LightPass.R", x, y), x < 16 ? c.shadowed : c.lit, 1e-5) << x;
                EXPECT_EQ(image.at("LightPass.A", x, y), 1.0f);
            }
    }
}

// Full shading of the sun alone on the default 0.7 grey floor: 0.7 x 0.8 where it shines, plus the
// light the floor sends back to itself off the roof's underside, which alone reaches the shadow;
// the moon (5, not in the entry) adds nothing.
TEST_F(LightPassTest, FullShadingIsTheAlbedoTimesTheEntrysDirectAndIndirectLight)
{
    scene(0.8f);
    stage("FullShading", "<element>0f1e2d3c-guid</element>");
    renderOk();
    const Image image = result("pass0_target0");
    const float direct = 0.7f * 0.8f;
    double shadowed = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 32; ++x) {
            const float v = image.at("LightPass.G", x, y);
            if (x < 16) {
                EXPECT_LT(v, 0.1f) << x;
                shadowed += v;
            } else {
                EXPECT_GE(v, direct - 1e-4f) << x;
                EXPECT_LT(v, direct + 0.1f) << x;
            }
        }
    EXPECT_GT(shadowed, 0.0);
}

TEST_F(LightPassTest, ShadowDistanceFieldFollowsTheRoofsEdge)
{
    scene(1);
    // The floor's 4 square units over its 256 texels: a texel side of 0.125 on average, so a
    // maximum distance of 0.25 narrows the range from 4 to 2 texels.
    const std::pair<const char*, float> cases[] = {{"0", 4.0f}, {"0.25", 2.0f}};
    for (const auto& [distance, range] : cases) {
        SCOPED_TRACE(distance);
        stage("ShadowMap", "<element>0f1e2d3c-guid</element>",
              std::string("<signedDistanceField>true</signedDistanceField><signedDistanceFieldPixelFilterSize>4"
                          "</signedDistanceFieldPixelFilterSize><signedDistanceFieldMaxWorldDistance>") +
                  distance + "</signedDistanceFieldMaxWorldDistance>");
        renderOk();
        const Image image = result("pass0_target0");
        // The edge between columns 15 and 16; 0.5 + d / (2 range) with d the distance from it in texels.
        for (int x = 0; x < 32; ++x) {
            const float d = x + 0.5f - 16;
            const float expected = std::clamp(0.5f + d / (2 * range), 0.0f, 1.0f);
            for (int y = 0; y < 8; ++y)
                EXPECT_NEAR(image.at("LightPass.G", x, y), expected, 1e-5) << x;
        }
    }
}

}  // namespace
}  // namespace rtest
