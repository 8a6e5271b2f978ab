// Configuration documents: the element-path helpers, loading, stage building and the phase estimate.
#include "fakes/JobTestDoubles.h"

#include "core/Log.h"
#include "job/PassesAndTargets.h"
#include "job/ConfigDocument.h"
#include "job/TorvoRenderTool.h"
#include "core/XmlTools.h"

#include <gtest/gtest.h>

namespace x = trv::xmlTools;
namespace fs = std::filesystem;
using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;
using trvtest::FakePass;
using trvtest::FakeTarget;

namespace {

std::string printed(const XMLDocument& document)
{
    tinyxml2::XMLPrinter printer(nullptr, true);
    document.Print(&printer);
    return printer.CStr();
}

void parse(XMLDocument& document, const char* text)
{
    ASSERT_EQ(document.Parse(text), tinyxml2::XML_SUCCESS);
}

TEST(ConfigDocumentXml, PathHelpersFindCreateResetAndAppend)
{
    XMLDocument document;
    parse(document, "<KXConfig><A><B>1</B><B>2</B></A></KXConfig>");
    EXPECT_EQ(x::text(x::find(&document, "KXConfig/A/B")), "1");
    EXPECT_EQ(x::find(&document, "KXConfig/A/C"), nullptr);
    EXPECT_EQ(x::find(&document, "KXConfig/a"), nullptr);
    EXPECT_EQ(x::findOrCreatePath(&document, "KXConfig/A/B"), x::find(&document, "KXConfig/A/B"));
    x::findOrCreatePath(&document, "KXConfig/N/M");
    x::setText(x::find(&document, "KXConfig/A"), "B", "9");
    x::append(x::find(&document, "KXConfig/A"), "B");
    EXPECT_EQ(printed(document), "<KXConfig><A><B>9</B><B>2</B><B/></A><N><M/></N></KXConfig>");
    x::reset(x::find(&document, "KXConfig"), "A");
    x::reset(x::find(&document, "KXConfig"), "R");
    EXPECT_EQ(printed(document), "<KXConfig><A/><N><M/></N><R/></KXConfig>");
}

TEST(ConfigDocumentXml, ValuesAreWrittenAndReadInTheirFixedForms)
{
    EXPECT_EQ(x::valueText(2.0f), "2");
    EXPECT_EQ(x::valueText(0.1f), "0.100000001");
    EXPECT_EQ(x::valueText(true), "true");
    EXPECT_EQ(x::valueText(int32_t(-7)), "-7");
    EXPECT_EQ(x::valueText(uint32_t(4000000000u)), "4000000000");

    XMLDocument document;
    parse(document, "<r><t>true</t><f>True</f><i>-12</i><bad> 3</bad><e></e><v><x>1.5</x><y>2</y></v>"
                    "<w><y>1</y></w><u><x>1</x><z>2</z></u><g>1e3</g><h>3x</h><hex>0x1p3</hex></r>");
    const XMLElement* root = document.RootElement();
    EXPECT_TRUE(x::readBool(x::find(root, "t")));
    EXPECT_FALSE(x::readBool(x::find(root, "f")));
    EXPECT_FALSE(x::readBool(x::find(root, "e")));
    EXPECT_EQ(x::readInt(x::find(root, "i")), -12);
    EXPECT_EQ(x::readFloat(x::find(root, "g")), 1000.0f);
    for (const char* path : {"bad", "e", "h"}) {
        try {
            x::readInt(x::find(root, path));
            ADD_FAILURE() << path;
        } catch (const x::XMLGetException& e) {
            EXPECT_STREQ(e.what(), "Bad lexical cast when reading value from XML");
        }
    }
    for (const char* path : {"h", "hex", "bad", "e"}) {
        try {
            x::readFloat(x::find(root, path));
            ADD_FAILURE() << path;
        } catch (const x::XMLGetException& e) {
            EXPECT_STREQ(e.what(), "Bad lexical cast when reading value from XML");
        }
    }
    float vx = 0, vy = 0;
    x::readVec2(x::find(root, "v"), vx, vy);
    EXPECT_EQ(vx, 1.5f);
    EXPECT_EQ(vy, 2.0f);
    try {
        x::readVec2(x::find(root, "w"), vx, vy);
        ADD_FAILURE();
    } catch (const x::XMLGetException& e) {
        EXPECT_STREQ(e.what(), "Didn't find x component when reading a vec2");
    }
    try {
        x::readVec2(x::find(root, "u"), vx, vy);
        ADD_FAILURE();
    } catch (const x::XMLGetException& e) {
        EXPECT_STREQ(e.what(), "Didn't find y component when reading a vec2");
    }
    XMLElement* target = x::findOrCreatePath(&document, "r/out");
    x::writeVec2(target, 0.5f, 0.1f);
    EXPECT_EQ(x::text(x::find(target, "y")), "0.100000001");
}

TEST(ConfigDocumentLoad, ComponentsAreSwitchedOffAndFailuresNamed)
{
    const auto dir = trvtest::scratchDirectory("load");
    XMLDocument empty;
    ASSERT_EQ(trv::loadSourceDocument("", empty), 0);
    const XMLElement* texture = x::find(&empty, "KXConfig/TextureBakeSettings/RenderComponents");
    ASSERT_NE(texture, nullptr);
    int count = 0;
    for (const XMLElement* e = texture->FirstChildElement(); e; e = e->NextSiblingElement(), ++count)
        EXPECT_EQ(x::text(e), "false");
    EXPECT_EQ(count, 15);
    EXPECT_STREQ(texture->FirstChildElement()->Name(), "fullShading");
    EXPECT_STREQ(texture->LastChildElement()->Name(), "sss");
    EXPECT_EQ(x::text(x::find(&empty, "KXConfig/VertexBakeSettings/VertexBakeComponents/lua")), "false");

    std::ofstream(dir / "on.xml") << "<KXConfig><TextureBakeSettings><RenderComponents><rnm>true</rnm>"
                                     "</RenderComponents></TextureBakeSettings><Keep>1</Keep></KXConfig>";
    XMLDocument loaded;
    ASSERT_EQ(trv::loadSourceDocument(dir / "on.xml", loaded), 0);
    EXPECT_EQ(x::text(x::find(&loaded, "KXConfig/TextureBakeSettings/RenderComponents/rnm")), "false");
    EXPECT_EQ(x::text(x::find(&loaded, "KXConfig/Keep")), "1");

    std::ofstream(dir / "broken.xml") << "<KXConfig>\n<A>\n</KXConfig>\n";
    XMLDocument broken;
    EXPECT_EQ(trv::loadSourceDocument(dir / "broken.xml", broken), 7);
    const std::string message = trv::lastError();
    EXPECT_EQ(message.rfind("Failed to parse the source XML file (row 2): " + (dir / "broken.xml").string() +
                                ", Error message: ",
                            0),
              0u)
        << message;
    EXPECT_EQ(trv::loadSourceDocument(dir / "absent.xml", broken), 7);
    EXPECT_EQ(trv::lastError(), "Failed to open file " + (dir / "absent.xml").string() + "\n");
}

struct ConfigDocumentStages : ::testing::Test {
    fs::path dir = trvtest::scratchDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
    trv::PassesAndTargets content;
    trv::TorvoRenderTool tool{dir, dir / "s.xml", dir / "s_files.xml", dir / "output", 2, dir / "r.exe"};
    std::vector<trv::JobStage> stages;

    FakePass& pass(const std::string& name)
    {
        auto made = std::make_shared<FakePass>(name);
        EXPECT_EQ(content.addPass(name, [&](auto& out) { out = made; return 0; }), 0);
        return *made;
    }
    FakeTarget& target(const std::string& name, bool texture, std::vector<const trv::JobPass*> passes)
    {
        auto made = std::make_shared<FakeTarget>(name, texture);
        made->passes = std::move(passes);
        EXPECT_EQ(content.addTarget(name, [&](auto& out) { out = made; return 0; }), 0);
        return *made;
    }
    TRVStatus build() { return trv::buildStages(content, dir, "", stages, tool); }
};

TEST_F(ConfigDocumentStages, TextureTargetsOfOnePassShareOneStage)
{
    FakePass& p = pass("pass0");
    target("target1", true, {&p});
    target("target3", true, {&p});
    ASSERT_EQ(build(), 0);
    ASSERT_EQ(stages.size(), 1u);
    EXPECT_EQ(stages[0].configurationPath, dir / "target3_pass0.xml");
    EXPECT_EQ(stages[0].weight, 2u);
    EXPECT_EQ(stages[0].outputName, "");
    XMLDocument saved;
    ASSERT_EQ(saved.LoadFile((dir / "target3_pass0.xml").c_str()), tinyxml2::XML_SUCCESS);
    const XMLElement* targets = x::find(&saved, "KXConfig/SurfaceTransferSettings/targets");
    ASSERT_NE(targets, nullptr);
    const XMLElement* first = targets->FirstChildElement("SurfaceTransferTexture");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(x::text(x::find(first, "textureName")), "target1_0");
    EXPECT_EQ(x::text(x::find(first->NextSiblingElement(), "textureName")), "target3_0");
    EXPECT_EQ(x::text(x::find(&saved, "KXConfig/TextureBakeSettings/RenderComponents/fullShading")), "true");
    EXPECT_EQ(x::text(x::find(&saved, "KXConfig/FakePass/name")), "pass0");
    EXPECT_FALSE(fs::exists(dir / "target1_pass0.xml"));
}

TEST_F(ConfigDocumentStages, OtherTargetsAndFurtherPassesGetStagesOfTheirOwn)
{
    FakePass& p0 = pass("pass0");
    FakePass& p1 = pass("pass1");
    FakeTarget& vertex = target("target0", false, {&p0});
    vertex.documents = 3;
    vertex.outputName = "cam";
    FakeTarget& texture = target("target1", true, {&p0, &p1});
    ASSERT_EQ(build(), 0);
    ASSERT_EQ(stages.size(), 3u);
    EXPECT_EQ(stages[0].configurationPath, dir / "target0_pass0.xml");
    EXPECT_EQ(stages[0].weight, 3u);
    EXPECT_EQ(stages[0].outputName, "pass0_cam");
    EXPECT_EQ(stages[1].configurationPath, dir / "target1_pass0.xml");
    EXPECT_EQ(stages[1].weight, 1u);
    EXPECT_EQ(stages[2].configurationPath, dir / "target1_pass1.xml");
    EXPECT_EQ(texture.prefixes, "pass0;pass1;");
    XMLDocument merged;
    ASSERT_EQ(merged.LoadFile((dir / "target0_pass0.xml").c_str()), tinyxml2::XML_SUCCESS);
    int textures = 0;
    for (const XMLElement* e = x::find(&merged, "KXConfig/SurfaceTransferSettings/targets")->FirstChildElement(); e;
         e = e->NextSiblingElement())
        ++textures;
    EXPECT_EQ(textures, 3);
}

TEST_F(ConfigDocumentStages, FailuresOfTargetsAndMergesEndStageBuilding)
{
    FakePass& p = pass("pass0");
    FakeTarget& refusing = target("target0", false, {&p});
    refusing.failWith = 9;
    EXPECT_EQ(build(), 9);
    EXPECT_EQ(trv::lastError(), "target refused\n");
    refusing.failWith = 0;
    refusing.documents = 2;
    refusing.withoutTexture = true;
    EXPECT_EQ(build(), 11);
    EXPECT_EQ(trv::lastError(), "Failed to find surface transfer texture in source document\n");
    refusing.withoutTexture = false;
    fs::create_directories(dir / "target0_pass0.xml");
    EXPECT_EQ(build(), 7);
    EXPECT_EQ(trv::lastError(), "Failed to open file " + (dir / "target0_pass0.xml").string() + "\n");
    EXPECT_TRUE(stages.empty());
    EXPECT_EQ(content.addPass("pass0", [](auto& out) { out = std::make_shared<FakePass>("x"); return 0; }), 3);
    EXPECT_EQ(trv::lastError(), "A pass named pass0 already exists\n");
    EXPECT_EQ(content.addTarget("t", [](auto&) { return 0; }), 2);
    EXPECT_EQ(trv::lastError(), "Failed to allocate targett\n");
    // A maker that refuses keeps its status, and what it made is not kept.
    EXPECT_EQ(content.addTarget("t", [](auto& out) {
        out = std::make_shared<FakeTarget>("t", true);
        return 9;
    }), 9);
    EXPECT_EQ(content.targets().count("t"), 0u);
    EXPECT_EQ(content.addTarget("t", [](auto&) -> TRVStatus { throw std::bad_alloc(); }), 2);
    EXPECT_EQ(trv::lastError(), "Failed to allocate targett\n");
}

TEST(ConfigDocumentMerge, DestinationWithoutTargetsIsRefused)
{
    auto destination = std::make_unique<XMLDocument>();
    parse(*destination, "<KXConfig/>");
    auto source = std::make_unique<XMLDocument>();
    parse(*source, "<KXConfig/>");
    EXPECT_FALSE(trv::mergeSurfaceTransfer(destination, source));
    EXPECT_EQ(trv::lastError(), "Failed to find surface transfer targets destination document\n");
    std::unique_ptr<XMLDocument> none;
    EXPECT_TRUE(trv::mergeSurfaceTransfer(none, source));
    EXPECT_NE(none, nullptr);
}

uint32_t estimate(const fs::path& dir, const std::string& body, TRVStatus expected = 0)
{
    std::ofstream(dir / "stage.xml") << "<KXConfig>" << body << "</KXConfig>";
    uint32_t count = 12345;
    EXPECT_EQ(trv::estimatePhases(dir / "stage.xml", count), expected) << body;
    return count;
}

TEST(ConfigDocumentPhases, EstimateFollowsTheSettings)
{
    const auto dir = trvtest::scratchDirectory("phases");
    const std::string twoTargets = "<SurfaceTransferSettings><targets><a/><b/></targets></SurfaceTransferSettings>";
    // GI off: one phase per target.
    EXPECT_EQ(estimate(dir, twoTargets), 2u);
    EXPECT_EQ(estimate(dir, "<GISettings><enableGI>yes</enableGI></GISettings>" + twoTargets), 2u);
    // GI on, rendering: default prepass levels 5 + secondary 1 + 1.
    EXPECT_EQ(estimate(dir, "<GISettings><enableGI>true</enableGI></GISettings><FrameSettings><renderType>RENDER"
                            "</renderType></FrameSettings>"),
              7u);
    // Levels from max 2, min -2: 3; final gather with depth 2 adds one; no secondary.
    EXPECT_EQ(estimate(dir, "<GISettings><enableGI>true</enableGI><prepassMaxSampleRate>2</prepassMaxSampleRate>"
                            "<prepassMinSampleRate>-2</prepassMinSampleRate><primaryIntegrator>FinalGather"
                            "</primaryIntegrator><fgDepth>2</fgDepth><secondaryIntegrator>None"
                            "</secondaryIntegrator></GISettings><FrameSettings><renderType>surfaceTransfer"
                            "</renderType></FrameSettings>" +
                                twoTargets),
              2u * 5u);
    // Not baking: final gather gives nothing, any other integrator one.
    EXPECT_EQ(estimate(dir, "<GISettings><enableGI>true</enableGI><primaryIntegrator>finalgather"
                            "</primaryIntegrator></GISettings>" + twoTargets),
              2u * 2u);
    EXPECT_EQ(estimate(dir, "<GISettings><enableGI>true</enableGI><primaryIntegrator>pathtracer"
                            "</primaryIntegrator></GISettings>" + twoTargets),
              2u * 3u);
    // Ambient occlusion in both custom passes while baking adds the prepass levels.
    EXPECT_EQ(estimate(dir, "<TextureBakeSettings><RenderComponents><customPasses><element>AmbientOcclusion"
                            "</element></customPasses></RenderComponents></TextureBakeSettings>"
                            "<VertexBakeSettings><VertexBakeComponents><customPasses><element>ambientocclusion"
                            "</element></customPasses></VertexBakeComponents></VertexBakeSettings>"
                            "<FrameSettings><renderType>render</renderType></FrameSettings>"),
              6u);
    // Point cloud bakes count every child node of their targets.
    EXPECT_EQ(estimate(dir, "<FrameSettings><renderType>pointcloudbake</renderType></FrameSettings>"
                            "<PointCloudBakeSettings><targets><a/><!-- c --><b/></targets></PointCloudBakeSettings>"),
              3u);
    EXPECT_EQ(estimate(dir, "<FrameSettings><renderType>pointcloudbake</renderType></FrameSettings>" + twoTargets,
                       7),
              12345u);
    EXPECT_EQ(trv::lastError(), "Failed to find surface transfer targets destination document\n");
    EXPECT_THROW(estimate(dir, "<GISettings><prepassMaxSampleRate>high</prepassMaxSampleRate></GISettings>"),
                 x::XMLGetException);
    uint32_t count = 3;
    EXPECT_EQ(trv::estimatePhases(dir / "none.xml", count), 7);
    EXPECT_EQ(count, 3u);
}

}  // namespace
