// The front end's parts without a cluster: its command line, the split of stages over tasks, the
// plan and end records the tasks share with it, the cluster programs' answers, the merged
// progress, the task program, the node check and the outside commands.
#include "FarmTestSupport.h"

#include "BatchPlan.h"
#include "FarmArguments.h"
#include "NodeCheck.h"
#include "ProgressMerger.h"
#include "SlurmClient.h"
#include "TaskScript.h"

#include "job/CommandLine.h"
#include "job/TorvoRenderTool.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using farmtest::linesOf;

TEST(FarmArguments, TheLibrarysDistributedCommandLineIsTakenWhole)
{
    testfiles::TestDirectory dir("farm");
    const fs::path jobs = dir.path() / "jobs" / "abc";
    fs::create_directories(jobs / "output");
    const trv::TorvoRenderTool tool(jobs, dir.path() / "scenes" / "room.xml", dir.path() / "scenes" / "room_files.xml",
                                    jobs / "output", 2, "thetorvo.exe");
    const std::string line = trv::distributedArguments(tool, {jobs / "a.xml", jobs / "b b.xml"}, "",
                                                       dir.path() / "bin" / "torvofarm.exe", false);
    farm::FarmArguments parsed;
    std::string why;
    ASSERT_TRUE(farm::parseFarmArguments(trv::platform::splitArguments(line), parsed, why)) << why;
    EXPECT_EQ(parsed.sceneXml, "../../scenes/room.xml");
    EXPECT_EQ(parsed.fileList, "../../scenes/room_files.xml");
    EXPECT_EQ(parsed.configurations, (std::vector<fs::path>{"a.xml", "b b.xml"}));
    EXPECT_EQ(parsed.jobDirectory, ".");
    EXPECT_EQ(parsed.resultDirectory, "output");
    EXPECT_EQ(parsed.binDirectory, dir.path() / "bin");
    EXPECT_FALSE(parsed.validateSetup);
    parsed.makeAbsolute(jobs);
    EXPECT_EQ(parsed.sceneXml, dir.path() / "scenes" / "room.xml");
    EXPECT_EQ(parsed.jobDirectory, jobs);

    const std::string check =
        trv::distributedArguments(tool, {}, "", dir.path() / "bin" / "torvofarm.exe", true);
    ASSERT_TRUE(farm::parseFarmArguments(trv::platform::splitArguments(check), parsed, why)) << why;
    EXPECT_TRUE(parsed.validateSetup);
    EXPECT_TRUE(parsed.configurations.empty());
}

TEST(FarmArguments, LinesItCannotTakeAreRefusedWithTheReason)
{
    const std::vector<std::string> tail = {"-jobdir", ".", "-resultdir", "o", "-bindir", "b"};
    auto with = [&](std::vector<std::string> head) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const struct {
        std::vector<std::string> words;
        std::string why;
    } cases[] = {
        {with({"-file", "s", "-filelist", "f", "-cfg", "c", "-x", "y"}), "unknown argument -x"},
        {with({"-file", "s", "-filelist", "f", "-cfg"}), "the switch -cfg needs a value"},
        {with({"-file", "s", "-file", "t", "-filelist", "f", "-cfg", "c"}), "the switch -file is given twice"},
        {with({"-filelist", "f", "-cfg", "c"}), "the switch -file is missing"},
        {with({"-file", "s", "-filelist", "f"}), "no stage to render: the switch -cfg is missing"},
        {{"-file", "s", "-filelist", "f", "-cfg", "c", "-jobdir", "."}, "the switch -resultdir is missing"},
    };
    for (const auto& c : cases) {
        farm::FarmArguments parsed;
        std::string why;
        EXPECT_FALSE(farm::parseFarmArguments(c.words, parsed, why));
        EXPECT_EQ(why, c.why);
    }
}

TEST(BatchPlan, StagesAreSpreadEvenlyOverNoMoreTasksThanAllowed)
{
    const struct {
        size_t stages;
        uint32_t maxTasks;
        uint32_t perTask;
        uint32_t tasks;
    } cases[] = {
        {1, 1001, 1, 1},   {3, 1001, 1, 3},       {1001, 1001, 1, 1001}, {1002, 1001, 2, 501},
        {5, 2, 3, 2},      {10000, 1001, 10, 1000}, {7, 0, 7, 1},
    };
    for (const auto& c : cases) {
        farm::BatchPlan plan;
        plan.stagesPerTask = farm::stagesPerTask(c.stages, c.maxTasks);
        plan.stageArguments.assign(c.stages, "x");
        EXPECT_EQ(plan.stagesPerTask, c.perTask) << c.stages << " over " << c.maxTasks;
        EXPECT_EQ(plan.taskCount(), c.tasks) << c.stages << " over " << c.maxTasks;
    }
    // Five stages over two tasks: three, then two; every stage in exactly one task.
    farm::BatchPlan plan;
    plan.stagesPerTask = 3;
    plan.stageArguments.assign(5, "x");
    EXPECT_EQ(plan.stagesOfTask(0), (std::pair<size_t, size_t>{0, 3}));
    EXPECT_EQ(plan.stagesOfTask(1), (std::pair<size_t, size_t>{3, 5}));
}

TEST(BatchPlan, APlanReadsBackAsWrittenAndADamagedOneIsRefused)
{
    testfiles::TestDirectory dir("farm");
    farm::BatchPlan plan;
    plan.jobDirectory = dir.path() / "job dir";
    plan.renderer = "/opt/r 1/thetorvo.exe";
    plan.stagesPerTask = 2;
    plan.stageArguments = {"\"../../s.xml\" -i \"../../f.xml\" -x \"a b.xml\" -cs  -od \"output\"", ""};
    std::string why;
    ASSERT_TRUE(plan.write(dir.path() / "plan.txt", why)) << why;
    farm::BatchPlan read;
    ASSERT_TRUE(read.read(dir.path() / "plan.txt", why)) << why;
    EXPECT_EQ(read.jobDirectory, plan.jobDirectory);
    EXPECT_EQ(read.renderer, plan.renderer);
    EXPECT_EQ(read.stagesPerTask, 2u);
    EXPECT_EQ(read.stageArguments, plan.stageArguments);

    const std::string whole = testfiles::readFile(dir.path() / "plan.txt");
    for (const std::string& damaged : {whole.substr(0, whole.size() - 10), std::string("not a plan\n"),
                                       std::string("torvofarm plan 1\n/j\n/r\n0\n1\nx\n")}) {
        std::ofstream(dir.path() / "bad.txt", std::ios::trunc) << damaged;
        EXPECT_FALSE(read.read(dir.path() / "bad.txt", why)) << damaged;
    }
    plan.stageArguments = {"a\nb"};
    EXPECT_FALSE(plan.write(dir.path() / "plan2.txt", why));
}

TEST(StageEnd, EndRecordsReadBackAndHalfARecordIsNotAnEnd)
{
    testfiles::TestDirectory dir("farm");
    const farm::StageEnd ends[] = {{farm::StageEnd::Kind::Exited, 3, "node1"},
                                   {farm::StageEnd::Kind::Signalled, 11, "node2"},
                                   {farm::StageEnd::Kind::NotStarted, 2, "node3"}};
    for (const farm::StageEnd& end : ends) {
        ASSERT_TRUE(end.write(dir.path() / "e"));
        farm::StageEnd read;
        ASSERT_TRUE(read.read(dir.path() / "e"));
        EXPECT_EQ(read.kind, end.kind);
        EXPECT_EQ(read.code, end.code);
        EXPECT_EQ(read.host, end.host);
    }
    EXPECT_EQ(ends[0].describe(), "exit code 3");
    EXPECT_EQ(ends[1].describe(), "signal 11 (Segmentation fault)");
    std::ofstream(dir.path() / "half") << "exited 0\nnode1\n";
    farm::StageEnd read;
    EXPECT_FALSE(read.read(dir.path() / "half"));
    EXPECT_FALSE(read.read(dir.path() / "missing"));
}

TEST(SlurmAnswers, TheProgramsOutputIsRead)
{
    // scontrol show config: the lower of MaxArraySize and max_array_tasks bounds an array.
    const farm::ArrayLimits limits = farm::SlurmClient::parseLimits(
        "Configuration data as of 2026-12-08T13:50:30\nMaxArraySize            = 100001\n"
        "MaxJobCount             = 50000\nSchedulerParameters     = bf_interval=30,max_array_tasks=5000\n");
    EXPECT_EQ(limits.maxTasks, 5000u);
    EXPECT_EQ(limits.maxJobCount, 50000u);
    EXPECT_EQ(farm::SlurmClient::parseLimits("MaxArraySize = 0\nSchedulerParameters = (null)\n").maxTasks, 0u);

    EXPECT_EQ(farm::SlurmClient::parseJobId("4711\n"), 4711);
    EXPECT_EQ(farm::SlurmClient::parseJobId("4712;cluster2\n"), 4712);
    EXPECT_EQ(farm::SlurmClient::parseJobId("sbatch: error: Batch job submission failed\n"), -1);

    std::map<uint32_t, farm::TaskState> states;
    ASSERT_TRUE(farm::SlurmClient::parseTaskStates("2|PENDING\n0|RUNNING\n1|COMPLETED\n3|CANCELLED\n", states));
    EXPECT_EQ(states.size(), 4u);
    EXPECT_FALSE(states[2].finished());
    EXPECT_FALSE(states[0].finished());
    EXPECT_TRUE(states[1].finished());
    EXPECT_TRUE(states[3].finished());
    EXPECT_FALSE(farm::TaskState{"COMPLETING"}.finished());
    EXPECT_FALSE(farm::SlurmClient::parseTaskStates("2-3|PENDING\n", states));

    const struct {
        std::string sinfo;
        std::string partition;
        bool ready;
        std::string chosenOrWhy;
    } cases[] = {
        {"debug*|up|idle|1\nbig|up|mix|4\n", "", true, "debug"},
        {"debug*|up|drain|1\nbig|up|mix|4\n", "big", true, "big"},
        {"debug*|up|drain|2\ndebug*|up|down*|1\n", "", false, "partition debug has no node that can take work"},
        {"debug*|up|idle*|1\n", "", false, "partition debug has no node that can take work"},
        {"debug*|up|idle~|8\n", "", true, "debug"},
        {"debug*|down|idle|1\n", "", false, "partition debug is not up"},
        {"big|up|idle|1\n", "", false, "the cluster has no default partition"},
        {"debug*|up|idle|1\n", "gpu", false, "the cluster has no partition gpu"},
    };
    for (const auto& c : cases) {
        std::string partition = c.partition;
        std::string why;
        EXPECT_EQ(farm::SlurmClient::parsePartitions(c.sinfo, partition, why), c.ready) << c.sinfo;
        EXPECT_EQ(c.ready ? partition : why, c.chosenOrWhy) << c.sinfo;
    }
}

// The progress the library makes of the merged messages, as it computes it for a batch that
// starts at 0 and spans the whole job: (titles counted - 1 + value / 100) / expected phases.
int globalOf(const std::vector<std::string>& messages, uint64_t expected, int& titles)
{
    int value = 0;
    for (const std::string& m : messages) {
        if (m.rfind("[PROGRESS] Progress Title: ", 0) == 0) {
            ++titles;
            value = 0;
        } else {
            value = std::atoi(m.c_str() + std::string("[PROGRESS] Progress ").size());
        }
    }
    return static_cast<int>((titles - 1 + value / 100.0) / static_cast<double>(expected) * 100);
}

TEST(ProgressMerger, StagesRenderingAtOnceAddUpToOneSteadyProgress)
{
    // Two stages of two phases each and one of four: eight phases.
    farm::ProgressMerger merger({2, 2, 4});
    EXPECT_EQ(merger.phasesExpected(), 8u);
    EXPECT_TRUE(merger.messages().empty());
    int titles = 0;

    EXPECT_TRUE(merger.take(0, "[PROGRESS] Progress Title: GI calculation"));
    EXPECT_TRUE(merger.take(0, "[PROGRESS] Progress 50"));
    auto m = merger.messages();
    EXPECT_EQ(m, (std::vector<std::string>{"[PROGRESS] Progress Title: GI calculation", "[PROGRESS] Progress 50"}));
    EXPECT_EQ(globalOf(m, 8, titles), 6);  // 0.5 of 8 phases

    // Stage 2 is in its second phase at 50 while stage 0 is still at half its first: 2 phases done.
    merger.take(2, "[PROGRESS] Progress Title: Precalculating Path Tracer Lighting");
    merger.take(2, "[PROGRESS] Progress 100");
    merger.take(2, "[PROGRESS] Progress Title: Baking Texture");
    merger.take(2, "[PROGRESS] Progress 50");
    m = merger.messages();
    EXPECT_EQ(m, (std::vector<std::string>{"[PROGRESS] Progress Title: Baking Texture",
                                           "[PROGRESS] Progress Title: Baking Texture", "[PROGRESS] Progress 0"}));
    EXPECT_EQ(globalOf(m, 8, titles), 25);  // 2 of 8

    // A title outside the counted phases keeps what stage 2 reached; its values are not counted.
    merger.take(2, "[PROGRESS] Progress Title: Writing results");
    merger.take(2, "[PROGRESS] Progress 10");
    EXPECT_DOUBLE_EQ(merger.phasesDone(), 2.0);
    EXPECT_TRUE(merger.messages().empty());

    // Stage 1 ends without a word: both its phases are done. 4.0 of 8.
    merger.stageSucceeded(1);
    m = merger.messages();
    EXPECT_EQ(m.size(), 3u);
    EXPECT_EQ(globalOf(m, 8, titles), 50);

    merger.stageSucceeded(0);
    merger.stageSucceeded(2);
    m = merger.messages();
    EXPECT_EQ(m.back(), "[PROGRESS] Progress 100");
    EXPECT_EQ(titles + static_cast<int>(m.size()) - 1, 8);  // every phase titled once
    EXPECT_EQ(globalOf(m, 8, titles), 100);
    EXPECT_TRUE(merger.messages().empty());

    // A stage that starts again (its task requeued) takes nothing back that was reported.
    merger.stageRestarted(2);
    merger.take(2, "[PROGRESS] Progress Title: GI calculation");
    EXPECT_DOUBLE_EQ(merger.phasesDone(), 4.0);
    EXPECT_TRUE(merger.messages().empty());

    // Other output is not a progress message.
    EXPECT_FALSE(merger.take(0, "Loaded 12 meshes"));
}

TEST(ProgressMerger, StagesWithoutAnEstimateStillMoveTheValue)
{
    farm::ProgressMerger merger({0, 0});
    EXPECT_EQ(merger.phasesExpected(), 2u);
    merger.stageSucceeded(0);
    EXPECT_EQ(merger.messages(), (std::vector<std::string>{"[PROGRESS] Progress Title: Baking Texture",
                                                           "[PROGRESS] Progress Title: Baking Texture",
                                                           "[PROGRESS] Progress 0"}));
}

TEST(TaskScript, WordsReachTheProgramAsTheyWere)
{
    testfiles::TestDirectory dir("farm");
    const std::vector<std::string> words = {"it's", "a b", "$HOME", "\"q\"", "back\\slash"};
    std::vector<std::string> command = {"/usr/bin/printf", "%s\\n"};
    command.insert(command.end(), words.begin(), words.end());
    std::string why;
    ASSERT_TRUE(farm::writeTaskScript(dir.path() / "t.sh", command, true, why)) << why;
    const farm::CommandResult run =
        farm::runCommand({"env", "SLURM_ARRAY_TASK_ID=7", "sh", (dir.path() / "t.sh").string()}, 10s);
    ASSERT_TRUE(run.succeeded()) << run.firstLine();
    std::vector<std::string> expected = words;
    expected.push_back("7");
    EXPECT_EQ(linesOf(run.out), expected);
}

TEST(CommandRunner, OutputExitTimeAndMissingProgramsAreReported)
{
    farm::CommandResult r = farm::runCommand({"sh", "-c", "echo out; echo err >&2; exit 3"}, 10s);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "out\n");
    EXPECT_EQ(r.firstLine(), "err");

    const auto start = std::chrono::steady_clock::now();
    r = farm::runCommand({"sleep", "30"}, 300ms);
    EXPECT_TRUE(r.timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(r.firstLine(), "no answer in time");

    r = farm::runCommand({"no-such-program-here"}, 10s);
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.firstLine().rfind("cannot start no-such-program-here: ", 0), 0u);
}

// The task program run by hand, as a node runs it.
struct TaskProgram : ::testing::Test {
    testfiles::TestDirectory dir{"farm"};
    farm::BatchPlan plan;
    TaskProgram()
    {
        plan.jobDirectory = dir.path();
        plan.renderer = farmtest::fakeRenderer;
        plan.stagesPerTask = 3;
        for (int i = 0; i < 5; ++i)
            plan.stageArguments.push_back("\"s.xml\" -i \"f.xml\" -x \"c" + std::to_string(i) + ".xml\" -cs  -od \"o\"");
    }
    farm::CommandResult runTask(const std::string& task)
    {
        std::string why;
        EXPECT_TRUE(plan.write(dir.path() / "plan.txt", why)) << why;
        return farm::runCommand({farmtest::taskProgram.string(), (dir.path() / "plan.txt").string(), task}, 30s);
    }
    std::optional<farm::StageEnd> endOf(size_t stage)
    {
        farm::StageEnd end;
        if (!end.read(dir.path() / farm::stageEndName(stage)))
            return std::nullopt;
        return end;
    }
};

TEST_F(TaskProgram, ATaskRunsItsStagesInTheJobDirectoryAndRecordsEachEnd)
{
    for (int i = 3; i < 5; ++i)
        std::ofstream(dir.path() / ("c" + std::to_string(i) + ".xml.fake")) << "cwd\nerr on stderr\nargs\n";
    const farm::CommandResult run = runTask("1");
    ASSERT_TRUE(run.succeeded()) << run.firstLine();
    EXPECT_FALSE(endOf(2));
    for (size_t stage : {3u, 4u}) {
        ASSERT_TRUE(endOf(stage));
        EXPECT_TRUE(endOf(stage)->succeeded());
        const std::string i = std::to_string(stage);
        EXPECT_EQ(testfiles::readFile(dir.path() / farm::stageOutputName(stage)),
                  dir.path().string() + "\non stderr\ns.xml | -i | f.xml | -x | c" + i + ".xml | -cs | -od | o\n");
    }
}

TEST_F(TaskProgram, TheFirstFailingStageEndsTheTaskWithItsStatus)
{
    std::ofstream(dir.path() / "c1.xml.fake") << "exit 3\n";
    farm::CommandResult run = runTask("0");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(endOf(0)->succeeded());
    EXPECT_EQ(endOf(1)->describe(), "exit code 3");
    EXPECT_FALSE(endOf(2));  // not run after the failure

    std::ofstream(dir.path() / "c3.xml.fake") << "crash\n";
    run = runTask("1");
    EXPECT_EQ(run.exitCode, 128 + SIGSEGV);
    EXPECT_EQ(endOf(3)->kind, farm::StageEnd::Kind::Signalled);
    EXPECT_EQ(endOf(3)->code, SIGSEGV);

    plan.renderer = dir.path() / "missing.exe";
    run = runTask("1");
    EXPECT_EQ(run.exitCode, 127);
    EXPECT_EQ(endOf(3)->describe(), "renderer not started: No such file or directory");

    for (const char* wrong : {"2", "x", ""}) {
        run = runTask(wrong);
        EXPECT_EQ(run.exitCode, 64) << wrong;
    }
}

TEST(NodeCheck, EveryItemIsCheckedAndTheFirstFailureAnswered)
{
    testfiles::TestDirectory dir("farm");
    std::ofstream(dir.path() / "scene.xml") << "<KXScene/>";
    std::string why;
    std::vector<farm::NodeCheckItem> items = {{farm::NodeCheckItem::Kind::Executable, farmtest::fakeRenderer},
                                              {farm::NodeCheckItem::Kind::Readable, dir.path() / "scene.xml"},
                                              {farm::NodeCheckItem::Kind::WritableDirectory, dir.path()}};
    ASSERT_TRUE(farm::writeCheckList(dir.path() / "list", items, why));
    bool passed = false;
    std::string line;
    EXPECT_FALSE(farm::readCheckResult(dir.path() / "answer", passed, line));
    EXPECT_TRUE(farm::runNodeCheck(dir.path() / "list", dir.path() / "answer"));
    ASSERT_TRUE(farm::readCheckResult(dir.path() / "answer", passed, line));
    EXPECT_TRUE(passed);

    items.push_back({farm::NodeCheckItem::Kind::Readable, dir.path() / "meshes" / "m.ttm"});
    items.push_back({farm::NodeCheckItem::Kind::Executable, dir.path() / "scene.xml"});
    ASSERT_TRUE(farm::writeCheckList(dir.path() / "list", items, why));
    EXPECT_FALSE(farm::runNodeCheck(dir.path() / "list", dir.path() / "answer"));
    ASSERT_TRUE(farm::readCheckResult(dir.path() / "answer", passed, line));
    EXPECT_FALSE(passed);
    EXPECT_EQ(line, "a file the stage needs cannot be read on the node: " + (dir.path() / "meshes" / "m.ttm").string() +
                        " (No such file or directory)");
}

}  // namespace
