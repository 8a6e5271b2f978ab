// Broken input ends a run with one "Error: " line and a failure code, never with a crash; a
// degenerate triangle is left out with a warning.
#include "RendererFixture.h"

#include "platform/RendererExit.h"
#include "results/PointcloudWriter.h"

#include <functional>
#include <limits>

namespace {

using namespace rtest;

const float nan = std::numeric_limits<float>::quiet_NaN();

class RefusalTest : public RendererTest {
protected:
    Mesh floor = floorQuad(-1, -1, 1, 1);
    std::string surface = surfaceXml("floor");
    std::string stageText;

    // The valid run every case breaks in one way.
    void baseline()
    {
        floor = floorQuad(-1, -1, 1, 1);
        surface = surfaceXml("floor");
        meshNames.clear();
        sceneParts = {instanceXml("floor", "floor"), lightXml("Point", "bulb", translation(0, 1, 0), {1, 1, 1})};
        stageText.clear();
    }
    void finish()
    {
        addMesh("floor", floor);
        if (stageText.empty())
            stageText = textureStage(Pass::Light, textureTargetXml("pass0_target0", 8, 8, surface));
        writeStage(stageText);
    }
};

struct Broken {
    const char* what;
    std::function<void()> breakIt;
    std::string message;
};

std::string pointCloudStage(const std::string& input, const std::string& components)
{
    return "<KXConfig><FrameSettings><renderType>PointCloudBake</renderType></FrameSettings><PointCloudBakeSettings>"
           "<PointCloudBakeComponents>" + components + "</PointCloudBakeComponents><targets><PCBakeTarget><input>" +
           input + "</input><outputFile>pass0_cloud.pc</outputFile><sourceType>PointCloudFile</sourceType>"
           "</PCBakeTarget></targets></PointCloudBakeSettings></KXConfig>";
}

const std::string luaComponents =
    "<lua>true</lua><LUASettings><scriptFile>..\\..\\scripts\\s.lua</scriptFile></LUASettings>";

void writeCloud(const fs::path& path)
{
    const std::vector<TRVVec3> positions{{0, 1, 0}, {0.5f, 1, 0}}, normals{{0, 1, 0}, {0, 1, 0}};
    ASSERT_EQ(trv::PointcloudWriter::write(path, positions, normals), 0);
}

TEST_F(RefusalTest, BrokenInputEndsWithOneErrorLineAndTheBadInputCode)
{
    const std::vector<Broken> cases{
        {"index out of range", [this] { floor.triangles[1] = {0, 3, 7}; },
         "triangle 1 refers to vertex 7 of 4"},
        {"position not a number", [this] { floor.positions[2].y = nan; },
         "vertex 2 has a position that is not a finite number"},
        {"uv not a number", [this] { floor.uvs[0][1][0] = nan; },
         "vertex 1 has a UV that is not a finite number"},
        {"missing uv set",
         [this] {
             surface = surfaceXml("floor", "<hasUVSetOverride>1</hasUVSetOverride><UVSetOverride>nope"
                                                   "</UVSetOverride>");
         },
         "through the UV layer nope, which its mesh does not have"},
        {"no uv layer at all",
         [this] {
             floor.layerNames.clear();
             floor.uvs.clear();
         },
         "bakes instance floor, whose mesh has no UV layer"},
        {"mesh file missing", [this] { meshNames.push_back("gone"); },
         "Mesh file not found: ../../meshes/gone.ttm"},
        {"instance of an unlisted mesh", [this] { sceneParts.push_back(instanceXml("x", "other")); },
         "Instance x shows mesh other, which the file list does not name"},
        {"scene does not parse", [this] { sceneParts.push_back("<Instance><Name>"); },
         "Scene file does not parse: ../../scenes/room.xml"},
        {"matrix value not a number",
         [this] {
             Matrix m = identity();
             m[5] = nan;
             sceneParts[0] = instanceXml("floor", "floor", m);
         },
         "Instance floor ObjectToWorld row 1 column 1 is not a finite number"},
        {"no shadow sample", [this] {
             sceneParts[1] = lightXml("Point", "bulb", translation(0, 1, 0), {1, 1, 1}, "", "", true, 0);
         },
         "Light bulb has fewer than one shadow sample: 0"},
        {"stage does not parse", [this] { stageText = "<KXConfig><A></KXConfig>"; },
         "Configuration file does not parse: stage.xml"},
        {"unknown instance in a target", [this] { surface = surfaceXml("nobody"); },
         "Target pass0_target0 bakes instance nobody, which the scene does not hold"},
        {"rays not a count",
         [this] {
             stageText = textureStage(Pass::Occlusion, textureTargetXml("pass0_target0", 8, 8, surfaceXml("floor")),
                                          "<AOSettings><aoMaxRay>many</aoMaxRay></AOSettings>");
         },
         "AOSettings/aoMaxRay is not a count: \"many\""},
        {"empty texture",
         [this] {
             stageText = textureStage(Pass::Light, textureTargetXml("pass0_target0", 0, 8, surfaceXml("floor")));
         },
         "Target pass0_target0 has an unusable resolution 0 x 8"},
        {"texture name leaving the output directory",
         [this] {
             stageText = textureStage(Pass::Light, textureTargetXml("../evil", 8, 8, surfaceXml("floor")));
         },
         "A target's textureName is not a usable file name: \"../evil\""},
        {"fully baked light the scene lacks",
         [this] {
             stageText = textureStage(Pass::Light, textureTargetXml("pass0_target0", 8, 8, surfaceXml("floor")));
             const std::string on = "<illumination>true</illumination>";
             stageText.replace(stageText.find("<fullAndIndirectIllumination>false</fullAndIndirectIllumination>"), 64,
                               "<fullAndIndirectIllumination>true</fullAndIndirectIllumination>"
                               "<FullAndIndirectIlluminationSettings><fullyBakedLights><element>lamp</element>"
                               "</fullyBakedLights></FullAndIndirectIlluminationSettings>");
             stageText.replace(stageText.find(on), on.size(), "<illumination>false</illumination>");
         },
         "Stage bakes light lamp fully, which the scene does not hold"},
        {"unknown render type",
         [this] { stageText = "<KXConfig><FrameSettings><renderType>Bake</renderType></FrameSettings></KXConfig>"; },
         "Stage asks for an unknown render type \"Bake\""},
        {"gobo file missing",
         [this] {
             sceneParts[1] = lightXml("Spot", "spot", translation(0, 1, 0), {1, 1, 1},
                                         "<SpotLightGoboTexture><![CDATA[..\\..\\textures\\none.png]]>"
                                         "</SpotLightGoboTexture>");
         },
         "Texture file not found: ../../textures/none.png"},
        {"gobo file damaged",
         [this] {
             std::ofstream(dir.path() / "textures" / "bad.png") << "not an image";
             sceneParts[1] = lightXml("Spot", "spot", translation(0, 1, 0), {1, 1, 1},
                                         "<SpotLightGoboTexture><![CDATA[..\\..\\textures\\bad.png]]>"
                                         "</SpotLightGoboTexture>");
         },
         "Texture file cannot be read: ../../textures/bad.png"},
        {"point cloud cut short",
         [this] {
             const fs::path cloud = dir.path() / "scenes" / "cloud.pc";
             writeCloud(cloud);
             fs::resize_file(cloud, fs::file_size(cloud) - 5);
             fs::create_directories(dir.path() / "scripts");
             std::ofstream(dir.path() / "scripts" / "s.lua") << "function sample() return 1 end\n";
             stageText = pointCloudStage("../../scenes/cloud.pc", luaComponents);
         },
         "Point cloud file ../../scenes/cloud.pc is shorter than its 2 points"},
        {"lua script that does not compile",
         [this] {
             writeCloud(dir.path() / "scenes" / "cloud.pc");
             fs::create_directories(dir.path() / "scripts");
             std::ofstream(dir.path() / "scripts" / "s.lua") << "return (\n";
             stageText = pointCloudStage("../../scenes/cloud.pc", luaComponents);
         },
         "Lua script does not compile: "},
        {"lua script that fails on line 3",
         [this] {
             writeCloud(dir.path() / "scenes" / "cloud.pc");
             fs::create_directories(dir.path() / "scripts");
             std::ofstream(dir.path() / "scripts" / "s.lua") << "-- fails\nfunction sample(px, py, pz)\n    error(\"no ground here\")\nend\n";
             stageText = pointCloudStage("../../scenes/cloud.pc", luaComponents);
         },
         "s.lua:3: no ground here"},
        {"lua script without a sample function",
         [this] {
             writeCloud(dir.path() / "scenes" / "cloud.pc");
             fs::create_directories(dir.path() / "scripts");
             std::ofstream(dir.path() / "scripts" / "s.lua") << "x = 1\n";
             stageText = pointCloudStage("../../scenes/cloud.pc", luaComponents);
         },
         "Lua script s.lua defines no function \"sample\""},
        {"lua script returning text",
         [this] {
             writeCloud(dir.path() / "scenes" / "cloud.pc");
             fs::create_directories(dir.path() / "scripts");
             std::ofstream(dir.path() / "scripts" / "s.lua") << "function sample()\n    return \"high\"\nend\n";
             stageText = pointCloudStage("../../scenes/cloud.pc", luaComponents);
         },
         "Lua script s.lua: sample returned a string as value 1, not a number"},
        {"lua script tracing without a direction",
         [this] {
             writeCloud(dir.path() / "scenes" / "cloud.pc");
             fs::create_directories(dir.path() / "scripts");
             std::ofstream(dir.path() / "scripts" / "s.lua") << "function sample(px, py, pz)\n    return trace(px, py, pz, 0, 0, 0)\nend\n";
             stageText = pointCloudStage("../../scenes/cloud.pc", luaComponents);
         },
         "s.lua:2: trace needs a finite origin"},
        {"lua script that never ends",
         [this] {
             writeCloud(dir.path() / "scenes" / "cloud.pc");
             fs::create_directories(dir.path() / "scripts");
             std::ofstream(dir.path() / "scripts" / "s.lua") << "function sample()\n    while true do end\nend\n";
             stageText = pointCloudStage("../../scenes/cloud.pc", luaComponents);
         },
         "the script ran for more than"},
        {"lua script that fails when loaded",
         [this] {
             writeCloud(dir.path() / "scenes" / "cloud.pc");
             fs::create_directories(dir.path() / "scripts");
             std::ofstream(dir.path() / "scripts" / "s.lua") << "local t = nil\nt.x = 1\nfunction sample() return 1 end\n";
             stageText = pointCloudStage("../../scenes/cloud.pc", luaComponents);
         },
         "s.lua:2: attempt to index"},
    };
    for (const Broken& broken : cases) {
        SCOPED_TRACE(broken.what);
        baseline();
        broken.breakIt();
        finish();
        const RunOutput run = render();
        EXPECT_EQ(run.code, trv::platform::ExitStatusInputRefused);
        ASSERT_EQ(run.errors().size(), 1u);
        EXPECT_EQ(run.errors().front(), run.lines.back());
        EXPECT_NE(run.lines.back().find(broken.message), std::string::npos) << run.lines.back();
        EXPECT_FALSE(run.has("Done rendering!"));
    }
}

TEST_F(RefusalTest, AMeshFileCutShortIsRefused)
{
    baseline();
    finish();
    const fs::path mesh = dir / "meshes" / "floor.ttm";
    for (uintmax_t cut : {uintmax_t(4), uintmax_t(100), fs::file_size(mesh) - 3}) {
        SCOPED_TRACE(cut);
        fs::resize_file(mesh, fs::file_size(mesh) - cut);
        const RunOutput run = render();
        EXPECT_EQ(run.code, trv::platform::ExitStatusInputRefused);
        ASSERT_EQ(run.errors().size(), 1u);
        EXPECT_EQ(run.errors().front().rfind("Error: Mesh file ", 0), 0u) << run.errors().front();
        addMesh("floor", floor);
    }
}

TEST_F(RefusalTest, ZeroAreaTrianglesAreLeftOutWithAWarning)
{
    baseline();
    floor.positions.push_back({0.5f, 0, 0.5f});
    floor.normals.push_back({0, 1, 0});
    floor.uvs[0].push_back({0.5f, 0.5f});
    floor.triangles.push_back({4, 4, 1});
    floor.triangles.push_back({0, 4, 2});  // on the diagonal of the square: a line
    finish();
    const RunOutput run = renderOk();
    EXPECT_TRUE(run.has("Warning: skipped 2 zero-area triangles of instance floor (mesh file ../../meshes/floor.ttm)"));
    const Image image = result("pass0_target0");
    for (float a : image.channels.at("tpIllumination.A"))
        EXPECT_EQ(a, 1.0f);
}

}  // namespace
