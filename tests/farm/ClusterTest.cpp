// The front end on a real Slurm cluster (the one-machine cluster the test command starts): the
// setup check, a batch split over tasks with its merged progress, a job through the library,
// failures, cancel, a killed front end, and the demo room baked locally and on the cluster.
#include "FarmTestSupport.h"

#include "../fakes/JobTestDoubles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using farmtest::linesOf;

// Waits up to limit for the condition; true when it came.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit, std::chrono::milliseconds pause = 50ms)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(pause);
    }
    return true;
}

// How long after `from` every task of the array was gone from the queue (up to 10 s).
std::chrono::milliseconds timeUntilGone(long jobId, Clock::time_point from)
{
    waitFor([&] { return farmtest::activeTasks(jobId) == 0; }, 10s, 20ms);
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - from);
}

// Skips the test when there is no cluster; points the cluster's programs at the test cluster.
struct ClusterRig : trvtest::JobRig {
    farmtest::TestCluster cluster = farmtest::testCluster();
    std::optional<farmtest::ScopedEnvironment> conf;
    ClusterRig() : JobRig("farm-cluster-") {}
    void SetUp() override
    {
        if (!cluster.available)
            GTEST_SKIP() << cluster.why;
        if (cluster.slurmConf)
            conf.emplace("SLURM_CONF", *cluster.slurmConf);
    }
};

struct ClusterFrontEnd : ClusterRig {};

TEST_F(ClusterFrontEnd, TheSetupCheckPassesWhereANodeReachesEverythingAndNamesWhatItCannotReach)
{
    farmtest::FarmJob good(dir / "good", {"say hi\n"});
    farm::CommandResult run = farmtest::runFrontEnd(good.jobDirectory, good.arguments(true));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(fs::is_empty(good.jobDirectory / "output"));

    farmtest::FarmJob missingMesh(dir / "mesh", {"say hi\n"});
    std::ofstream(missingMesh.root / "scenes" / "s_files.xml", std::ios::trunc)
        << "<inputspecification version =\"1\"><filelist><file>..\\..\\meshes\\gone.ttm</file></filelist>"
           "</inputspecification>";
    run = farmtest::runFrontEnd(missingMesh.jobDirectory, missingMesh.arguments(true));
    EXPECT_EQ(run.exitCode, 69);
    EXPECT_EQ(run.err, "torvofarm: cannot distribute: a file the stage needs cannot be read on the node: " +
                           (missingMesh.root / "meshes" / "gone.ttm").string() + " (No such file or directory)\n");
    // The answer is kept a while, so that a job of many stages asks the cluster once.
    run = farmtest::runFrontEnd(missingMesh.jobDirectory, missingMesh.arguments(true));
    EXPECT_EQ(run.exitCode, 69);
    EXPECT_NE(run.err.find(" s ago)"), std::string::npos) << run.err;
}

TEST_F(ClusterFrontEnd, StagesSplitOverTasksReportOneProgressAndOneDone)
{
    std::vector<std::string> scripts;
    for (int i = 0; i < 5; ++i)
        scripts.push_back(farmtest::fakePhase("GI calculation") + farmtest::fakePhase("Baking Texture") + "say note " +
                          std::to_string(i) + "\nsay Done rendering!\n");
    farmtest::FarmJob job(dir / "tree", scripts);
    farmtest::ScopedEnvironment twoTasks("TORVOFARM_MAX_TASKS", "2");
    const farm::CommandResult run = farmtest::runFrontEnd(job.jobDirectory, job.arguments());
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const auto lines = linesOf(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().find("torvofarm: submitted job "), 0u);
    EXPECT_NE(lines.front().find(": 2 tasks for 5 stages (3 per task)"), std::string::npos) << lines.front();
    EXPECT_EQ(lines.back(), "Done rendering!");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Done rendering!"), 1);

    // Ten phases, titled once each; within a phase the value only grows; it ends at 100.
    int titles = 0;
    int value = 0;
    std::string lastProgress;
    for (const std::string& line : lines) {
        if (line.rfind("[PROGRESS] Progress Title: ", 0) == 0) {
            ++titles;
            value = 0;
            lastProgress = line;
        } else if (line.rfind("[PROGRESS] Progress ", 0) == 0) {
            const int now = std::atoi(line.c_str() + 20);
            EXPECT_GE(now, value) << line;
            value = now;
            lastProgress = line;
        }
    }
    EXPECT_EQ(titles, 10);
    EXPECT_EQ(lastProgress, "[PROGRESS] Progress 100");
    for (int i = 0; i < 5; ++i)
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            "target" + std::to_string(i) + "_pass0.xml: note " + std::to_string(i)),
                  lines.end());

    // Every stage ran once, with the local renderer's command line, in the job directory.
    const auto invoked = linesOf(testfiles::readFile(job.jobDirectory / "invocations.log"));
    ASSERT_EQ(invoked.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_NE(std::find(invoked.begin(), invoked.end(),
                            "../../scenes/s.xml | -i | ../../scenes/s_files.xml | -x | target" + std::to_string(i) +
                                "_pass0.xml | -cs | -od | output"),
                  invoked.end());
    // The batch's files go once it has succeeded.
    for (const auto& entry : fs::directory_iterator(job.jobDirectory / "farm"))
        EXPECT_EQ(entry.path().filename().string().find("torvofarm-batch-"), std::string::npos);
}

// Starts the front end without waiting for it; its output goes to a file.
pid_t startFrontEnd(const farmtest::FarmJob& job, const fs::path& output)
{
    std::vector<std::string> words = {farmtest::frontEnd.string()};
    const auto arguments = job.arguments();
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        if (::chdir(job.jobDirectory.c_str()) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

TEST_F(ClusterFrontEnd, AFrontEndKilledWithoutWarningLeavesNoTaskBehind)
{
    farmtest::FarmJob job(dir / "tree", {"hang\n", "hang\n", "hang\n", "hang\n"});
    const fs::path output = dir / "front.out";
    const pid_t pid = startFrontEnd(job, output);
    ASSERT_GT(pid, 0);
    long id = -1;
    ASSERT_TRUE(waitFor([&] { return (id = farmtest::submittedJob(testfiles::readFile(output))) > 0; }, 30s));
    ASSERT_TRUE(waitFor([&] { return farmtest::runningTasks(id) > 0; }, 30s));
    ::kill(pid, SIGKILL);
    const auto killedAt = Clock::now();
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_LT(timeUntilGone(id, killedAt), 2000ms);
}

struct ClusterJob : ClusterRig {
    fs::path bin;
    void SetUp() override
    {
        ClusterRig::SetUp();
        if (IsSkipped())
            return;
        bin = farmtest::farmInstallation(dir / "farm");
        ASSERT_EQ(manager.setTorvoPath(bin.string()), 0);
    }
    void script(const trv::FSTorvoJob& job, int stage, const std::string& text)
    {
        std::ofstream(job.jobDirectory() / ("target" + std::to_string(stage) + "_pass0.xml.fake")) << text;
    }
    std::vector<int32_t> drive(trv::FSTorvoJob& job, std::chrono::seconds limit = 120s)
    {
        std::vector<int32_t> seen;
        const auto deadline = Clock::now() + limit;
        while (job.state() == trv::JobState::Running && Clock::now() < deadline) {
            EXPECT_EQ(job.waitJobDone(1000), 0);
            int32_t global = -1;
            EXPECT_EQ(job.getGlobalJobProgress(&global), 0);
            if (seen.empty() || seen.back() != global)
                seen.push_back(global);
        }
        EXPECT_NE(job.state(), trv::JobState::Running);
        return seen;
    }
    int32_t resultOf(trv::FSTorvoJob& job)
    {
        int32_t result = -99;
        EXPECT_EQ(job.getJobResult(&result), 0);
        return result;
    }
};

TEST_F(ClusterJob, ARequiredDistributionRendersOnTheClusterWithSteadyProgress)
{
    trvtest::InfoLogCapture log(dir / "info.log");
    auto bake = job(3);
    for (int i = 0; i < 3; ++i)
        script(*bake, i, farmtest::fakePhase("GI calculation") + "sleep 300\n" + farmtest::fakePhase("Baking Texture") +
                             "say Done rendering!\n");
    ASSERT_EQ(bake->startJob(2, 2), 0);
    const auto seen = drive(*bake);
    EXPECT_EQ(resultOf(*bake), 0);
    TRVBool completed = 0;
    ASSERT_EQ(bake->isJobCompleted(&completed), 0);
    EXPECT_TRUE(completed);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << ::testing::PrintToString(seen);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_GT(seen.size(), 3u) << ::testing::PrintToString(seen);  // it moved in steps, not at once
    const std::string text = log.text();
    EXPECT_NE(text.find("Starting torvofarm with command line: "), std::string::npos);
    EXPECT_NE(text.find("torvofarm: submitted job "), std::string::npos);
    EXPECT_EQ(linesOf(testfiles::readFile(bake->jobDirectory() / "invocations.log")).size(), 3u);
}

TEST_F(ClusterJob, AFailingStageFailsTheJobAndIsNamed)
{
    const struct {
        std::string script;
        int32_t exitCode;
        int32_t jobResult;
        std::string line;
        std::string relayed;
    } cases[] = {
        {"say about to fail\nexit 3\n", 3, 0x10000001, "torvofarm: stage target1_pass0.xml failed with exit code 3 on ",
         "target1_pass0.xml: about to fail\n"},
        {"crash\n", static_cast<int32_t>(0xC0000005u), 5,
         "torvofarm: stage target1_pass0.xml failed with signal 11 (Segmentation fault) on ", ""},
    };
    for (const auto& c : cases) {
        trvtest::InfoLogCapture log(dir / "info.log");
        auto bake = job(3, "failing" + std::to_string(c.exitCode));
        script(*bake, 0, "sleep 20000\n");
        script(*bake, 1, c.script);
        script(*bake, 2, "sleep 20000\n");
        ASSERT_EQ(bake->startJob(2, 2), 0);
        drive(*bake, 60s);
        EXPECT_EQ(bake->exitCode(), c.exitCode);
        EXPECT_EQ(resultOf(*bake), c.jobResult);
        const std::string text = log.text();
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
        EXPECT_NE(text.find(c.relayed), std::string::npos) << text;
        // The stages still running are cancelled with the failure.
        const long id = farmtest::submittedJob(text);
        ASSERT_GT(id, 0);
        EXPECT_LT(timeUntilGone(id, Clock::now()), 2000ms);
    }
}

TEST_F(ClusterJob, ACancelLeavesNoTaskBehind)
{
    trvtest::InfoLogCapture log(dir / "info.log");
    auto bake = job(4);
    for (int i = 0; i < 4; ++i)
        script(*bake, i, "say [PROGRESS] Progress Title: GI calculation\nhang\n");
    ASSERT_EQ(bake->startJob(2, 2), 0);
    long id = -1;
    ASSERT_TRUE(waitFor(
        [&] {
            EXPECT_EQ(bake->waitJobDone(100), 0);
            id = farmtest::submittedJob(log.text());
            return id > 0 && farmtest::runningTasks(id) > 0;
        },
        30s, 10ms));
    ASSERT_EQ(bake->cancelJob(), 0);
    EXPECT_LT(timeUntilGone(id, Clock::now()), 2000ms);
    EXPECT_EQ(resultOf(*bake), 1);
}

// The demo room, baked by the demo host locally and with required distribution: the results are
// the same files with the same bytes. It needs the real renderer and the bake's targets.
struct ClusterDemo : ClusterRig {};

// Every regular file under root, by its path relative to root.
std::map<std::string, std::string> filesUnder(const fs::path& root)
{
    std::map<std::string, std::string> files;
    if (!fs::is_directory(root))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = testfiles::readFile(entry.path());
    return files;
}

TEST_F(ClusterDemo, TheDemoRoomBakedOnTheClusterEqualsTheLocalBake)
{
    const fs::path demoHost = fs::path(TORVO_BINARY_DIR) / "bin" / "demo_host";
    auto bakeIn = [&](const std::string& name, int distribution, double& seconds) {
        const fs::path where = dir / name;
        fs::create_directories(where);
        const auto start = Clock::now();
        const farm::CommandResult run = farm::runCommand(
            {"sh", "-c", "cd \"$0\" && exec \"$1\" --quick --distribution \"$2\"", where.string(), demoHost.string(),
             std::to_string(distribution)},
            600s);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        std::map<std::string, std::string> results;
        for (const auto& job : fs::directory_iterator(where / "demo-cache" / "jobs"))
            for (const auto& [file, bytes] : filesUnder(job.path() / "output"))
                // The atlas layout names its surfaces by their entities' GUIDs, new in every run;
                // the atlas images baked from it are compared.
                if (file != "atlasres.xml")
                    results["output/" + file] = bytes;
        for (const char* image :
             {"room_lightmap.png", "room_ao.png", "room_fullshading.png", "room_view.png", "room_atlas.png"})
            if (fs::exists(where / image))
                results[image] = testfiles::readFile(where / image);
        return results;
    };
    double localSeconds = 0;
    const auto local = bakeIn("local", 0, localSeconds);
    if (local.empty())
        GTEST_SKIP() << "this build's renderer and targets bake no results yet (the demo host wrote none)";
    double farmSeconds = 0;
    const auto distributed = bakeIn("farm", 2, farmSeconds);
    EXPECT_EQ(distributed.size(), local.size());
    for (const auto& [file, bytes] : local) {
        const auto found = distributed.find(file);
        ASSERT_NE(found, distributed.end()) << file << " is missing from the distributed bake";
        EXPECT_TRUE(found->second == bytes) << file << " differs";
    }
    std::printf("demo room bake: local %.2f s, distributed %.2f s\n", localSeconds, farmSeconds);
}

}  // namespace
