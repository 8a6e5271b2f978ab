// Atlased texture targets: their settings, the request the renderer packs, the layout read back
// from the renderer's answer (the fake renderer hands over a prepared answer), and the documents
// and results per atlas.
#include "BakeTestSupport.h"

#include "bake/FSTorvoAtlasTarget.h"
#include "bake/FSTorvoAtlasTargetEntity.h"
#include "job/TorvoRenderTool.h"

#include <vector>

using namespace baketest;

namespace {

class AtlasTarget : public BakeFixture {
protected:
    void SetUp() override
    {
        BakeFixture::SetUp();
        fs::create_directories(output());
        ASSERT_EQ(job().setJobOutputPath(output().string()), 0);
    }
    fs::path output() { return job().jobDirectory() / "output"; }
    TorvoTarget atlas(const char* name, int32_t maxWidth = 256, int32_t maxHeight = 128, int32_t maxTextures = 2)
    {
        TorvoTarget target = nullptr;
        EXPECT_EQ(TRVCreateAtlasedTextureTarget(job_, name, maxWidth, maxHeight, maxTextures, &target), 0);
        return target;
    }
    TorvoTargetEntity add(TorvoTarget target, TorvoInstance instance)
    {
        TorvoTargetEntity entity = nullptr;
        EXPECT_EQ(TRVAddBakeInstance(target, instance, &entity), 0);
        return entity;
    }
    trv::FSTorvoAtlasTarget& atlasObject(TorvoTarget target)
    {
        return dynamic_cast<trv::FSTorvoAtlasTarget&>(targetObject(target));
    }
    trv::FSTorvoAtlasTargetEntity& atlasEntity(TorvoTargetEntity entity)
    {
        return dynamic_cast<trv::FSTorvoAtlasTargetEntity&>(entityObject(entity));
    }
    // The renderer's atlas run: the fake renderer follows script, which may hand over layout as
    // the result.
    TRVStatus generate(TorvoTarget target, const std::string& script, const std::string& layout,
                       trv::DocumentList& documents)
    {
        const fs::path prepared = root_ / "layout.xml";
        std::ofstream(prepared) << layout;
        std::ofstream(job().jobDirectory() / "atlastemp.xml.fake")
            << (layout.empty() ? "" : "copy " + prepared.string() + " output/atlasres.xml\n") << script;
        trv::TorvoRenderTool tool{job().jobDirectory(), scenesDirectory() / "room.xml",
                                  scenesDirectory() / "room_files.xml", output(), 2, trvtest::fakeRenderer};
        tinyxml2::XMLDocument base;
        EXPECT_EQ(base.Parse("<KXConfig><FrameSettings><renderType>Render</renderType></FrameSettings>"
                             "<Kept>1</Kept></KXConfig>"),
                  tinyxml2::XML_SUCCESS);
        return targetObject(target).writeConfiguration(base, documents, tool);
    }
    std::string invocations() { return testfiles::readFile(job().jobDirectory() / "invocations.log"); }
};

// A layout of atlases, each a list of surfaces given as the inside of their SurfaceTransferTarget.
std::string layoutOf(const std::vector<std::pair<std::string, std::vector<std::string>>>& atlases)
{
    std::string xml = "<KXConfig><SurfaceTransferSettings><targets>";
    for (const auto& [name, surfaces] : atlases) {
        xml += "<SurfaceTransferTexture><textureName>" + name + "</textureName><targetSurfaces>";
        for (const std::string& surface : surfaces)
            xml += "<SurfaceTransferTarget>" + surface + "</SurfaceTransferTarget>";
        xml += "</targetSurfaces></SurfaceTransferTexture>";
    }
    return xml + "</targets></SurfaceTransferSettings></KXConfig>";
}

std::string placed(const std::string& name, const char* bias = "<x>0.5</x><y>0</y>",
                   const char* scale = "<x>0.25</x><y>0.5</y>")
{
    return "<name>" + name + "</name><UVBias>" + bias + "</UVBias><UVScale>" + scale + "</UVScale>";
}

}  // namespace

TEST_F(AtlasTarget, CreationChecksTheAtlasSizeAndTakesAnyTextureCount)
{
    TorvoTarget target = reinterpret_cast<TorvoTarget>(0x10);
    EXPECT_EQ(TRVCreateAtlasedTextureTarget(job_, "a", 0, 16, 1, &target), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter maxWidth must be above 0, was 0.\n");
    EXPECT_EQ(target, nullptr);
    EXPECT_EQ(TRVCreateAtlasedTextureTarget(job_, "a", 16, -1, 1, &target), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter height must be above 0, was -1.\n");
    EXPECT_TRUE(job().passesAndTargets().targets().empty());
    const TorvoTarget zero = atlas("a", 16, 16, 0);
    EXPECT_EQ(atlasObject(zero).shortName(), "target0");
    EXPECT_EQ(TRVCreateAtlasedTextureTarget(job_, "a", 16, 16, 1, &target), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "A target named a already exists\n");
    EXPECT_FALSE(atlasObject(zero).isTextureTarget());  // its atlases make a stage of their own
}

TEST_F(AtlasTarget, EntitiesTakeAResolutionWithinTheAtlasOrATexelScale)
{
    const TorvoTarget target = atlas("a", 256, 128);
    const TorvoTargetEntity entity = add(target, floor);
    struct Case {
        std::function<TRVStatus()> call;
        TRVStatus status;
        std::string error;  // empty when accepted
        bool texelScale;    // the size mode afterwards
    };
    const std::vector<Case> cases{
        {[&] { return TRVSetBakeResolution(entity, 256, 128); }, 0, "", false},
        {[&] { return TRVSetTexelScale(entity, 0.5f); }, 0, "", true},
        {[&] { return TRVSetBakeResolution(entity, 0, 16); }, 1, "Parameter width must be above 0, was 0.", true},
        {[&] { return TRVSetBakeResolution(entity, 16, -2); }, 1, "Parameter height must be above 0, was -2.", true},
        {[&] { return TRVSetBakeResolution(entity, 257, 16); }, 1,
         "Target entity resolution higher than max atlas resolution", true},
        {[&] { return TRVSetBakeResolution(entity, 16, 129); }, 1,
         "Target entity resolution higher than max atlas resolution", true},
        {[&] { return TRVSetTexelScale(entity, 0.0f); }, 1, "Parameter scale must be above 0, was 0.", true},
        {[&] { return TRVSetTexelScale(entity, -1.5f); }, 1, "Parameter scale must be above 0, was -1.5.", true},
        {[&] { return TRVSetBakeResolution(entity, 1, 1); }, 0, "", false},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        trv::errorStream() << "mark" << std::endl;
        EXPECT_EQ(cases[i].call(), cases[i].status) << i;
        EXPECT_EQ(trv::lastError(), (cases[i].error.empty() ? "mark" : cases[i].error) + "\n") << i;
        EXPECT_EQ(atlasEntity(entity).useTexelScale(), cases[i].texelScale) << i;
    }
    // Refused values are not kept.
    EXPECT_EQ(atlasEntity(entity).width(), 1);
    EXPECT_EQ(atlasEntity(entity).texelScale(), 0.5f);
    const float offset[2] = {0, 0}, scale[2] = {1, 1};
    EXPECT_EQ(TRVSetUVTransform(entity, offset, scale), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Tried to set UV transform on a target entity not supporting it.\n");
    TorvoTargetEntity out = reinterpret_cast<TorvoTargetEntity>(0x10);
    EXPECT_EQ(TRVAddBakeInstance(target, otherFloor, &out), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Added instances from a different scene to texture bake target\n");
    EXPECT_EQ(out, nullptr);
}

TEST_F(AtlasTarget, TheRequestNamesTheLimitsAndEverySurfaceWithItsSize)
{
    TorvoInstance detail = instance(box, "detail");
    ASSERT_EQ(TRVAddLODInstance(wall, detail), 0);
    const TorvoTarget target = atlas("a", 512, 256, 3);
    ASSERT_EQ(TRVSetAtlasPadding(target, 2), 0);
    ASSERT_EQ(TRVSetAtlasAlignment(target, 4), 0);
    ASSERT_EQ(TRVSetAtlasPacking(target, 0), 0);
    ASSERT_EQ(TRVEnableAtlasSpatial(target), 0);
    const TorvoTargetEntity first = add(target, floor);
    const TorvoTargetEntity second = add(target, wall);
    ASSERT_EQ(TRVSetBakeUVSet(first, "lightmap"), 0);
    ASSERT_EQ(TRVSetTexelScale(first, 0.1f), 0);
    ASSERT_EQ(TRVSetBakeResolution(second, 64, 32), 0);

    trv::DocumentList documents;
    EXPECT_EQ(generate(target, "exit 0\n", "", documents), TRV_FILE_IO_ERROR);
    const std::string expected = R"(<KXConfig>
        <FrameSettings><renderType>SurfaceTransfer</renderType><imageFormat>EXRMultiLayer</imageFormat></FrameSettings>
        <Kept>1</Kept>
        <SurfaceTransferSettings><targets><SurfaceTransferTexture>
          <UVPackSettings>
            <enabled>1</enabled><resolution><x>512</x><y>256</y></resolution><maxTextures>3</maxTextures>
            <type>Texel</type><alignment>4</alignment><padding>2</padding><spatial>true</spatial>
          </UVPackSettings>
          <textureName>target0</textureName>
          <targetSurfaces>
            <SurfaceTransferTarget>
              <target>floor</target><name>)" + entityObject(first).name() + R"(</name>
              <hasUVSetOverride>1</hasUVSetOverride><UVSetOverride>lightmap</UVSetOverride>
              <UVPackSettings><type>Ratio</type><ratioScale>0.100000001</ratioScale></UVPackSettings>
            </SurfaceTransferTarget>
            <SurfaceTransferTarget>
              <target>wall</target><name>)" + entityObject(second).name() + R"(</name>
              <sourceSurfaces><element>detail</element></sourceSurfaces>
              <UVPackSettings><type>Resolution</type><resolution><x>64</x><y>32</y></resolution></UVPackSettings>
            </SurfaceTransferTarget>
          </targetSurfaces>
        </SurfaceTransferTexture></targets></SurfaceTransferSettings></KXConfig>)";
    tinyxml2::XMLDocument request;
    ASSERT_EQ(request.LoadFile((job().jobDirectory() / "atlastemp.xml").c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_EQ(printed(request), compact(expected));
    // The renderer was asked for an atlas run on that file, with the layout expected in the output.
    EXPECT_NE(invocations().find("-uvpack"), std::string::npos) << invocations();
    EXPECT_NE(invocations().find("atlastemp.xml"), std::string::npos) << invocations();
    EXPECT_NE(invocations().find("atlasres.xml"), std::string::npos) << invocations();

    // Block packing and no spatial ordering by default; a packing of another kind is not named.
    const TorvoTarget plain = atlas("b", 16, 16, 1);
    add(plain, floor);
    ASSERT_EQ(generate(plain, "exit 0\n", "", documents), TRV_FILE_IO_ERROR);
    ASSERT_EQ(request.LoadFile((job().jobDirectory() / "atlastemp.xml").c_str()), tinyxml2::XML_SUCCESS);
    const auto* pack = trv::xmlTools::find(&request, "KXConfig/SurfaceTransferSettings/targets/"
                                                     "SurfaceTransferTexture/UVPackSettings");
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(trv::xmlTools::text(pack->FirstChildElement("type")), "Block");
    EXPECT_EQ(trv::xmlTools::text(pack->FirstChildElement("spatial")), "false");
    ASSERT_EQ(TRVSetAtlasPacking(plain, 7), 0);
    ASSERT_EQ(generate(plain, "exit 0\n", "", documents), TRV_FILE_IO_ERROR);
    ASSERT_EQ(request.LoadFile((job().jobDirectory() / "atlastemp.xml").c_str()), tinyxml2::XML_SUCCESS);
    pack = trv::xmlTools::find(&request, "KXConfig/SurfaceTransferSettings/targets/SurfaceTransferTexture/"
                                         "UVPackSettings");
    EXPECT_EQ(pack->FirstChildElement("type"), nullptr);
    EXPECT_TRUE(documents.empty());
}

TEST_F(AtlasTarget, TheLayoutPlacesEveryEntityAndEveryAtlasBecomesADocument)
{
    const TorvoTarget target = atlas("a");
    const TorvoTargetEntity first = add(target, floor);
    const TorvoTargetEntity second = add(target, wall);
    const TorvoTargetEntity third = add(target, wall);
    const std::string a = entityObject(first).name(), b = entityObject(second).name(),
                      c = entityObject(third).name();
    trvtest::InfoLogCapture info(root_ / "info.log");
    trv::DocumentList documents;
    ASSERT_EQ(generate(target, "say Packing atlas target0\nraw Atlas target0: 3 surfaces\nexit 0\n",
                       layoutOf({{"target0_0", {placed(b, "<x>0.5</x><y>0</y>", "<x>0.25</x><y>0.5</y>"),
                                                placed(a, "<x>0</x><y>0.125</y>", "<x>0.5</x><y>0.75</y>")}},
                                 {"target0_1", {placed(c, "<x>-0.25</x><y>1e-3</y>", "<x>2</x><y>1</y>")}}}),
                       documents),
              0);
    // The renderer's lines reach the information log as they come, each a line of its own.
    EXPECT_NE(info.text().find("Packing atlas target0\nAtlas target0: 3 surfaces\n"), std::string::npos)
        << info.text();
    struct Expected {
        TorvoTargetEntity entity;
        int32_t atlas;
        TRVVec2 offset, scale;
    };
    for (const Expected& e : {Expected{first, 0, {0.0f, 0.125f}, {0.5f, 0.75f}},
                              Expected{second, 0, {0.5f, 0.0f}, {0.25f, 0.5f}},
                              Expected{third, 1, {-0.25f, 0.001f}, {2.0f, 1.0f}}}) {
        const auto& entity = atlasEntity(e.entity);
        EXPECT_EQ(entity.atlasIndex(), e.atlas);
        EXPECT_EQ(std::vector<float>({entity.offset().x, entity.offset().y, entity.scale().x, entity.scale().y}),
                  std::vector<float>({e.offset.x, e.offset.y, e.scale.x, e.scale.y}));
    }
    EXPECT_EQ(atlasObject(target).atlasCount(), 2);

    // Each atlas document is the request with the targets holding just that atlas.
    ASSERT_EQ(documents.size(), 2u);
    for (size_t i = 0; i < documents.size(); ++i) {
        const auto* targets = trv::xmlTools::find(documents[i].get(), "KXConfig/SurfaceTransferSettings/targets");
        ASSERT_NE(targets, nullptr);
        const auto* texture = targets->FirstChildElement("SurfaceTransferTexture");
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->NextSiblingElement(), nullptr);
        EXPECT_EQ(trv::xmlTools::text(texture->FirstChildElement("textureName")), "target0_" + std::to_string(i));
        EXPECT_EQ(trv::xmlTools::text(trv::xmlTools::find(documents[i].get(), "KXConfig/Kept")), "1");
        EXPECT_EQ(trv::xmlTools::text(trv::xmlTools::find(documents[i].get(), "KXConfig/FrameSettings/renderType")),
                  "SurfaceTransfer");
    }
    // A second pass takes copies of the same documents without another renderer run; each pass
    // prefixes its own copies.
    trv::DocumentList again;
    ASSERT_EQ(generate(target, "exit 9\n", "", again), 0);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(printed(*again[1]), printed(*documents[1]));
    EXPECT_EQ(atlasObject(target).prefixOutputNames(*again[1], "pass3"), 0);
    EXPECT_EQ(trv::xmlTools::text(trv::xmlTools::find(
                  again[1].get(), "KXConfig/SurfaceTransferSettings/targets/SurfaceTransferTexture/textureName")),
              "pass3_target0_1");
    EXPECT_NE(printed(*again[1]), printed(*documents[1]));
    size_t runs = 0;
    for (char ch : invocations())
        runs += ch == '\n';
    EXPECT_EQ(runs, 1u);
}

TEST_F(AtlasTarget, ALayoutThatCannotBeReadLeavesEveryEntityUnplaced)
{
    const TorvoTarget target = atlas("a");
    const TorvoTargetEntity first = add(target, floor);
    const TorvoTargetEntity second = add(target, wall);
    const std::string a = entityObject(first).name(), b = entityObject(second).name();
    const std::string result = (output() / "atlasres.xml").string();
    const std::string goodAtlas = "<SurfaceTransferTexture><targetSurfaces><SurfaceTransferTarget>" + placed(a) +
                                  "</SurfaceTransferTarget></targetSurfaces></SurfaceTransferTexture>";
    struct Case {
        const char* what;
        std::string script, layout;
        TRVStatus status;
        std::string error;
    };
    const std::vector<Case> cases{
        {"no layout written", "exit 0\n", "", TRV_FILE_IO_ERROR, "Failed to open file " + result},
        {"not XML", "exit 0\n", "<KXConfig><SurfaceTransferSettings>", TRV_FILE_IO_ERROR,
         "Failed to parse the generated atlas XML file: " + result},
        {"cannot be packed", "say too big\nexit 113\n", "", TRV_ATLASING_FAILURE,
         "Atlasing failed. Most common errors are that the atlas size is smaller than a user set shape size. Or "
         "that the max textures critera could not be met."},
        {"renderer failed", "exit 101\n", "", TRV_JOB_EXECUTION_FAILURE,
         "Atlas generation ended with exit code 536870913"},
        {"renderer crashed", "crash\n", "", TRV_JOB_EXECUTION_FAILURE, ""},
        {"no targets", "", "<KXConfig><SurfaceTransferSettings/></KXConfig>", TRV_JOB_EXECUTION_FAILURE,
         "Failed to find surface transfer targets in the generated atlas"},
        {"an atlas without surfaces", "",
         "<KXConfig><SurfaceTransferSettings><targets>" + goodAtlas +
             "<SurfaceTransferTexture/></targets></SurfaceTransferSettings></KXConfig>",
         TRV_JOB_EXECUTION_FAILURE, "No targetSurfaces tag found when reading back atlas information"},
        {"a surface without a name", "", layoutOf({{"x", {placed(a), "<UVBias/><UVScale/>"}}}),
         TRV_JOB_EXECUTION_FAILURE, "No targetSurfaces name found when reading back atlas information"},
        {"an unknown surface", "", layoutOf({{"x", {placed(a)}}, {"y", {placed("floor")}}}),
         TRV_JOB_EXECUTION_FAILURE, "No target surface with name floor found when reading back atlas information"},
        {"an empty name", "", layoutOf({{"x", {placed(a), placed("")}}}), TRV_JOB_EXECUTION_FAILURE,
         "No target surface with name  found when reading back atlas information"},
        {"no scale", "", layoutOf({{"x", {placed(a), "<name>" + b + "</name><UVBias><x>0</x><y>0</y></UVBias>"}}}),
         TRV_JOB_EXECUTION_FAILURE, "No offset or scale found in " + b + " when reading back atlas information"},
        {"not a number", "", layoutOf({{"x", {placed(a), placed(b, "<x>0</x><y>0.5a</y>")}}}),
         TRV_JOB_EXECUTION_FAILURE, "Failed to read value from XML: Bad lexical cast when reading value from XML"},
        {"no y", "", layoutOf({{"x", {placed(a), placed(b, "<x>0</x>")}}}), TRV_JOB_EXECUTION_FAILURE,
         "Failed to read value from XML: Didn't find y component when reading a vec2"},
        {"not finite", "", layoutOf({{"x", {placed(a), placed(b, "<x>0</x><y>0</y>", "<x>nan</x><y>1</y>")}}}),
         TRV_JOB_EXECUTION_FAILURE, "Failed to read value from XML: Value is not a finite number in UVScale"},
        {"only an earlier run's layout", "exit 0\n", "", TRV_FILE_IO_ERROR, "Failed to open file " + result},
    };
    for (const Case& c : cases) {
        trv::errorStream() << "mark" << std::endl;
        trv::DocumentList documents;
        EXPECT_EQ(generate(target, c.script, c.layout, documents), c.status) << c.what;
        if (!c.error.empty()) {
            EXPECT_EQ(trv::lastError(), c.error + "\n") << c.what;
        }
        EXPECT_TRUE(documents.empty()) << c.what;
        EXPECT_EQ(atlasObject(target).atlasCount(), -1) << c.what;
        EXPECT_EQ(atlasEntity(first).atlasIndex(), -1) << c.what;
        EXPECT_EQ(atlasEntity(second).atlasIndex(), -1) << c.what;
        // A layout an earlier run left is not taken for the next run's.
        fs::remove(output() / "atlasres.xml");
        std::ofstream(output() / "atlasres.xml") << layoutOf({{"x", {placed(a), placed(b)}}});
    }
}

TEST_F(AtlasTarget, ResultsComeOnePerAtlasOnceTheJobHasFinished)
{
    const TorvoTarget target = atlas("a");
    const TorvoRenderPass pass = fullShadingPass("full");
    const TorvoRenderPass other = fullShadingPass("other");
    ASSERT_EQ(TRVAddPassToTarget(target, pass), 0);
    const TorvoTargetEntity first = add(target, floor);
    const TorvoTargetEntity second = add(target, wall);
    const TorvoTargetEntity unplaced = add(target, wall);
    trv::DocumentList documents;
    ASSERT_EQ(generate(target, "exit 0\n",
                       layoutOf({{"target0_0", {placed(entityObject(first).name())}},
                                 {"target0_1", {placed(entityObject(second).name(), "<x>0.125</x><y>0.25</y>")}}}),
                       documents),
              0);
    int32_t count = 0, index = 7;
    float offset[2] = {9, 9}, scale[2] = {9, 9};
    EXPECT_EQ(TRVGetFramebufferCount(target, &count), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(TRVGetAtlasInformation(first, &index, offset, scale), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Atlas information not available until the target has been baked\n");

    job().passesAndTargets().jobFinished();
    ASSERT_EQ(TRVGetFramebufferCount(target, &count), 0);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(TRVGetAtlasInformation(second, &index, offset, scale), 0);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(std::vector<float>({offset[0], offset[1], scale[0], scale[1]}),
              std::vector<float>({0.125f, 0.25f, 0.25f, 0.5f}));
    EXPECT_EQ(TRVGetAtlasInformation(unplaced, &index, offset, scale), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "The target entity hasn't been atlased\n");

    // The image of atlas i of pass P: result_P_target0_i.exr.
    writeResultImage(output() / "result_pass0_target0_1.exr", {"beauty.R", "beauty.G", "beauty.B", "beauty.A"}, 2, 1,
                     [](int c, int x, int) { return float(10 * x + c); });
    TorvoFramebuffer framebuffer = nullptr;
    ASSERT_EQ(TRVGetFramebuffer(target, pass, 1, &framebuffer), 0);
    EXPECT_EQ(contentsOf(framebuffer, 0, 0, 2, 1).values, std::vector<float>({0, 1, 2, 3, 10, 11, 12, 13}));
    EXPECT_EQ(TRVDestroyFramebuffer(framebuffer), 0);
    // The index is checked before the pass; a missing image is a file fault.
    for (int32_t bad : {-1, 2})
        EXPECT_EQ(TRVGetFramebuffer(target, other, bad, &framebuffer), TRV_INVALID_PARAMETER) << bad;
    EXPECT_EQ(TRVGetFramebuffer(target, other, 0, &framebuffer), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Render pass is not present in target\n");
    EXPECT_EQ(TRVGetFramebuffer(target, pass, 0, &framebuffer), TRV_FILE_IO_ERROR);
    EXPECT_EQ(framebuffer, nullptr);
    EXPECT_EQ(trv::lastError().rfind("Failed to open file: " + (output() / "result_pass0_target0_0.exr").string(), 0),
              0u)
        << trv::lastError();
}

TEST_F(AtlasTarget, NormalizationRangesAreReadFromTheEntitysAtlas)
{
    const TorvoTarget target = atlas("a");
    const TorvoRenderPass pass = fullShadingPass("full");
    ASSERT_EQ(TRVAddPassToTarget(target, pass), 0);
    const TorvoTargetEntity first = add(target, floor);
    const TorvoTargetEntity second = add(target, wall);
    const TorvoTargetEntity unplaced = add(target, floor);
    trv::DocumentList documents;
    ASSERT_EQ(generate(target, "exit 0\n",
                       layoutOf({{"target0_0", {placed(entityObject(first).name())}},
                                 {"target0_1", {placed(entityObject(second).name())}}}),
                       documents),
              0);
    job().passesAndTargets().jobFinished();
    float min = 0, max = 0;
    EXPECT_EQ(TRVGetNormalizationData(first, pass, 0, &min, &max), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Normalization not enabled on this render pass\n");
    ASSERT_EQ(TRVNormalizeTextures(pass, 0), 0);
    // Atlas 1 has its document, atlas 0 not (yet).
    std::ofstream(output() / "result_pass0_target0_1.xml")
        << "<MinMaxRoot><minMaxVec><ShapeMinMax><shape>wall</shape><minVal>-2</minVal><maxVal>6</maxVal>"
           "<ComponentMinMaxVec><ComponentMinMax><minVal>0</minVal><maxVal>1</maxVal></ComponentMinMax>"
           "</ComponentMinMaxVec></ShapeMinMax></minMaxVec></MinMaxRoot>";
    EXPECT_EQ(TRVGetNormalizationData(first, pass, 0, &min, &max), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Error loading normalization data.\n");
    ASSERT_EQ(TRVGetNormalizationData(second, pass, 0, &min, &max), 0);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(-2.0f, 6.0f));
    EXPECT_EQ(TRVGetNormalizationData(unplaced, pass, 0, &min, &max), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "The target entity hasn't been atlased\n");
}

TEST_F(AtlasTarget, AnEmptyTargetGeneratesNoAtlas)
{
    const TorvoTarget target = atlas("lonely");
    const TorvoRenderPass pass = fullShadingPass("full");
    ASSERT_EQ(TRVAddPassToTarget(target, pass), 0);
    trvtest::InfoLogCapture info(root_ / "info.log");
    trv::DocumentList documents;
    ASSERT_EQ(generate(target, "exit 0\n", "", documents), 0);
    EXPECT_TRUE(documents.empty());
    EXPECT_NE(info.text().find("Warning target lonely is empty.\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(job().jobDirectory() / "invocations.log"));
    job().passesAndTargets().jobFinished();
    int32_t count = 0;
    ASSERT_EQ(TRVGetFramebufferCount(target, &count), 0);
    EXPECT_EQ(count, -1);
    TorvoFramebuffer framebuffer = nullptr;
    EXPECT_EQ(TRVGetFramebuffer(target, pass, 0, &framebuffer), TRV_INVALID_PARAMETER);
}
