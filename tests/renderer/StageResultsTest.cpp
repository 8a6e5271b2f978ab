// What a stage produces besides texture values: vertex and point cloud results, normalization
// documents, channel names, and the progress phases the library's estimate expects.
#include "RendererFixture.h"

#include "job/ConfigDocument.h"
#include "results/PointcloudReader.h"
#include "results/PointcloudWriter.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using namespace rtest;

constexpr double pi = 3.14159265358979323846;
const std::string sunDown = lightXml("Directional", "sun", rotationX(static_cast<float>(-pi / 2)), {2, 2, 2});

std::string vertexStage(const std::string& components, const std::string& instance,
                        const std::string& gi = "<enableGI>false</enableGI>")
{
    return "<KXConfig><FrameSettings><renderType>VertexTransfer</renderType></FrameSettings><GISettings>" + gi +
           "</GISettings><VertexBakeSettings><VertexBakeComponents>" + components +
           "</VertexBakeComponents></VertexBakeSettings><SurfaceTransferSettings><targets><SurfaceTransferTexture>"
           "<textureName>pass0_7a6b</textureName><targetSurfaces><SurfaceTransferTarget><target>" + instance +
           "</target><name>7a6b</name></SurfaceTransferTarget></targetSurfaces></SurfaceTransferTexture></targets>"
           "</SurfaceTransferSettings></KXConfig>";
}

std::string cloudStage(const std::string& components)
{
    return "<KXConfig><FrameSettings><renderType>PointCloudBake</renderType></FrameSettings><PointCloudBakeSettings>"
           "<PointCloudBakeComponents>" + components + "</PointCloudBakeComponents><targets><PCBakeTarget><input>"
           "../../scenes/c1.pc</input><outputFile>pass0_c1.pc</outputFile><sourceType>PointCloudFile</sourceType>"
           "</PCBakeTarget></targets></PointCloudBakeSettings>" + occlusionXml(256) + "</KXConfig>";
}

TEST_F(RendererTest, VertexTargetsGetOneValueSetPerVertex)
{
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    // Tilted by 30 degrees: the sun straight above meets every vertex normal at 30 degrees.
    add(instanceXml("floor", "floor", translation(0, 1, 0) * rotationX(static_cast<float>(pi / 6))));
    add(sunDown);
    writeStage(vertexStage(componentsXml("illumination"), "floor"));
    renderOk();
    const auto contents = trv::PointcloudReader::read(output / "result_pass0_7a6b_tpIllumination.pc");
    ASSERT_EQ(contents.pointCount, 4u);
    ASSERT_EQ(contents.valuesPerPoint, 4u);
    for (uint32_t p = 0; p < 4; ++p) {
        EXPECT_NEAR(contents.values[p * 4], 2 * std::cos(pi / 6), 1e-5);
        EXPECT_NEAR(contents.values[p * 4 + 2], 2 * std::cos(pi / 6), 1e-5);
        EXPECT_EQ(contents.values[p * 4 + 3], 1.0f);
    }
}

class CloudTest : public RendererTest {
protected:
    CloudTest()
    {
        // A floor, and points half a unit above it looking up and looking down at it.
        addMesh("floor", floorQuad(-100, -100, 100, 100));
        add(instanceXml("floor", "floor"));
        const std::vector<TRVVec3> positions{{0, 0.5f, 0}, {1, 0.5f, 1}, {0, 0.5f, 0}};
        const std::vector<TRVVec3> normals{{0, 1, 0}, {0, 2, 0}, {0, -1, 0}};
        EXPECT_EQ(trv::PointcloudWriter::write(dir / "scenes" / "c1.pc", positions, normals), 0);
    }
};

TEST_F(CloudTest, PointCloudBakesGiveValuesAtEveryPoint)
{
    writeStage(cloudStage("<customPasses><element>ambientOcclusion</element></customPasses>"));
    renderOk();
    const auto occlusion = trv::PointcloudReader::read(output / "result_pass0_c1.pc");
    ASSERT_EQ(occlusion.pointCount, 3u);
    ASSERT_EQ(occlusion.valuesPerPoint, 4u);
    EXPECT_EQ(occlusion.values[0], 1.0f);
    EXPECT_EQ(occlusion.values[4], 1.0f);
    EXPECT_LT(occlusion.values[8], 0.01f);

    // Lua scripts do not run yet: the script is checked and the values are zeros.
    fs::create_directories(dir / "scripts");
    std::ofstream(dir / "scripts" / "s.lua") << "return function(p) return 1 end\n";
    writeStage(cloudStage("<lua>true</lua><LUASettings><scriptFile>..\\..\\scripts\\s.lua</scriptFile></LUASettings>"));
    renderOk();
    const auto lua = trv::PointcloudReader::read(output / "result_pass0_c1.pc");
    ASSERT_EQ(lua.pointCount, 3u);
    ASSERT_EQ(lua.valuesPerPoint, 4u);
    EXPECT_TRUE(std::all_of(lua.values.begin(), lua.values.end(), [](float v) { return v == 0.0f; }));
}

// The channels a texture result of a pass carries.
struct PassChannels {
    std::string components;
    std::vector<std::string> names;
};

TEST_F(RendererTest, ResultChannelsAreNamedForTheLibrarysChannelOrder)
{
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("floor", "floor"));
    auto numbered = [](const std::string& layer, int count, bool z) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i)
            names.push_back(layer + std::to_string(i));
        if (z)
            names.push_back("Z");
        return names;
    };
    auto letters = [](const std::string& layer) {
        return std::vector<std::string>{layer + ".A", layer + ".B", layer + ".G", layer + ".R"};
    };
    fs::create_directories(dir / "scripts");
    std::ofstream(dir / "scripts" / "s.lua") << "return 1\n";
    for (const PassChannels& pass : std::vector<PassChannels>{
             {componentsXml("fullShading"), letters("beauty")},
             {componentsXml("normals"), letters("tpNormals")},
             {componentsXml("illumination"), letters("tpIllumination")},
             {componentsXml("indirectIllumination"), letters("tpIndirectIllumination")},
             {componentsXml("", "<customPasses><element>ambientOcclusion</element></customPasses>"),
              letters("ambientOcclusion")},
             {componentsXml("", "<lightPass/>"), letters("LightPass")},
             {componentsXml("fullAndIndirectIllumination"), numbered("tpIllumination", 6, true)},
             {componentsXml("rnm"), numbered("tpRnm", 12, true)},
             {componentsXml("rnm", "<RNMSettings><includeNormalComponent>true</includeNormalComponent></RNMSettings>"),
              numbered("tpRnm", 16, true)},
             {componentsXml("lua", "<LUASettings><scriptFile>../../scripts/s.lua</scriptFile></LUASettings>"),
              numbered("tpLua", 4, false)},
         }) {
        SCOPED_TRACE(pass.components);
        std::string stage = textureStage(Pass::Normals, textureTargetXml("pass0_target0", 4, 4, surfaceXml("floor")));
        stage.replace(stage.find(componentsXml("normals")), componentsXml("normals").size(), pass.components);
        writeStage(stage);
        renderOk();
        const Image image = result("pass0_target0");
        std::vector<std::string> names;
        for (const auto& [name, values] : image.channels)
            names.push_back(name);
        std::vector<std::string> expected = pass.names;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
    }
}

// The ranges of a normalization document, by shape.
struct Range {
    float low, high;
    std::vector<std::pair<float, float>> channels;
};

std::map<std::string, Range> readRanges(const fs::path& path)
{
    std::map<std::string, Range> ranges;
    tinyxml2::XMLDocument document;
    EXPECT_EQ(document.LoadFile(path.c_str()), tinyxml2::XML_SUCCESS);
    const auto* list = document.FirstChildElement("MinMaxRoot")->FirstChildElement("minMaxVec");
    for (const auto* s = list->FirstChildElement("ShapeMinMax"); s; s = s->NextSiblingElement("ShapeMinMax")) {
        Range& range = ranges[s->FirstChildElement("shape")->GetText()];
        range.low = std::stof(s->FirstChildElement("minVal")->GetText());
        range.high = std::stof(s->FirstChildElement("maxVal")->GetText());
        const auto* channels = s->FirstChildElement("ComponentMinMaxVec");
        for (const auto* c = channels->FirstChildElement("ComponentMinMax"); c;
             c = c->NextSiblingElement("ComponentMinMax"))
            range.channels.emplace_back(std::stof(c->FirstChildElement("minVal")->GetText()),
                                        std::stof(c->FirstChildElement("maxVal")->GetText()));
    }
    return ranges;
}

TEST_F(RendererTest, NormalizedResultsComeWithTheRangesTheyHad)
{
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("floor", "floor"));
    add(instanceXml("second <floor>", "floor", translation(3, 0, 0)));
    add(lightXml("Point", "bulb", translation(0.5f, 1, 0), {1.0f, 0.5f, 0.25f}, "", falloffXml(2, false)));
    const std::string targets = textureTargetXml("pass0_target0", 16, 16, surfaceXml("floor")) +
                                textureTargetXml("pass0_target1", 16, 16, surfaceXml("second <floor>"));
    writeStage(textureStage(Pass::Light, targets));
    renderOk();
    const Image raw = result("pass0_target0");
    EXPECT_FALSE(fs::exists(output / "result_pass0_target0.xml"));

    for (bool perChannel : {false, true}) {
        SCOPED_TRACE(perChannel);
        std::string stage = textureStage(Pass::Light, targets, "", true);
        if (perChannel)
            stage.replace(stage.find(">Linked<"), 8, ">PerChannel<");
        writeStage(stage);
        renderOk();
        const Image normalized = result("pass0_target0");
        const auto ranges = readRanges(output / "result_pass0_target0.xml");
        ASSERT_EQ(ranges.size(), 1u);
        ASSERT_EQ(ranges.count("floor"), 1u);
        ASSERT_EQ(readRanges(output / "result_pass0_target1.xml").count("second <floor>"), 1u);
        const Range& range = ranges.at("floor");
        ASSERT_EQ(range.channels.size(), 4u);
        const char* names[] = {"tpIllumination.R", "tpIllumination.G", "tpIllumination.B", "tpIllumination.A"};
        float low = std::numeric_limits<float>::max(), high = -low;
        for (int c = 0; c < 4; ++c) {
            const auto& values = raw.channels.at(names[c]);
            const auto [min, max] = std::minmax_element(values.begin(), values.end());
            EXPECT_FLOAT_EQ(range.channels[c].first, *min);
            EXPECT_FLOAT_EQ(range.channels[c].second, *max);
            if (c < 3) {
                low = std::min(low, *min);
                high = std::max(high, *max);
            }
        }
        EXPECT_FLOAT_EQ(range.low, low);
        EXPECT_FLOAT_EQ(range.high, high);
        for (int c = 0; c < 3; ++c)
            for (size_t i = 0; i < raw.channels.at(names[c]).size(); ++i) {
                const float from = perChannel ? range.channels[c].first : range.low;
                const float to = perChannel ? range.channels[c].second : range.high;
                const float n = normalized.channels.at(names[c])[i];
                EXPECT_GE(n, 0.0f);
                EXPECT_LE(n, 1.0f);
                EXPECT_NEAR(from + n * (to - from), raw.channels.at(names[c])[i], 1e-6);
            }
        EXPECT_EQ(normalized.channels.at(names[3]), raw.channels.at(names[3]));
    }
}

// A stage and the number of textures, vertex sets or clouds it bakes.
struct PhaseCase {
    const char* what;
    std::string stage;
};

std::string giSettings(const std::string& inside)
{
    return "<GISettings>" + inside + "</GISettings>";
}

TEST_F(RendererTest, EveryStageReportsTheCountedPhasesTheLibraryExpects)
{
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("floor", "floor"));
    add(sunDown);
    const std::string cameraName = "0123456789012345678901234567890123456789";
    add("<Camera><Name>" + cameraName + "</Name>" + matrixXml("ObjectToWorld", translation(0, 1, 3)) +
        "<Type>PERSPECTIVE</Type><Fov><x>1</x><y>0.75</y></Fov></Camera>");
    const std::vector<TRVVec3> positions{{0, 0.5f, 0}}, normals{{0, 1, 0}};
    ASSERT_EQ(trv::PointcloudWriter::write(dir / "scenes" / "c1.pc", positions, normals), 0);
    const std::string two = textureTargetXml("pass0_target0", 4, 4, surfaceXml("floor")) +
                            textureTargetXml("pass0_target1", 4, 4, surfaceXml("floor"));
    auto texture = [&](const std::string& gi, const std::string& components, const std::string& targets,
                       const std::string& more = "") {
        std::string stage = textureStage(Pass::Normals, targets, giSettings(gi) + more);
        stage.replace(stage.find("<GISettings><enableGI>false</enableGI></GISettings>"), 51, "");
        stage.replace(stage.find(componentsXml("normals")), componentsXml("normals").size(), components);
        return stage;
    };
    const std::string occlusion = componentsXml("", "<customPasses><element>ambientOcclusion</element></customPasses>");
    const std::vector<PhaseCase> cases{
        {"two textures, no global illumination", texture("<enableGI>false</enableGI>", componentsXml("normals"), two)},
        {"final gather with depth and a secondary bounce",
         texture("<enableGI>true</enableGI><primaryIntegrator>FinalGather</primaryIntegrator><fgDepth>2</fgDepth>"
                 "<secondaryIntegrator>pathtracer</secondaryIntegrator><prepassMinSampleRate>-2"
                 "</prepassMinSampleRate><prepassMaxSampleRate>1</prepassMaxSampleRate>",
                 componentsXml("fullShading"), two)},
        {"no primary integrator given", texture("<enableGI>true</enableGI>", componentsXml("fullShading"), two)},
        {"adaptive occlusion prepass",
         texture("<enableGI>false</enableGI>", occlusion, two,
                 "<AOSettings><aoAdaptive>true</aoAdaptive><aoMinRay>4</aoMinRay><aoMaxRay>8</aoMaxRay></AOSettings>")},
        {"a comment among the targets",
         texture("<enableGI>false</enableGI>", componentsXml("normals"), two + "<!-- a note -->")},
        {"vertices with a primary bounce",
         vertexStage(componentsXml("illumination"), "floor",
                     "<enableGI>true</enableGI><primaryIntegrator>pathtracer</primaryIntegrator>"
                     "<secondaryIntegrator>none</secondaryIntegrator>")},
        {"a point cloud", cloudStage("<customPasses><element>ambientOcclusion</element></customPasses>")},
        {"a camera with global illumination",
         "<KXConfig><FrameSettings><resolution><x>8</x><y>6</y></resolution><renderType>render</renderType>"
         "<cameraName>" + cameraName + "</cameraName></FrameSettings>" +
             giSettings("<enableGI>true</enableGI><primaryIntegrator>pathtracer</primaryIntegrator>") +
             "<TextureBakeSettings><RenderComponents>" + componentsXml("fullShading") +
             "</RenderComponents></TextureBakeSettings></KXConfig>"},
    };
    const char* counted[] = {"Precalculating Path Tracer Lighting", "GI calculation", "Baking Texture",
                             "Baking Point Cloud", "Vertex Transfer"};
    for (const PhaseCase& c : cases) {
        SCOPED_TRACE(c.what);
        writeStage(c.stage);
        const RunOutput run = renderOk(0, "pass0_" + cameraName);
        uint32_t expected = 0;
        ASSERT_EQ(trv::estimatePhases(job / "stage.xml", expected), 0);
        uint32_t phases = 0;
        int last = 100;
        bool inCounted = false;
        for (const std::string& line : run.lines) {
            const std::string title = "[PROGRESS] Progress Title: ", value = "[PROGRESS] Progress ";
            if (line.rfind(title, 0) == 0) {
                EXPECT_EQ(last, 100) << "a phase ended before 100";
                inCounted = std::any_of(std::begin(counted), std::end(counted),
                                        [&](const char* name) { return line.find(name) != std::string::npos; });
                phases += inCounted ? 1 : 0;
                last = -1;
            } else if (line.rfind(value, 0) == 0) {
                const int v = std::stoi(line.substr(value.size()));
                EXPECT_GT(v, last);
                EXPECT_LE(v, 100);
                if (last == -1) {
                    EXPECT_EQ(v, 0);
                }
                last = v;
            }
        }
        EXPECT_EQ(phases, expected);
        EXPECT_GT(expected, 0u);
        EXPECT_EQ(run.lines.back(), "Done rendering!");
    }
}

}  // namespace
