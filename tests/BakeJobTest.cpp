// A bake from scene to results through the exported functions: real targets and passes become
// stage documents, the fake renderer runs each stage and leaves result files as the renderer
// would, and the finished targets read them.
#include "BakeTestSupport.h"

#include "scene/FSTorvoCamera.h"

#include <chrono>
#include <tuple>

using namespace baketest;

namespace {

class BakeJob : public BakeFixture {
protected:
    TorvoTarget texture(const char* name, int32_t width, int32_t height)
    {
        TorvoTarget target = nullptr;
        EXPECT_EQ(TRVCreateTextureTarget(job_, name, width, height, &target), 0);
        return target;
    }
    TorvoTargetEntity add(TorvoTarget target, TorvoInstance instance)
    {
        TorvoTargetEntity entity = nullptr;
        EXPECT_EQ(TRVAddBakeInstance(target, instance, &entity), 0);
        return entity;
    }
    // The fake renderer's script for one stage: copy each prepared result into the output directory.
    void stageCopies(const std::string& stage, const std::vector<std::pair<fs::path, std::string>>& results)
    {
        std::ofstream script(job().jobDirectory() / (stage + ".fake"));
        for (const auto& [file, name] : results)
            script << "copy " << file.string() << " output/" << name << "\n";
        script << "say Done rendering!\n";
    }
    // Drives the job like a host: wait, ask whether it runs, until it ends.
    int32_t runToEnd()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        TRVBool running = 1;
        while (running && std::chrono::steady_clock::now() < deadline) {
            EXPECT_EQ(TRVWaitJobDone(job_, 1000), 0);
            EXPECT_EQ(TRVIsJobRunning(job_, &running), 0);
        }
        int32_t result = -1;
        EXPECT_EQ(TRVGetJobResult(job_, &result), 0);
        return result;
    }
    std::string stageText(const std::string& stage) { return testfiles::readFile(job().jobDirectory() / stage); }
};

// Whether the pieces come in text in this order.
bool inOrder(const std::string& text, const std::vector<std::string>& pieces)
{
    std::string::size_type at = 0;
    for (const std::string& piece : pieces) {
        at = text.find(piece, at);
        if (at == std::string::npos)
            return false;
        at += piece.size();
    }
    return true;
}

}  // namespace

TEST_F(BakeJob, TargetsAndPassesBecomeStagesWhoseResultsTheFinishedTargetsRead)
{
    const fs::path bin = trvtest::fakeInstallation(root_.path(), false);
    ASSERT_EQ(TRVSetTorvoPath(manager_, bin.c_str()), 0);
    const TorvoRenderPass full = fullShadingPass("full");  // pass0
    ASSERT_EQ(TRVNormalizeTextures(full, 0), 0);
    TorvoRenderPass ao = nullptr;  // pass1
    ASSERT_EQ(TRVCreateAmbientOcclusionPass(job_, "ao", 2.0f, 90.0f, &ao), 0);
    const TorvoTarget lightMap = texture("light map", 4, 2);  // target0
    const TorvoTarget wallMap = texture("wall map", 2, 2);    // target1
    TorvoTarget colors = nullptr, view = nullptr;
    ASSERT_EQ(TRVCreateVertexTarget(job_, "colors", &colors), 0);              // target2
    ASSERT_EQ(TRVCreateCameraTarget(job_, "view", eye, 4, 2, &view), 0);       // target3
    const TorvoTargetEntity floorEntity = add(lightMap, floor);
    add(wallMap, wall);
    const TorvoTargetEntity colorEntity = add(colors, wall);
    for (auto [target, pass] : {std::pair{lightMap, full}, {lightMap, ao}, {wallMap, full}, {colors, ao}, {view, full}})
        ASSERT_EQ(TRVAddPassToTarget(target, pass), 0);
    ASSERT_EQ(TRVEndScene(scene_), 0);

    // The results the renderer would write, laid out where the fake renderer takes them from.
    const std::string cameraHash = dynamic_cast<trv::FSTorvoCamera*>(trv::objectOf(eye))->hashedName();
    const std::vector<std::string> channels{"beauty.A", "beauty.B", "beauty.G", "beauty.R", "Z"};
    const auto image = [&](const char* name, float base) {
        const fs::path file = root_ / name;
        writeResultImage(file, channels, 4, 2, [base](int c, int x, int y) { return base + c + 10 * x + 100 * y; });
        return file;
    };
    const fs::path points = root_ / "points.pc";
    writeResultPoints(points, 1, {0.5f, 0.25f, 1.0f});
    const fs::path ranges = root_ / "ranges.xml";
    std::ofstream(ranges) << "<MinMaxRoot><minMaxVec><ShapeMinMax><shape>floor</shape><minVal>-1</minVal>"
                             "<maxVal>3</maxVal><ComponentMinMaxVec><ComponentMinMax><minVal>0</minVal>"
                             "<maxVal>1</maxVal></ComponentMinMax></ComponentMinMaxVec></ShapeMinMax></minMaxVec>"
                             "</MinMaxRoot>";
    const std::string colorName = entityObject(colorEntity).name();
    stageCopies("target2_pass1.xml", {{points, "result_pass1_" + colorName + "_ambientOcclusion.pc"}});
    stageCopies("target0_pass1.xml", {{image("ao.exr", 0.0f), "result_pass1_target0.exr"}});
    stageCopies("target3_pass0.xml", {{image("view.exr", 1000.0f), "pass0_" + cameraHash + "_shape.exr"}});
    stageCopies("target1_pass0.xml", {{image("floor.exr", 2000.0f), "result_pass0_target0.exr"},
                                      {image("wall.exr", 3000.0f), "result_pass0_target1.exr"},
                                      {ranges, "result_pass0_target0.xml"}});

    ASSERT_EQ(TRVStartJob(job_, 2, 0), 0);
    TorvoTarget late = nullptr;
    EXPECT_EQ(TRVCreateVertexTarget(job_, "late", &late), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Job already started.\n");
    TorvoFramebuffer framebuffer = nullptr;
    EXPECT_EQ(TRVGetFramebuffer(lightMap, full, 0, &framebuffer), TRV_INVALID_OBJECT_STATE);

    // Pass groups in the order of the pass names; the texture targets of a pass share one stage,
    // named after the last of them in the order of the target names.
    std::vector<std::pair<std::string, uint32_t>> stages;
    for (const trv::JobStage& stage : job().stages())
        stages.emplace_back(stage.configurationPath.filename().string(), stage.weight);
    EXPECT_EQ(stages, (std::vector<std::pair<std::string, uint32_t>>{
                          {"target2_pass1.xml", 1}, {"target0_pass1.xml", 1}, {"target3_pass0.xml", 1},
                          {"target1_pass0.xml", 2}}));
    EXPECT_EQ(job().stages()[2].outputName, "pass0_" + cameraHash);
    const std::string shared = stageText("target1_pass0.xml");
    EXPECT_TRUE(inOrder(shared, {"<normalizeValues>true</normalizeValues>", "<fullShading>true</fullShading>",
                                 "<renderType>SurfaceTransfer</renderType>", "<textureName>pass0_target0</textureName>",
                                 "<target>floor</target>", "<textureName>pass0_target1</textureName>",
                                 "<target>wall</target>"}))
        << shared;
    const std::string vertexStage = stageText("target2_pass1.xml");
    EXPECT_TRUE(inOrder(vertexStage, {"<element>ambientOcclusion</element>", "<renderType>VertexTransfer</renderType>",
                                      "<textureName>pass1_" + colorName + "</textureName>",
                                      "<aoConeAngle>90</aoConeAngle>"}))
        << vertexStage;

    EXPECT_EQ(runToEnd(), 0);
    const std::string invocations = testfiles::readFile(job().jobDirectory() / "invocations.log");
    EXPECT_NE(invocations.find("| -o | pass0_" + cameraHash + " |"), std::string::npos) << invocations;

    // Each result from its own file: R of pixel (1, 1) is base + 3 + 10 + 100.
    const std::vector<std::string> standard{"R", "G", "B", "A", "Z"};
    for (auto [target, pass, base] : {std::tuple{lightMap, ao, 0.0f}, {view, full, 1000.0f},
                                      {lightMap, full, 2000.0f}, {wallMap, full, 3000.0f}}) {
        framebuffer = nullptr;
        ASSERT_EQ(TRVGetFramebuffer(target, pass, 0, &framebuffer), 0) << targetObject(target).name();
        EXPECT_EQ(contentsOf(framebuffer, 1, 1, 2, 2),
                  (Contents{standard, 4, 2, {base + 113, base + 112, base + 111, base + 110, base + 114}}))
            << targetObject(target).name();
    }
    ASSERT_EQ(TRVGetVertexbuffer(colors, ao, colorEntity, &framebuffer), 0);
    EXPECT_EQ(contentsOf(framebuffer, 0, 0, 3, 1), (Contents{{"R"}, 3, 1, {0.5f, 0.25f, 1.0f}}));
    float min = 0, max = 0;
    EXPECT_EQ(TRVGetNormalizationData(floorEntity, full, 0, &min, &max), 0);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(-1.0f, 3.0f));
}
