// Jobs that ask for distribution, on machines without a cluster: the library's side of the
// front end (the batch's progress, the setup check before a required distribution) and the real
// front end refusing when there is no cluster to use.
#include "FarmTestSupport.h"

#include "../fakes/JobTestDoubles.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct DistributedJob : trvtest::JobRig {
    DistributedJob() : JobRig("farm-") {}

    // The global progress after every piece of output, until the job ends.
    std::vector<int32_t> drive(trv::FSTorvoJob& job)
    {
        std::vector<int32_t> seen;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (job.state() == trv::JobState::Running && std::chrono::steady_clock::now() < deadline) {
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

// Each stage of these jobs expects two phases. The fake front end reports the batch's phases
// as the real one does: as many counted titles as the batch's stages expect together.
TEST_F(DistributedJob, ABatchsProgressSpansAllItsStages)
{
    const fs::path bin = trvtest::fakeInstallation(dir / "all", true);
    ASSERT_EQ(manager.setTorvoPath(bin.string()), 0);
    auto bake = job(3);
    std::ofstream(bake->jobDirectory() / ".validate") << "0";
    std::ofstream(bake->jobDirectory() / "target0_pass0.xml.fake")
        << "say [PROGRESS] Progress Title: GI calculation\nsay [PROGRESS] Progress 50\n"
           "say [PROGRESS] Progress Title: GI calculation\nsay [PROGRESS] Progress 100\n"
           "say [PROGRESS] Progress Title: Baking Texture\nsay [PROGRESS] Progress Title: Baking Texture\n"
           "say [PROGRESS] Progress Title: Baking Texture\nsay [PROGRESS] Progress Title: Baking Texture\n"
           "say [PROGRESS] Progress 100\nsay Done rendering!\n";
    ASSERT_EQ(bake->startJob(2, 2), 0);
    // Six phases from 0: half of the first is 8 %, the end of the second 33 %, all six 100 %.
    EXPECT_EQ(drive(*bake), (std::vector<int32_t>{0, 8, 33, 100}));
    EXPECT_EQ(resultOf(*bake), 0);
}

TEST_F(DistributedJob, ABatchAfterALocalFallbackStartsWhereTheLocalStagesEnded)
{
    const fs::path bin = trvtest::fakeInstallation(dir / "all", true);
    ASSERT_EQ(manager.setTorvoPath(bin.string()), 0);
    auto bake = job(3);
    std::ofstream(bake->jobDirectory() / "target0_pass0.xml.validate") << "0";
    std::ofstream(bake->jobDirectory() / "target2_pass0.xml.validate") << "0";
    std::ofstream(bake->jobDirectory() / "target1_pass0.xml.fake") << "say local\n";
    std::ofstream(bake->jobDirectory() / "target0_pass0.xml.fake")
        << "say [PROGRESS] Progress Title: GI calculation\nsay [PROGRESS] Progress 50\n";
    ASSERT_EQ(bake->startJob(2, 1), 0);
    // The local stage is a third of the job; the batch's four phases share the other two thirds:
    // 33 + trunc(2/3 * (0.5 / 4) * 100) = 41.
    EXPECT_EQ(drive(*bake), (std::vector<int32_t>{0, 41}));
    EXPECT_EQ(resultOf(*bake), 0);
}

TEST_F(DistributedJob, RequiredDistributionFailsTheStartWhenTheSetupCheckFails)
{
    const fs::path bin = trvtest::fakeInstallation(dir / "all", true);
    ASSERT_EQ(manager.setTorvoPath(bin.string()), 0);
    auto bake = job(2);
    std::ofstream(bake->jobDirectory() / ".validate") << "69";
    EXPECT_EQ(bake->startJob(2, 2), 7);
    EXPECT_EQ(trv::lastError(), "Error setting up rendering executable\n");
    EXPECT_EQ(bake->state(), trv::JobState::Created);
    const std::string invoked = testfiles::readFile(bake->jobDirectory() / "invocations.log");
    EXPECT_NE(invoked.find(" -validatesetup"), std::string::npos);
    EXPECT_EQ(invoked.find("-cfg"), std::string::npos);  // the cluster is checked without a stage
}

// The real front end, with no cluster configured at all.
struct NoCluster : DistributedJob {
    farmtest::ScopedEnvironment conf{"SLURM_CONF", (dir / "nowhere" / "slurm.conf").string()};
    fs::path bin = farmtest::farmInstallation(dir / "farm");
};

TEST_F(NoCluster, AllowedDistributionRendersEveryStageLocally)
{
    ASSERT_EQ(manager.setTorvoPath(bin.string()), 0);
    trvtest::InfoLogCapture log(dir / "info.log");
    auto bake = job(2);
    ASSERT_EQ(bake->startJob(2, 1), 0);
    drive(*bake);
    EXPECT_EQ(resultOf(*bake), 0);
    const std::string text = log.text();
    size_t fallbacks = 0;
    for (size_t at = 0; (at = text.find("falling back to local \nrendering.\n", at)) != std::string::npos; ++at)
        ++fallbacks;
    EXPECT_EQ(fallbacks, 2u);
    EXPECT_EQ(text.find("Starting torvofarm with command line"), std::string::npos);
    const auto invoked = farmtest::linesOf(testfiles::readFile(bake->jobDirectory() / "invocations.log"));
    ASSERT_EQ(invoked.size(), 2u);  // the two local runs; the front end is no fake
    EXPECT_NE(invoked[0].find("-x | target0_pass0.xml"), std::string::npos);
}

TEST_F(NoCluster, RequiredDistributionFailsTheStart)
{
    ASSERT_EQ(manager.setTorvoPath(bin.string()), 0);
    auto bake = job(1);
    EXPECT_EQ(bake->startJob(2, 2), 7);
    EXPECT_EQ(trv::lastError(), "Error setting up rendering executable\n");
    EXPECT_FALSE(fs::exists(bake->jobDirectory() / "invocations.log"));
}

TEST_F(NoCluster, TheFrontEndSaysWhyItCannotDistribute)
{
    farmtest::FarmJob farmJob(dir / "tree", {"say hi\n"});
    farm::CommandResult run = farmtest::runFrontEnd(farmJob.jobDirectory, farmJob.arguments(true));
    EXPECT_EQ(run.exitCode, 69);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "torvofarm: cannot distribute: the cluster configuration named by SLURM_CONF does not exist: " +
                           (dir / "nowhere" / "slurm.conf").string() + "\n");

    run = farmtest::runFrontEnd(farmJob.jobDirectory, farmJob.arguments(false));
    EXPECT_EQ(run.exitCode, 69);
    EXPECT_EQ(run.out, "torvofarm: the cluster configuration named by SLURM_CONF does not exist: " +
                           (dir / "nowhere" / "slurm.conf").string() + "\n");

    // What cannot be distributed anywhere is refused before the cluster is asked.
    std::ofstream(farmJob.jobDirectory / "target0_pass0.xml", std::ios::trunc) << "<KXConfig>";
    run = farmtest::runFrontEnd(farmJob.jobDirectory, farmJob.arguments(true));
    EXPECT_EQ(run.exitCode, 65);
    EXPECT_EQ(run.err.rfind("torvofarm: cannot distribute: the stage target0_pass0.xml cannot be read: ", 0), 0u)
        << run.err;

    auto words = farmJob.arguments(false);
    words.push_back("-d");
    run = farmtest::runFrontEnd(farmJob.jobDirectory, words);
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_EQ(run.err, "torvofarm: unknown argument -d\n");
}

}  // namespace
