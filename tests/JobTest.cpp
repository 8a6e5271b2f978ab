// Jobs: creation, start, the progress of renderer runs, results, cancel and destruction,
// driven with the fake renderer.
#include "fakes/JobTestDoubles.h"

#include "core/Handles.h"
#include "core/TorvoString.h"
#include "manager/FSTorvoManager.h"
#include "cache/NameHash.h"
#include "job/JobCreation.h"
#include "scene/FSTorvoScene.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/wait.h>
#include <thread>

using trvtest::giConfig;
using trvtest::Progress;
using trvtest::textOf;
using trvtest::InfoLogCapture;
using trvtest::TestJob;
namespace fs = std::filesystem;

namespace {

struct JobFixture : trvtest::JobRig {
    fs::path bin;

    void install(bool frontEnd)
    {
        bin = trvtest::fakeInstallation(dir, frontEnd);
        ASSERT_EQ(manager.setTorvoPath(bin.string()), 0);
    }
    void script(const trv::FSTorvoJob& job, int stage, const std::string& text)
    {
        std::ofstream(job.jobDirectory() / ("target" + std::to_string(stage) + "_pass0.xml.fake")) << text;
    }
    std::vector<std::string> invocations(const trv::FSTorvoJob& job)
    {
        std::vector<std::string> lines;
        std::ifstream in(job.jobDirectory() / "invocations.log");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

// Waits until the job is no longer running; false when that takes too long.
bool runToEnd(trv::FSTorvoJob& job, int seconds = 20)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (job.state() == trv::JobState::Running && std::chrono::steady_clock::now() < deadline)
        job.waitJobDone(1000);
    return job.state() != trv::JobState::Running;
}

int32_t resultOf(trv::FSTorvoJob& job)
{
    int32_t result = -99;
    EXPECT_EQ(job.getJobResult(&result), 0);
    return result;
}

TEST_F(JobFixture, CreationCopiesTheConfigurationIntoTheHashedJobDirectory)
{
    InfoLogCapture log(dir / "info.log");
    const auto sceneObject = std::make_shared<trv::FSTorvoScene>("room", &manager);
    trv::FSTorvoScene& scene = *sceneObject;
    fs::permissions(dir / "config.xml", fs::perms::owner_read | fs::perms::group_read);
    trv::TorvoJobStub* out = nullptr;
    ASSERT_EQ(trv::createJob(manager, "bake one", scene, (dir / "config.xml").string(), out), 0);
    auto* job = dynamic_cast<trv::FSTorvoJob*>(out);
    ASSERT_NE(job, nullptr);
    const std::string hashed = trv::nameHash(std::string("bake one"));
    EXPECT_EQ(job->jobDirectory(), manager.jobsDirectory() / hashed);
    EXPECT_EQ(job->configurationPath(), job->jobDirectory() / "job.xml");
    EXPECT_EQ(trvtest::readFile(job->configurationPath()), giConfig);
    EXPECT_TRUE((fs::status(job->configurationPath()).permissions() & fs::perms::owner_write) != fs::perms::none);
    EXPECT_NE(log.text().find("Using job directory " + hashed + " for job bake one.\n"), std::string::npos);
    EXPECT_EQ(manager.jobTable().at("bake one").get(), job);

    trv::TorvoJobStub* again = nullptr;
    EXPECT_EQ(trv::createJob(manager, "bake one", scene, (dir / "config.xml").string(), again), 3);
    EXPECT_EQ(trv::createJob(manager, "missing", scene, (dir / "nope.xml").string(), again), 7);
    EXPECT_EQ(trv::lastError(), "Could not open jobXML file " + (dir / "nope.xml").string() + "\n");
    ASSERT_EQ(trv::createJob(manager, "bare", scene, "", again), 0);
    EXPECT_TRUE(dynamic_cast<trv::FSTorvoJob*>(again)->configurationPath().empty());
    EXPECT_NE(log.text().find("Empty job xml provided\n"), std::string::npos);

    fs::create_directories(dir / "folder.xml");
    EXPECT_EQ(trv::createJob(manager, "folder", scene, (dir / "folder.xml").string(), again), 7);
    EXPECT_EQ(trv::lastError().rfind("File system error: ", 0), 0u);

    // Through the export: the out handle is set on success and null otherwise.
    TorvoJob handle = nullptr;
    const TorvoManager managerHandle = trv::handleOf<TorvoManager>(&manager);
    const TorvoScene sceneHandle = trv::handleOf<TorvoScene>(&scene);
    EXPECT_EQ(TRVCreateJob(managerHandle, "exported", sceneHandle, (dir / "config.xml").c_str(), &handle), 0);
    EXPECT_EQ(trv::objectOf(handle), manager.jobTable().at("exported").get());
    EXPECT_EQ(TRVCreateJob(managerHandle, "exported", sceneHandle, (dir / "config.xml").c_str(), &handle), 3);
    EXPECT_EQ(handle, nullptr);

    EXPECT_EQ(job->destroyJob(), 0);
    EXPECT_EQ(manager.jobTable().count("bake one"), 0u);
    EXPECT_TRUE(fs::exists(manager.jobsDirectory() / hashed / "job.xml"));
}

TEST_F(JobFixture, AJobKeepsItsSceneWhenTheHostReleasesIt)
{
    install(false);
    trv::TorvoSceneStub* scene = nullptr;
    ASSERT_EQ(manager.beginScene("released", scene), 0);
    ASSERT_EQ(scene->endScene(), 0);
    trv::TorvoJobStub* out = nullptr;
    ASSERT_EQ(trv::createJob(manager, "bake", *scene, (dir / "config.xml").string(), out), 0);
    ASSERT_EQ(scene->release(), 0);
    // The scene is gone from the manager but not from the job, which still sees it finalized.
    EXPECT_EQ(out->startJob(0, 0), 11);
    EXPECT_EQ(trv::lastError(), "Nothing to do in job\n");

    // A new scene may take the name; releasing the old one again does not remove the new one.
    trv::TorvoSceneStub* successor = nullptr;
    ASSERT_EQ(manager.beginScene("released", successor), 0);
    EXPECT_EQ(scene->release(), 6);
    EXPECT_EQ(manager.beginScene("released", successor), 3);
}

TEST_F(JobFixture, StartRefusesWhatCannotRun)
{
    auto empty = job(0, "empty");
    EXPECT_EQ(empty->startJob(2, 0), 7);
    EXPECT_EQ(trv::lastError(), "Error setting up rendering executable\n");
    install(false);
    EXPECT_EQ(empty->startJob(2, 0), 11);
    EXPECT_EQ(trv::lastError(), "Nothing to do in job\n");
    EXPECT_EQ(empty->state(), trv::JobState::Created);
    EXPECT_EQ(empty->startJob(2, 2), 7);

    auto open = job(1, "open");
    open->finalized = false;
    EXPECT_EQ(open->startJob(2, 0), 5);
    EXPECT_EQ(trv::lastError(), "Scene needs to be finalized before rendering.\n");

    int32_t result = 0;
    EXPECT_EQ(open->getJobResult(&result), 5);
    EXPECT_EQ(trv::lastError(), "Job is not finished.\n");
    EXPECT_EQ(open->waitJobDone(0), 5);
    EXPECT_EQ(trv::lastError(), "Job is not started.\n");
    EXPECT_EQ(open->cancelJob(), 5);
    EXPECT_EQ(trv::lastError(), "Job is not running.\n");
    trv::TorvoRenderPassStub* pass = nullptr;
    EXPECT_EQ(open->createFullShadingPass("q", pass), 0);
    EXPECT_NE(pass, nullptr);
    EXPECT_EQ(open->createLuaPass("p", "s.lua", pass), 3);
    EXPECT_EQ(trv::lastError(), "A pass named p already exists\n");
    trv::TorvoTargetStub* target = nullptr;
    EXPECT_EQ(open->createVertexTarget("t0", target), 3);
    EXPECT_EQ(trv::lastError(), "A target named t0 already exists\n");
    EXPECT_EQ(open->createPointCloudTarget("t9", target), 0);
    EXPECT_NE(target, nullptr);
}

TEST_F(JobFixture, AStartThatFailedBuildsItsStagesAfreshOnTheNextStart)
{
    install(false);
    auto retried = job(1);
    // The stage file cannot be written while a folder takes its name.
    const fs::path stageFile = retried->jobDirectory() / "target0_pass0.xml";
    fs::create_directories(stageFile);
    EXPECT_EQ(retried->startJob(2, 0), 7);
    EXPECT_EQ(trv::lastError(), "Failed to open file " + stageFile.string() + "\n");
    fs::remove(stageFile);
    ASSERT_EQ(retried->startJob(2, 0), 0);
    EXPECT_EQ(retried->stages().size(), 1u);
    EXPECT_EQ(retried->totalWeight(), 1u);
    EXPECT_EQ(retried->startJob(2, 0), 5);
    EXPECT_EQ(trv::lastError(), "Job is already started.\n");
    trv::TorvoTargetStub* target = nullptr;
    EXPECT_EQ(retried->createTextureTarget("t", 4, 4, target), 5);
    EXPECT_EQ(trv::lastError(), "Job already started.\n");
    ASSERT_TRUE(runToEnd(*retried));
    EXPECT_EQ(resultOf(*retried), 0);
}

TEST_F(JobFixture, ProgressFollowsTitlesValuesAndCountedPhases)
{
    install(false);
    InfoLogCapture log(dir / "info.log");
    auto bake = job(1);
    script(*bake, 0,
           "say [PROGRESS] Progress Title: GI calculation\n"
           "say [PROGRESS] Progress 50\n"
           "say [PROGRESS] Progress Title: Other thing\n"
           "say [PROGRESS] Progress 90\n"
           "say [PROGRESS] Progress Title:  Baking Texture \t\n"
           "say [PROGRESS] Progress 50 percent\n"
           "say [PROGRESS] Progress Title: Writing Done rendering!\n"
           "say [PROGRESS] Progress much\n"
           "raw Done rendering!\n");
    ASSERT_EQ(bake->startJob(1, 0), 0);
    EXPECT_EQ(bake->displayMode(), 1);
    EXPECT_EQ(bake->outputDirectory(), bake->jobDirectory() / "output");
    EXPECT_TRUE(fs::is_directory(bake->outputDirectory()));
    EXPECT_EQ(bake->progressRecord().expectedPhases, 2u);

    std::vector<Progress> seen;
    std::vector<bool> completed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bake->state() == trv::JobState::Running && std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(bake->waitJobDone(-1), 0);
        TRVBool activity = 0, fresh = 0;
        ASSERT_EQ(bake->jobHasNewProgress(&activity, &fresh), 0);
        if (!fresh)
            continue;
        TRVBool again = 0, againFresh = 0;
        bake->jobHasNewProgress(&again, &againFresh);
        EXPECT_EQ(again, activity);
        EXPECT_TRUE(againFresh);
        TorvoString title = nullptr;
        int32_t progress = -1, global = -1;
        ASSERT_EQ(bake->getJobProgress(&title, &progress), 0);
        ASSERT_EQ(bake->getGlobalJobProgress(&global), 0);
        seen.push_back({textOf(title), progress, global});
        bake->jobHasNewProgress(&activity, &fresh);
        EXPECT_FALSE(activity || fresh);
        TRVBool done = 0;
        bake->isJobCompleted(&done);
        completed.push_back(done != 0);
    }
    const std::vector<Progress> expected{
        {"GI calculation", 0, 0},  {"GI calculation", 50, 25}, {"Other thing", 0, 25},
        {"Other thing", 90, 25},   {"Baking Texture", 0, 25},  {"Baking Texture", 50, 75},
        {"Writing Done rendering!", 0, 75}, {"Writing Done rendering!", 0, 75}};
    EXPECT_EQ(seen, expected);
    // "Done rendering!" inside a title counts as a title only; the piece of its own sets the flag.
    EXPECT_EQ(completed, (std::vector<bool>{false, false, false, false, false, false, false, true}));
    TRVBool done = 0, running = 1;
    bake->isJobCompleted(&done);
    bake->isJobRunning(&running);
    EXPECT_TRUE(done);
    EXPECT_FALSE(running);
    EXPECT_EQ(bake->progressRecord().stageBase, 100);
    EXPECT_EQ(resultOf(*bake), 0);
    EXPECT_TRUE(targets[0]->finished());
    const std::string text = log.text();
    EXPECT_NE(text.find("[PROGRESS] Progress much\nDone rendering!Process returned exit code 0\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Starting Torvo with command line: " + (bin / "thetorvo.exe").string() + " \""),
              std::string::npos);
    EXPECT_EQ(bake->waitJobDone(0), 5);
    EXPECT_EQ(bake->isJobRunning(nullptr), 1);
}

TEST_F(JobFixture, StagesRunInTurnAndShareTheGlobalProgress)
{
    install(false);
    auto bake = job(2);
    script(*bake, 0, "say first\n");
    script(*bake, 1,
           "say [PROGRESS] Progress Title: GI calculation\nsay [PROGRESS] Progress 100\nsay Done rendering!\n");
    ASSERT_EQ(bake->startJob(2, 0), 0);
    EXPECT_FLOAT_EQ(bake->progressRecord().stageFraction, 0.5f);
    ASSERT_TRUE(runToEnd(*bake));
    EXPECT_EQ(resultOf(*bake), 0);
    EXPECT_EQ(bake->progressRecord().globalProgress, 75);
    const auto lines = invocations(*bake);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("target0_pass0.xml"), std::string::npos);
    EXPECT_NE(lines[1].find("target1_pass0.xml"), std::string::npos);
    EXPECT_NE(lines[1].find("| -cs | -od | output"), std::string::npos);
}

TEST_F(JobFixture, AValueBeforeTheFirstTitleOfALaterStageLeavesTheGlobalProgress)
{
    install(false);
    auto bake = job(2);
    // Two phases expected per stage; each stage is half the job.
    script(*bake, 0, "say [PROGRESS] Progress Title: GI calculation\nsay [PROGRESS] Progress 50\n");
    script(*bake, 1,
           "say [PROGRESS] Progress 30\nsay [PROGRESS] Progress Title: Baking Texture\n"
           "say [PROGRESS] Progress 100\n");
    ASSERT_EQ(bake->startJob(2, 0), 0);
    std::vector<Progress> seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bake->state() == trv::JobState::Running && std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(bake->waitJobDone(-1), 0);
        TRVBool activity = 0, fresh = 0;
        bake->jobHasNewProgress(&activity, &fresh);
        if (!fresh)
            continue;
        TorvoString title = nullptr;
        int32_t progress = -1, global = -1;
        ASSERT_EQ(bake->getJobProgress(&title, &progress), 0);
        ASSERT_EQ(bake->getGlobalJobProgress(&global), 0);
        seen.push_back({textOf(title), progress, global});
    }
    // 0.5 * (0.5 / 2) in the first stage; the second stage's launch and its stray 30 before any
    // title move nothing; then 50 + 0.5 * (1 / 2).
    const std::vector<Progress> expected{{"GI calculation", 0, 0},     {"GI calculation", 50, 12},
                                         {"GI calculation", 50, 12},   {"GI calculation", 30, 12},
                                         {"Baking Texture", 0, 12},    {"Baking Texture", 100, 75},
                                         {"Baking Texture", 100, 75}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(resultOf(*bake), 0);
}

TEST_F(JobFixture, FailedRunsEndTheJobWithTheirResults)
{
    install(false);
    auto crashed = job(2, "crash");
    script(*crashed, 0, "say going\ncrash\n");
    ASSERT_EQ(crashed->startJob(2, 0), 0);
    ASSERT_TRUE(runToEnd(*crashed));
    EXPECT_EQ(resultOf(*crashed), 5);
    EXPECT_EQ(trv::lastError(), "Error code: -1073741819\n");
    EXPECT_EQ(invocations(*crashed).size(), 1u);
    EXPECT_FALSE(targets[0]->finished());

    auto failed = job(1, "fail");
    script(*failed, 0, "exit 7\n");
    {
        trvtest::LogCapture errors(dir / "error.log", trv::ErrorLog);
        ASSERT_EQ(failed->startJob(2, 0), 0);
        ASSERT_TRUE(runToEnd(*failed));
        EXPECT_EQ(errors.text(), "Render job based on xml " + (failed->jobDirectory() / "target0_pass0.xml").string() +
                                     " returned an error\nError code: 7\n");
    }
    EXPECT_EQ(resultOf(*failed), 0x10000001);
    EXPECT_EQ(failed->exitCode(), 7);

    EXPECT_EQ(trv::FSTorvoJob::jobResultOf(1223), 1);
    EXPECT_EQ(trv::FSTorvoJob::jobResultOf(0x20000001), 2);
    EXPECT_EQ(trv::FSTorvoJob::jobResultOf(0x20000002), 3);
    EXPECT_EQ(trv::FSTorvoJob::jobResultOf(0x20000003), 4);
    EXPECT_EQ(trv::FSTorvoJob::jobResultOf(-1), 0x10000001);
}

TEST_F(JobFixture, ALaterStageThatCannotStartFailsTheJob)
{
    install(false);
    auto bake = job(2);
    script(*bake, 0, "sleep 100\n");
    ASSERT_EQ(bake->startJob(2, 0), 0);
    fs::remove(bin / "thetorvo.exe");
    TRVStatus last = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bake->state() == trv::JobState::Running && std::chrono::steady_clock::now() < deadline)
        last = bake->waitJobDone(1000);
    EXPECT_EQ(last, 7);
    EXPECT_EQ(trv::lastError(), "Could not create process.\n");
    EXPECT_EQ(resultOf(*bake), 0x10000001);
    EXPECT_FALSE(targets[0]->finished());
}

TEST_F(JobFixture, CancelEndsAHangingRendererQuickly)
{
    install(false);
    auto bake = job(2);
    script(*bake, 0, "say [PROGRESS] Progress Title: Baking Texture\nhang\n");
    ASSERT_EQ(bake->startJob(2, 0), 0);
    bake->waitJobDone(1000);
    bake->waitJobDone(1000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bake->cancelJob(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(resultOf(*bake), 1);
    EXPECT_EQ(bake->waitJobDone(0), 5);
    EXPECT_EQ(trv::lastError(), "Job is not started.\n");
    EXPECT_EQ(invocations(*bake).size(), 1u);
    EXPECT_EQ(bake->destroyJob(), 0);
    EXPECT_EQ(manager.jobTable().count("bake"), 0u);
}

TEST_F(JobFixture, DestroyingARunningJobCancelsIt)
{
    install(false);
    auto bake = job(1);
    script(*bake, 0, "hang\n");
    ASSERT_EQ(bake->startJob(2, 0), 0);
    EXPECT_EQ(bake->destroyJob(), 0);
    EXPECT_EQ(bake->state(), trv::JobState::Finished);
    EXPECT_EQ(resultOf(*bake), 1);
    EXPECT_EQ(bake->destroyJob(), 6);
}

TEST_F(JobFixture, AJobReleasedWhileItRunsCollectsItsRenderer)
{
    install(false);
    auto bake = job(1);
    script(*bake, 0, "hang\n");
    ASSERT_EQ(bake->startJob(2, 0), 0);
    manager.jobTable().clear();
    bake.reset();
    siginfo_t info{};
    EXPECT_TRUE(::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == 0);
}

TEST_F(JobFixture, ExecuteRunsTheJobToItsEndAndDestroysIt)
{
    install(false);
    auto good = job(1, "good");
    TorvoManager managerHandle = trv::handleOf<TorvoManager>(&manager);
    int32_t result = -1;
    EXPECT_EQ(TRVExecuteTorvo(managerHandle, trv::handleOf<TorvoJob>(good.get()), 2, 0, &result), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(manager.jobTable().count("good"), 0u);

    auto bad = job(1, "bad");
    script(*bad, 0, "crash\n");
    EXPECT_EQ(TRVExecuteTorvo(managerHandle, trv::handleOf<TorvoJob>(bad.get()), 2, 0, &result), 11);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(manager.jobTable().count("bad"), 0u);

    auto none = job(0, "none");
    EXPECT_EQ(TRVExecuteTorvo(managerHandle, trv::handleOf<TorvoJob>(none.get()), 2, 0, &result), 11);
    EXPECT_EQ(manager.jobTable().count("none"), 0u);
}

TEST_F(JobFixture, DistributedJobsBatchTheStagesThatPassTheTest)
{
    install(true);
    auto bake = job(3);
    std::ofstream(bake->jobDirectory() / "target0_pass0.xml.validate") << "0";
    std::ofstream(bake->jobDirectory() / "target2_pass0.xml.validate") << "0";
    ASSERT_EQ(bake->startJob(2, 1), 0);
    ASSERT_TRUE(runToEnd(*bake));
    EXPECT_EQ(resultOf(*bake), 0);
    const auto lines = invocations(*bake);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_NE(lines[0].find("-cfg | target0_pass0.xml"), std::string::npos);
    EXPECT_NE(lines[1].find("-cfg | target1_pass0.xml"), std::string::npos);
    EXPECT_EQ(lines[2].find("-file"), std::string::npos);  // the local run of the refused stage
    EXPECT_NE(lines[3].find("-cfg | target2_pass0.xml | -jobdir"), std::string::npos);
    EXPECT_NE(lines[4].find("-cfg | target0_pass0.xml | -cfg | target2_pass0.xml | -jobdir"), std::string::npos);
    EXPECT_EQ(lines[4].find("-validatesetup"), std::string::npos);
}

TEST_F(JobFixture, TheRendererProgramBakesAVertexTarget)
{
    ASSERT_EQ(manager.setTorvoPath(TORVO_BINARY_DIR "/bin"), 0);
    // The rig's instance becomes one triangle facing up with nothing above it, and its scene is
    // ended: the occlusion at each of its three vertices is exactly none.
    const TRVVec3 positions[3] = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}};
    const TRVVec3 normals[3] = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
    const int32_t triangle[3] = {0, 1, 2};
    const TRVVec2 uvs[3] = {{0, 0}, {0, 1}, {1, 0}};
    ASSERT_EQ(mesh->addVertexData(positions, normals, 3), 0);
    ASSERT_EQ(mesh->beginMaterialGroup("stone"), 0);
    ASSERT_EQ(mesh->addTriangleData(triangle, 3), 0);
    ASSERT_EQ(mesh->endMaterialGroup(), 0);
    ASSERT_EQ(mesh->beginUVLayer("map"), 0);
    ASSERT_EQ(mesh->addUVData(uvs, 3), 0);
    ASSERT_EQ(mesh->endUVLayer(), 0);
    ASSERT_EQ(mesh->endMesh(), 0);
    ASSERT_EQ(scene->endScene(), 0);

    trv::TorvoJobStub* made = nullptr;
    ASSERT_EQ(trv::createJob(manager, "real", *scene, (dir / "config.xml").string(), made), 0);
    auto& bake = dynamic_cast<trv::FSTorvoJob&>(*made);
    trv::TorvoRenderPassStub* occlusion = nullptr;
    trv::TorvoTargetStub* target = nullptr;
    trv::TorvoTargetEntityStub* entity = nullptr;
    ASSERT_EQ(bake.createAmbientOcclusionPass("occlusion", 0.0f, 180.0f, occlusion), 0);
    ASSERT_EQ(bake.createVertexTarget("vertices", target), 0);
    ASSERT_EQ(target->addBakeInstance(*instance, entity), 0);
    ASSERT_EQ(target->addPass(*occlusion), 0);
    ASSERT_EQ(bake.startJob(2, 0), 0);
    ASSERT_TRUE(runToEnd(bake));
    ASSERT_EQ(resultOf(bake), 0);
    TRVBool done = 0;
    bake.isJobCompleted(&done);
    EXPECT_TRUE(done);

    trv::TorvoFramebufferStub* result = nullptr;
    ASSERT_EQ(target->getVertexbuffer(*occlusion, *entity, result), 0);
    const TorvoFramebuffer handle = trv::handleOf<TorvoFramebuffer>(result);
    int32_t channels = 0, points = 0, rows = 0;
    ASSERT_EQ(TRVGetChannelCount(handle, &channels), 0);
    ASSERT_EQ(TRVGetResolution(handle, &points, &rows), 0);
    ASSERT_EQ(points, 3);
    ASSERT_GE(channels, 3);
    std::vector<float> values(size_t(points) * channels);
    ASSERT_EQ(TRVReadRegionHDR(handle, 0, 0, points, 1, TRV_CHANNEL_ALL, values.data()), 0);
    for (int32_t p = 0; p < points; ++p)
        for (int32_t c = 0; c < 3; ++c)
            EXPECT_EQ(values[size_t(p) * channels + c], 1.0f) << "point " << p << " channel " << c;
}

size_t openDescriptors()
{
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

TEST_F(JobFixture, AThousandJobsLeaveNoDescriptorsOrChildrenBehind)
{
    install(false);
    const size_t before = openDescriptors();
    for (int i = 0; i < 1000; ++i) {
        auto bake = job(1, "job" + std::to_string(i % 3));
        targets.clear();
        ASSERT_EQ(bake->startJob(2, 0), 0) << i;
        ASSERT_TRUE(runToEnd(*bake)) << i;
        ASSERT_EQ(resultOf(*bake), 0) << i;
        ASSERT_EQ(bake->destroyJob(), 0);
    }
    EXPECT_EQ(openDescriptors(), before);
    siginfo_t info{};
    EXPECT_TRUE(::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == 0);
}

}  // namespace
