// The renderer program: its checks of the scene, the meshes and the stage document, and its
// progress messages.
#include "fakes/JobTestDoubles.h"

#include "geometry/TempMeshFile.h"
#include "job/PipeProcessHandler.h"
#include "platform/RendererExit.h"

#include <gtest/gtest.h>

#include <chrono>

namespace fs = std::filesystem;

namespace {

const fs::path renderer = fs::path(TORVO_BINARY_DIR) / "bin" / "thetorvo.exe";

void writeMesh(const fs::path& path, int triangles)
{
    trv::ttm::TempMeshFile file;
    ASSERT_TRUE(file.open(path));
    auto& mesh = *file.mesh();
    mesh.name = "quad";
    mesh.vertexCount = 3;
    mesh.uvLayerNames = {"uv0"};
    mesh.materialGroups = {{"stone", triangles}};
    for (float& f : mesh.boundsMin)
        f = 0;
    for (float& f : mesh.boundsMax)
        f = 1;
    mesh.writeHeader();
    trv::ttm::TempMeshVertex vertex{};
    for (int i = 0; i < 3; ++i) {
        mesh.writeVertex(vertex);
        mesh.writeUV(0, 0);
    }
    const int32_t indices[3] = {0, 1, 2};
    mesh.writeTriangle(indices);  // fewer triangles than the header promises when asked
    ASSERT_TRUE(file.close());
}

struct RendererRun : ::testing::Test {
    fs::path dir = trvtest::scratchDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path job = dir / "jobs" / "j";
    RendererRun()
    {
        fs::create_directories(job / "output");
        fs::create_directories(dir / "meshes");
        fs::create_directories(dir / "scenes");
        writeMesh(dir / "meshes" / "m.ttm", 1);
        std::ofstream(dir / "scenes" / "room.xml") << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KXScene>\n"
                                                      "</KXScene>\n";
        files({"..\\..\\meshes\\m.ttm"});
        std::ofstream(job / "stage.xml") << "<KXConfig><A>1</A></KXConfig>";
    }
    void files(const std::vector<std::string>& meshes)
    {
        std::ofstream out(dir / "scenes" / "room_files.xml");
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<inputspecification version =\"1\">\n\t<filelist>\n";
        for (const auto& m : meshes)
            out << "\t\t<file>" << m << "</file>\n";
        out << "\t</filelist>\n</inputspecification>\n";
    }
    std::pair<std::vector<std::string>, int32_t> run(const std::string& arguments)
    {
        trv::PipeProcessHandler handler;
        handler.launch("", renderer, arguments, job);
        auto pieces = trvtest::drainOutput(handler, std::chrono::seconds(20));
        return {pieces, handler.exitCode()};
    }
};

const std::string stageLine = "\"../../scenes/room.xml\" -o pass0_x -i \"../../scenes/room_files.xml\" -x "
                              "\"stage.xml\" -d  -cs  -od \"output\"";

TEST_F(RendererRun, ACompleteStageReportsEveryPhaseAsMessagesOfItsOwn)
{
    const auto [pieces, code] = run(stageLine);
    const std::vector<std::string> expected{
        "[PROGRESS] Progress Title: Checking scene\n", "[PROGRESS] Progress 0\n", "[PROGRESS] Progress 100\n",
        "[PROGRESS] Progress Title: Checking geometry\n", "[PROGRESS] Progress 0\n", "[PROGRESS] Progress 100\n",
        "[PROGRESS] Progress Title: Checking configuration\n", "[PROGRESS] Progress 0\n",
        "[PROGRESS] Progress 100\n", "Done rendering!\n"};
    EXPECT_EQ(pieces, expected);
    EXPECT_EQ(code, 0);
}

TEST_F(RendererRun, BadInputsEndWithAMessageAndAFailureCode)
{
    files({"..\\..\\meshes\\m.ttm", "..\\..\\meshes\\gone.ttm"});
    auto [pieces, code] = run(stageLine);
    EXPECT_EQ(pieces.back(), "Error: Mesh file not found: ../../meshes/gone.ttm\n");
    EXPECT_EQ(code, trv::platform::ExitCodeInputRefused);

    writeMesh(dir / "meshes" / "short.ttm", 2);
    files({"..\\..\\meshes\\short.ttm"});
    std::tie(pieces, code) = run(stageLine);
    EXPECT_EQ(pieces.back(), "Error: Mesh file is truncated or holds bad triangles: ../../meshes/short.ttm\n");
    EXPECT_EQ(code, trv::platform::ExitCodeInputRefused);

    files({"..\\..\\meshes\\m.ttm"});
    std::ofstream(job / "stage.xml") << "<KXConfig><A></KXConfig>";
    std::tie(pieces, code) = run(stageLine);
    EXPECT_EQ(pieces.back().rfind("Error: Configuration file does not parse: stage.xml (line 1: ", 0), 0u)
        << pieces.back();
    EXPECT_EQ(code, trv::platform::ExitCodeInputRefused);

    std::tie(pieces, code) = run("\"../../scenes/none.xml\" -i \"x\" -cs  -od \"output\"");
    EXPECT_EQ(pieces.back(), "Error: Scene file not found: ../../scenes/none.xml\n");
    EXPECT_EQ(code, trv::platform::ExitCodeInputRefused);

    std::tie(pieces, code) = run("\"../../scenes/room.xml\" -z");
    EXPECT_EQ(pieces.back(), "Error: Unknown switch -z\n");
    EXPECT_NE(code, 0);
}

}  // namespace
