// Render tools: the choice by distribution, the command lines, distribution tests and batches.
#include "fakes/JobTestDoubles.h"

#include "job/CommandLine.h"
#include "job/JobStage.h"
#include "job/PipeProcessHandler.h"
#include "job/RenderToolChoice.h"
#include "job/TorvoRenderTool.h"
#include "job/TorvofarmRenderTool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using trvtest::InfoLogCapture;
namespace fs = std::filesystem;

namespace {

struct RenderTools : ::testing::Test {
    fs::path dir = trvtest::scratchDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path jobs = dir / "jobs" / "abc";
    fs::path scenes = dir / "scenes";
    RenderTools()
    {
        fs::create_directories(jobs / "output");
        fs::create_directories(scenes);
        // The front end's setup check without a stage, which required distribution asks first.
        std::ofstream(jobs / ".validate") << "0";
    }
    trv::TorvoRenderTool local(int32_t displayMode, const fs::path& exe = "/opt/r/thetorvo.exe")
    {
        return trv::TorvoRenderTool(jobs, scenes / "room.xml", scenes / "room_files.xml", jobs / "output",
                                    displayMode, exe);
    }
    std::shared_ptr<trv::RenderTool> choose(const fs::path& bin, int32_t distribution)
    {
        return trv::createRenderTool(bin, distribution, jobs, scenes / "room.xml", scenes / "room_files.xml",
                                     jobs / "output", 2);
    }
};

std::vector<std::string> drain(trv::ProcessHandler& handler)
{
    return trvtest::drainOutput(handler, std::chrono::seconds(10));
}

TEST_F(RenderTools, LocalCommandLinesAreExact)
{
    EXPECT_EQ(trv::localArguments(local(0), jobs / "target0_pass0.xml", "pass0_cam"),
              "\"../../scenes/room.xml\" -o pass0_cam -i \"../../scenes/room_files.xml\" -x \"target0_pass0.xml\""
              " -d  -cs  -od \"output\"");
    EXPECT_EQ(trv::localArguments(local(1), "", ""),
              "\"../../scenes/room.xml\" -i \"../../scenes/room_files.xml\" -q  -cs  -od \"output\"");
    EXPECT_EQ(trv::localArguments(local(2), jobs / "atlastemp.xml", "", true, jobs / "output" / "atlasres.xml"),
              "\"../../scenes/room.xml\" -uvpack  -i \"../../scenes/room_files.xml\" -x \"atlastemp.xml\" -cs "
              " -od \"output\" -o \"output/atlasres.xml\"");
    // The output directory as a directory path with a trailing separator loses it.
    trv::TorvoRenderTool slash(jobs, scenes / "room.xml", scenes / "room_files.xml", dir / "out/", 7, "r");
    fs::create_directories(dir / "out");
    EXPECT_EQ(trv::localArguments(slash, "", ""),
              "\"../../scenes/room.xml\" -i \"../../scenes/room_files.xml\" -cs  -od \"../../out\"");
}

TEST_F(RenderTools, DistributedCommandLinesAreExact)
{
    const auto tool = local(0);
    EXPECT_EQ(trv::distributedArguments(tool, {jobs / "a.xml", "", jobs / "b.xml"}, "", dir / "bin" / "torvofarm.exe",
                                        false),
              "-file \"../../scenes/room.xml\" -filelist \"../../scenes/room_files.xml\" -cfg \"a.xml\" -cfg \"b.xml\""
              " -jobdir \".\" -resultdir \"output\" -bindir \"" +
                  (dir / "bin").string() + "\"");
    EXPECT_EQ(trv::distributedArguments(tool, {}, "name", "torvofarm.exe", true),
              "-file \"../../scenes/room.xml\" -filelist \"../../scenes/room_files.xml\" -o name -jobdir \".\""
              " -resultdir \"output\" -bindir \".\" -validatesetup");
}

TEST_F(RenderTools, TheToolFollowsTheDistributionAndTheInstallation)
{
    const fs::path bare = dir / "bare";
    fs::create_directories(bare);
    for (int distribution : {0, 1, 2})
        EXPECT_EQ(choose(bare, distribution), nullptr);

    const fs::path bin = trvtest::fakeInstallation(dir / "local", false);
    auto tool = std::dynamic_pointer_cast<trv::TorvoRenderTool>(choose(bin, 0));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->executable(), bin / "thetorvo.exe");
    EXPECT_NE(std::dynamic_pointer_cast<trv::TorvoRenderTool>(choose(bin, 1)), nullptr);
    EXPECT_EQ(choose(bin, 2), nullptr);

    const fs::path farm = trvtest::fakeInstallation(dir / "farm", true);
    auto fallback = std::dynamic_pointer_cast<trv::TorvofarmRenderTool>(choose(farm, 1));
    ASSERT_NE(fallback, nullptr);
    EXPECT_TRUE(fallback->fallbackAllowed());
    EXPECT_EQ(fallback->frontEndPath(), farm / "torvofarm.exe");
    auto required = std::dynamic_pointer_cast<trv::TorvofarmRenderTool>(choose(farm, 2));
    ASSERT_NE(required, nullptr);
    EXPECT_FALSE(required->fallbackAllowed());
    EXPECT_NE(std::dynamic_pointer_cast<trv::TorvoRenderTool>(choose(farm, 5)), nullptr);
    // A cluster that cannot take the job: required distribution gets no tool, the fallback still does.
    std::ofstream(jobs / ".validate") << "3";
    EXPECT_EQ(choose(farm, 2), nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<trv::TorvofarmRenderTool>(choose(farm, 1)), nullptr);
}

TEST_F(RenderTools, LocalRunsStartInTheJobDirectory)
{
    InfoLogCapture log(dir / "info.log");
    const fs::path bin = trvtest::fakeInstallation(dir / "i", false);
    auto tool = local(2, bin / "thetorvo.exe");
    trv::PipeProcessHandler handler;
    bool keepGoing = true;
    trv::JobStage stage{"", jobs / "target0_pass0.xml", 1};
    tool.runStage(handler, stage.configurationPath, stage, keepGoing);
    EXPECT_FALSE(keepGoing);
    EXPECT_EQ(drain(handler), (std::vector<std::string>{
                                  "../../scenes/room.xml | -i | ../../scenes/room_files.xml | -x | target0_pass0.xml"
                                  " | -cs | -od | output\n",
                                  "Done rendering!\n"}));
    EXPECT_EQ(handler.exitCode(), 0);
    EXPECT_TRUE(fs::exists(jobs / "invocations.log"));
    EXPECT_NE(log.text().find("Starting Torvo with command line: " + (bin / "thetorvo.exe").string() +
                              " \"../../scenes/room.xml\" -i"),
              std::string::npos);
}

TEST_F(RenderTools, AtlasRunsGoThroughTheLocalRenderer)
{
    InfoLogCapture log(dir / "info.log");
    const fs::path bin = trvtest::fakeInstallation(dir / "i", true);
    auto tool = choose(bin, 2);
    trv::PipeProcessHandler handler;
    tool->runAtlas(handler, jobs / "atlastemp.xml", jobs / "output" / "atlasres.xml");
    EXPECT_EQ(drain(handler).front(), "../../scenes/room.xml | -uvpack | -i | ../../scenes/room_files.xml | -x | "
                                      "atlastemp.xml | -cs | -od | output | -o | output/atlasres.xml\n");
    EXPECT_NE(log.text().find("Starting Torvo for atlas generation with command line: " +
                              (bin / "thetorvo.exe").string() + " \"../../scenes/room.xml\" -uvpack "),
              std::string::npos);
}

TEST_F(RenderTools, DistributionTestsBatchWhatPassesAndRenderTheRestLocally)
{
    InfoLogCapture log(dir / "info.log");
    const fs::path bin = trvtest::fakeInstallation(dir / "i", true);
    auto tool = std::dynamic_pointer_cast<trv::TorvofarmRenderTool>(choose(bin, 1));
    ASSERT_NE(tool, nullptr);
    std::ofstream(jobs / "a.xml.validate") << "0";
    std::ofstream(jobs / "c.xml.validate") << "0";

    trv::PipeProcessHandler first;
    bool keepGoing = false;
    tool->runStage(first, jobs / "a.xml", trv::JobStage{"", jobs / "a.xml", 1}, keepGoing);
    EXPECT_TRUE(keepGoing);
    EXPECT_FALSE(first.running());
    tool->runStage(first, jobs / "b.xml", trv::JobStage{"", jobs / "b.xml", 1}, keepGoing);
    EXPECT_FALSE(keepGoing);
    EXPECT_TRUE(first.running());
    drain(first);
    const std::string farmPath = (bin / "torvofarm.exe").string();
    const std::string tail = " -jobdir \".\" -resultdir \"output\" -bindir \"" + bin.string() + "\" -validatesetup";
    const std::string text = log.text();
    EXPECT_NE(text.find("Testing for distribution support with command line: " + farmPath +
                        " -file \"../../scenes/room.xml\" -filelist \"../../scenes/room_files.xml\" -cfg \"b.xml\"" +
                        tail + "\n"),
              std::string::npos);
    EXPECT_NE(text.find("Job type not distributable or distribution not found, falling back to local \nrendering.\n"),
              std::string::npos);

    trv::PipeProcessHandler batch;
    tool->runStage(batch, jobs / "c.xml", trv::JobStage{"", jobs / "c.xml", 1}, keepGoing);
    EXPECT_EQ(tool->queuedConfigurations(), (std::vector<fs::path>{jobs / "a.xml", jobs / "c.xml"}));
    tool->runBatch(batch);
    const auto pieces = drain(batch);
    ASSERT_FALSE(pieces.empty());
    EXPECT_EQ(pieces[0], "-file | ../../scenes/room.xml | -filelist | ../../scenes/room_files.xml | -cfg | a.xml | "
                         "-cfg | c.xml | -jobdir | . | -resultdir | output | -bindir | " +
                             bin.string() + "\n");
    EXPECT_EQ(batch.exitCode(), 0);
}

TEST_F(RenderTools, RequiredDistributionQueuesNamedStagesAndCancelsThroughTheConsole)
{
    InfoLogCapture log(dir / "info.log");
    const fs::path bin = trvtest::fakeInstallation(dir / "i", true);
    auto tool = std::dynamic_pointer_cast<trv::TorvofarmRenderTool>(choose(bin, 2));
    ASSERT_NE(tool, nullptr);
    trv::PipeProcessHandler handler;
    bool keepGoing = false;
    tool->runStage(handler, jobs / "a.xml", trv::JobStage{"pass0_cam", jobs / "a.xml", 1}, keepGoing);
    EXPECT_TRUE(keepGoing);
    ASSERT_EQ(tool->queuedConfigurations().size(), 1u);
    EXPECT_EQ(tool->queuedConfigurations()[0], jobs / "a.xml");
    // The cluster was checked once, when the tool was chosen; the stage is not tested on its own.
    const std::string text = log.text();
    EXPECT_NE(text.find("Testing for distribution"), std::string::npos);
    EXPECT_EQ(text.find("Testing for distribution", text.find("Testing for distribution") + 1), std::string::npos);

    tool->cancelHook();
    EXPECT_NE(log.text().find("Cancelling the current incredibuild job\nFailed to execute distribution cancel "
                              "command.\nCancelling command failed\n"),
              std::string::npos);
}

}  // namespace
