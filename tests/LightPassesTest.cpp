// Light passes through the exported functions: entries of lights and target entities, the
// distance field switch of shadow maps, and the settings the pass writes for the renderer.
#include "BakeTestSupport.h"

#include <functional>
#include <vector>

using namespace baketest;

namespace {

class LightPasses : public BakeFixture {
protected:
    TorvoRenderPass lightPass(const char* name, int32_t bakeType)
    {
        TorvoRenderPass pass = nullptr;
        EXPECT_EQ(TRVCreateLightPass(job_, name, bakeType, &pass), 0);
        return pass;
    }
    TorvoLightPassEntry entry(TorvoRenderPass pass)
    {
        TorvoLightPassEntry out = nullptr;
        EXPECT_EQ(TRVCreateLightPassEntry(pass, &out), 0);
        return out;
    }
    TorvoTargetEntity entity(TorvoInstance instance)
    {
        if (!texture) {
            EXPECT_EQ(TRVCreateTextureTarget(job_, "texture", 8, 8, &texture), 0);
        }
        TorvoTargetEntity out = nullptr;
        EXPECT_EQ(TRVAddBakeInstance(texture, instance, &out), 0);
        return out;
    }
    TorvoTarget texture = nullptr;
};


}  // namespace

TEST_F(LightPasses, OnlyShadowMapsTakeADistanceField)
{
    struct Case {
        int32_t bakeType;
        TRVStatus status;
    };
    for (const Case c : {Case{0, TRV_INVALID_OBJECT_STATE}, Case{1, TRV_SUCCESS}, Case{2, TRV_INVALID_OBJECT_STATE},
                         Case{5, TRV_INVALID_OBJECT_STATE}}) {
        const TorvoRenderPass pass = lightPass(("p" + std::to_string(c.bakeType)).c_str(), c.bakeType);
        trv::errorStream() << "mark" << std::endl;
        EXPECT_EQ(TRVEnableSignedDistanceField(pass, 4, 2.5f), c.status) << c.bakeType;
        EXPECT_EQ(trv::lastError(), c.status ? "Light pass must be a shadow map to enable signed distance fields.\n"
                                             : "mark\n")
            << c.bakeType;
        EXPECT_EQ(passDocument(pass).find("signedDistanceField") != std::string::npos, c.status == TRV_SUCCESS);
    }
    EXPECT_EQ(TRVEnableSignedDistanceField(nullptr, 4, 2.5f), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError().rfind("Invalid TorvoRenderPass Handle: ", 0), 0u);
}

TEST_F(LightPasses, EntriesTakeLightsAndEntitiesOfTheJobsSceneOnce)
{
    const TorvoRenderPass pass = lightPass("lights", 0);
    const TorvoLightPassEntry first = entry(pass);
    const TorvoLightPassEntry second = entry(pass);
    EXPECT_NE(first, second);
    const TorvoTargetEntity floorEntity = entity(floor);
    TorvoTarget otherTexture = nullptr, cloud = nullptr;
    ASSERT_EQ(TRVCreateTextureTarget(otherJob, "elsewhere", 8, 8, &otherTexture), 0);
    TorvoTargetEntity foreignEntity = nullptr, cloudEntity = nullptr;
    ASSERT_EQ(TRVAddBakeInstance(otherTexture, otherFloor, &foreignEntity), 0);
    ASSERT_EQ(TRVCreatePointCloudTarget(job_, "cloud", &cloud), 0);
    ASSERT_EQ(TRVAddBakePointCloud(cloud, probes, &cloudEntity), 0);
    struct Case {
        const char* what;
        std::function<TRVStatus()> call;
        TRVStatus status;
        std::string error;  // empty: nothing written
    };
    const std::vector<Case> cases{
        {"a light", [&] { return TRVAddLightToPass(first, sun); }, 0, ""},
        {"the light again", [&] { return TRVAddLightToPass(first, sun); }, TRV_DUPLICATE_NAME,
         "Light source sun already added to pass"},
        {"the light in another entry", [&] { return TRVAddLightToPass(second, sun); }, 0, ""},
        {"a light of another scene with the same name", [&] { return TRVAddLightToPass(first, otherSun); },
         TRV_INVALID_HANDLE, "Light source sun added to unrelated pass"},
        {"an entity", [&] { return TRVAddTargetToPass(first, floorEntity); }, 0, ""},
        {"the entity again", [&] { return TRVAddTargetToPass(first, floorEntity); }, TRV_DUPLICATE_NAME,
         "Target entity floor already added to pass"},
        {"an entity of another scene", [&] { return TRVAddTargetToPass(first, foreignEntity); },
         TRV_INVALID_HANDLE, "Target entity floor added to unrelated pass"},
        {"a point cloud entity", [&] { return TRVAddTargetToPass(first, cloudEntity); }, TRV_INVALID_HANDLE,
         "Target entity " + entityObject(cloudEntity).name() +
             " bakes a point cloud and cannot be added to a light pass"},
        {"no entry", [&] { return TRVAddLightToPass(nullptr, sun); }, TRV_INVALID_HANDLE,
         "Invalid TorvoLightPassEntry Handle: "},
        {"no light", [&] { return TRVAddLightToPass(first, nullptr); }, TRV_INVALID_HANDLE,
         "Invalid TorvoLightSource Handle: "},
        {"no entity", [&] { return TRVAddTargetToPass(first, nullptr); }, TRV_INVALID_HANDLE,
         "Invalid TorvoTargetEntity Handle: "},
    };
    for (const Case& c : cases) {
        trv::errorStream() << "mark" << std::endl;
        EXPECT_EQ(c.call(), c.status) << c.what;
        const std::string expected = c.error.empty() ? "mark\n" : c.error;
        EXPECT_EQ(trv::lastError().substr(0, expected.size()), expected) << c.what;
    }
    // One light and one entity in the first entry, the light alone in the second.
    const std::string document = passDocument(pass);
    const std::string entries = "<lightPass><LightPassEntry><lights><element>sun</element></lights>"
                                "<bakeType>LightMap</bakeType><affectedTargets><element>" +
                                entityObject(floorEntity).name() +
                                "</element></affectedTargets></LightPassEntry><LightPassEntry><lights><element>sun"
                                "</element></lights><bakeType>LightMap</bakeType><affectedTargets/>"
                                "</LightPassEntry></lightPass>";
    EXPECT_NE(document.find(entries), std::string::npos) << document;
}

TEST_F(LightPasses, ThePassWritesItsEntriesForTexturesAndVertices)
{
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    TorvoLightSource lamp = nullptr;
    ASSERT_EQ(TRVCreateSpotLight(scene_, "lamp", &m, &white, &lamp), 0);
    const TorvoTargetEntity floorEntity = entity(floor), wallEntity = entity(wall);
    const std::string f = entityObject(floorEntity).name(), w = entityObject(wallEntity).name();
    // Sets are ordered by identity: the lights and entities in the order of their addresses.
    const bool sunFirst = trv::objectOf(sun) < trv::objectOf(lamp);
    const std::string bothLights = sunFirst ? "<element>sun</element><element>lamp</element>"
                                            : "<element>lamp</element><element>sun</element>";
    const bool floorFirst = &entityObject(floorEntity) < &entityObject(wallEntity);
    const std::string bothEntities = floorFirst ? "<element>" + f + "</element><element>" + w + "</element>"
                                                : "<element>" + w + "</element><element>" + f + "</element>";
    struct Case {
        const char* what;
        std::function<TorvoRenderPass()> make;
        std::string settings;  // what each components node holds
        bool emptyLine;        // whether the pass says that it has no entries
    };
    const std::vector<Case> cases{
        {"a shadow map with a distance field and two entries",
         [&] {
             const TorvoRenderPass pass = lightPass("shadows", 1);
             EXPECT_EQ(TRVEnableSignedDistanceField(pass, 8, 0.1f), 0);
             const TorvoLightPassEntry a = entry(pass), b = entry(pass);
             EXPECT_EQ(TRVAddLightToPass(a, lamp), 0);
             EXPECT_EQ(TRVAddLightToPass(a, sun), 0);
             EXPECT_EQ(TRVAddTargetToPass(a, wallEntity), 0);
             EXPECT_EQ(TRVAddTargetToPass(a, floorEntity), 0);
             EXPECT_EQ(TRVAddLightToPass(b, sun), 0);
             return pass;
         },
         "<LightPassSettings><signedDistanceField>true</signedDistanceField>"
         "<signedDistanceFieldPixelFilterSize>8</signedDistanceFieldPixelFilterSize>"
         "<signedDistanceFieldMaxWorldDistance>0.100000001</signedDistanceFieldMaxWorldDistance>"
         "</LightPassSettings><lightPass><LightPassEntry><lights>" +
             bothLights + "</lights><bakeType>ShadowMap</bakeType><affectedTargets>" + bothEntities +
             "</affectedTargets></LightPassEntry><LightPassEntry><lights><element>sun</element></lights>"
             "<bakeType>ShadowMap</bakeType><affectedTargets/></LightPassEntry></lightPass>",
         false},
        {"full shading of one light",
         [&] {
             const TorvoRenderPass pass = lightPass("full", 2);
             EXPECT_EQ(TRVAddLightToPass(entry(pass), sun), 0);
             return pass;
         },
         "<LightPassSettings/><lightPass><LightPassEntry><lights><element>sun</element></lights>"
         "<bakeType>FullShading</bakeType><affectedTargets/></LightPassEntry></lightPass>",
         false},
        {"a bake type without a name", [&] {
             const TorvoRenderPass pass = lightPass("odd", 5);
             entry(pass);
             return pass;
         },
         "<LightPassSettings/><lightPass><LightPassEntry><lights/><affectedTargets/></LightPassEntry></lightPass>",
         false},
        {"no entries", [&] { return lightPass("nothing", 0); }, "<LightPassSettings/><lightPass/>", true},
    };
    for (const Case& c : cases) {
        const TorvoRenderPass pass = c.make();
        trvtest::InfoLogCapture info(root_ / "info.log");
        const std::string defaultNormalize =
            "<Normalize><normalizeComponent>Shape</normalizeComponent><normalizeOutput>Linked</normalizeOutput>"
            "<normalizeRange>Max</normalizeRange><normalizeAlpha>true</normalizeAlpha>"
            "<normalizeValues>false</normalizeValues></Normalize>";
        EXPECT_EQ(passDocument(pass),
                  compact("<KXConfig><TextureBakeSettings>" + defaultNormalize + "<RenderComponents>" + c.settings +
                          "</RenderComponents></TextureBakeSettings><VertexBakeSettings><VertexBakeComponents>" +
                          c.settings + "</VertexBakeComponents></VertexBakeSettings></KXConfig>"))
            << c.what;
        const std::string line = "The light pass " + passObject(pass).name() +
                                 " does not have any entries and will be empty.\n";
        EXPECT_EQ(info.text().find(line) != std::string::npos, c.emptyLine) << c.what << info.text();
    }
}
