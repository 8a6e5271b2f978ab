// Jobs against a renderer whose output is not what a well-behaved renderer writes: bytes that
// are not text, progress lines that do not parse, floods, abrupt ends, a grandchild that keeps
// the output open, output closed early. Whatever arrives, the job ends with the result of the
// renderer's exit, its progress stays within 0..100 and the host keeps running.
#include "fakes/JobTestDoubles.h"

#include "core/Handles.h"
#include "core/TorvoString.h"
#include "manager/FSTorvoManager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using trvtest::Progress;
using trvtest::textOf;
using trvtest::InfoLogCapture;
using trvtest::TestJob;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// What the host saw while it drove a job.
struct Observed {
    std::vector<Progress> seen;  // one entry per wait that brought new progress
    bool finished = false;
    Clock::duration took{};
    int outOfRange = 0;  // progress or global progress read outside 0..100
};

struct HostileRenderer : trvtest::JobRig {
    HostileRenderer() : JobRig("hostile-")
    {
        const fs::path bin = trvtest::fakeInstallation(dir, false);
        EXPECT_EQ(manager.setTorvoPath(bin.string()), 0);
    }

    // A started one-stage job whose renderer runs `script` (bytes written as they are).
    std::shared_ptr<TestJob> started(const std::string& name, const std::string& script)
    {
        auto made = job(1, name);
        std::ofstream(made->jobDirectory() / "target0_pass0.xml.fake", std::ios::binary) << script;
        EXPECT_EQ(made->startJob(1, 0), 0);
        return made;
    }

    // Drives the job like a host: waits, and reads the progress whenever it is new. Every
    // value read must lie within 0..100.
    // `pause` makes a slow host: it rests that long after every wait.
    static Observed drive(trv::FSTorvoJob& job, int32_t waitMilliseconds = 1000, int limitSeconds = 5,
                          std::chrono::microseconds pause = {})
    {
        Observed run;
        const auto start = Clock::now();
        const auto deadline = start + std::chrono::seconds(limitSeconds);
        while (job.state() == trv::JobState::Running && Clock::now() < deadline) {
            EXPECT_EQ(job.waitJobDone(waitMilliseconds), 0);
            if (pause.count() > 0)
                std::this_thread::sleep_for(pause);
            TRVBool activity = 0, fresh = 0;
            EXPECT_EQ(job.jobHasNewProgress(&activity, &fresh), 0);
            if (!activity && !fresh)
                continue;
            TorvoString title = nullptr;
            int32_t progress = -1, global = -1;
            EXPECT_EQ(job.getJobProgress(&title, &progress), 0);
            EXPECT_EQ(job.getGlobalJobProgress(&global), 0);
            if (progress < 0 || progress > 100 || global < 0 || global > 100)
                ++run.outOfRange;
            run.seen.push_back({title ? textOf(title) : "<no title>", progress, global});
        }
        EXPECT_EQ(run.outOfRange, 0) << "progress values outside 0..100";
        run.took = Clock::now() - start;
        run.finished = job.state() == trv::JobState::Finished;
        return run;
    }

    static int32_t resultOf(trv::FSTorvoJob& job)
    {
        int32_t result = -99;
        EXPECT_EQ(job.getJobResult(&result), 0);
        return result;
    }
    static bool completed(trv::FSTorvoJob& job)
    {
        TRVBool done = 0;
        job.isJobCompleted(&done);
        return done != 0;
    }
};

constexpr auto quick = std::chrono::milliseconds(1500);

// A literal's bytes, zero bytes included.
template <std::size_t N>
std::string bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

TEST_F(HostileRenderer, BytesThatAreNotTextReachTheLogAndLeaveTheJobWorking)
{
    InfoLogCapture log(dir / "info.log");
    const std::string script = bytes("raw before\0after\n") +
                               "raw \xff\xfe\xc3(\n"
                               "raw one\rtwo\r\n"
                               "raw\n"
                               "raw\n"
                               "raw [PROGRESS] Progress Title: GI calculation \xc3(\xed\xa0\x80\xff\n"
                               "raw [PROGRESS] Progress 4\r2\r\n"
                               "raw\n" +
                               bytes("raw [PROGRESS] Progress Title: Baking\0Texture\n") +
                               bytes("raw [PROGRESS] Progress \0" "77\n") +
                               "raw \xc0\xaf\xe2\x82 Done rendering!\r\n"
                               "raw\n";
    auto bake = started("bytes", script);
    const Observed run = drive(*bake);
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, quick);
    EXPECT_EQ(resultOf(*bake), 0);
    EXPECT_TRUE(completed(*bake));
    EXPECT_TRUE(targets[0]->finished());

    // A title is handed to the host as valid text, whatever bytes the renderer wrote; a piece
    // ends at its first zero byte, so a value after one is never read.
    const std::string replacement = "\xef\xbf\xbd";
    const std::string giTitle = "GI calculation " + replacement + "(" + replacement + replacement;
    // The end of a clean run brings new progress once more.
    const std::vector<Progress> expected{{giTitle, 0, 0}, {giTitle, 4, 2}, {"Baking", 0, 2}, {"Baking", 0, 2}};
    EXPECT_EQ(run.seen, expected);

    // The log receives the bytes unchanged, but for its own line ends: a lone carriage return
    // becomes one (which the capture shows as a line feed).
    const std::string text = log.text();
    EXPECT_NE(text.find("before\xff\xfe\xc3(one\ntwo\n[PROGRESS] Progress Title: GI calculation \xc3(\xed\xa0\x80\xff"
                        "[PROGRESS] Progress 4\n2\n[PROGRESS] Progress Title: Baking[PROGRESS] Progress "
                        "\xc0\xaf\xe2\x82 Done rendering!\nProcess returned exit code 0\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("after"), std::string::npos);
    EXPECT_EQ(text.find("Texture"), std::string::npos);
}

TEST_F(HostileRenderer, ProgressValuesThatDoNotParseOrDoNotFitStayWithinTheirRange)
{
    auto bake = started("values",
                        "say [PROGRESS] Progress Title: GI calculation\n"
                        "say [PROGRESS] Progress 12abc\n"
                        "say [PROGRESS] Progress +42\n"
                        "say [PROGRESS] Progress -7\n"
                        "say [PROGRESS] Progress 99999999999999999999999999\n"
                        "say [PROGRESS] Progress 30\n"
                        "say [PROGRESS] Progress 4294967346\n"
                        "say [PROGRESS] Progress 30\n"
                        "say [PROGRESS] Progress -4294967296\n"
                        "say [PROGRESS] Progress -99999999999999999999999999\n"
                        "say [PROGRESS] Progress 150\n"
                        // no number at all: nothing changes
                        "say [PROGRESS] Progress\n"
                        "raw [PROGRESS] Progress \n"
                        "raw [PROGRESS] Progress \t \v\f\r\n"
                        "raw [PROGRESS] Progress\n"
                        "raw [PROGRESS] Progres\n"
                        "say [PROGRESS] Progress - 5\n"
                        "say [PROGRESS] Progress abc\n"
                        "say [PROGRESS] Progress .5\n"
                        // only the first marker of a piece counts
                        "say [PROGRESS] Progress 0x30\n"
                        "say [PROGRESS] Progress 30 [PROGRESS] Progress 70\n"
                        "say noise[PROGRESS] Progress 60[PROGRESS] Progress 10\n"
                        "say [PROGRESS] Progress  [PROGRESS] Progress 90\n"
                        // a title wins over a value anywhere in the same piece
                        "say [PROGRESS] Progress 90 [PROGRESS] Progress Title: Baking Texture\n"
                        "say [PROGRESS] Progress 100\n"
                        // a title marker at the very end: an empty, uncounted title
                        "raw [PROGRESS] Progress Title: \n"
                        "say [PROGRESS] Progress 20\n"
                        "say [PROGRESS] Progress Title: Vertex Transfer [PROGRESS] Progress Title: GI calculation\n"
                        "say [PROGRESS] Progress 50\n"
                        "exit 0\n");
    const Observed run = drive(*bake);
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, quick);
    EXPECT_EQ(resultOf(*bake), 0);
    const std::string gi = "GI calculation";
    const std::string both = "Vertex Transfer [PROGRESS] Progress Title: GI calculation";
    // Phase 1 of 2 in the only stage: a value v gives a global progress of v / 2. The third
    // counted title goes beyond the expected phases and leaves the global progress alone.
    const std::vector<Progress> expected{
        {gi, 0, 0},   {gi, 12, 6},  {gi, 42, 21}, {gi, 0, 0},    {gi, 100, 50}, {gi, 30, 15},
        {gi, 100, 50}, {gi, 30, 15}, {gi, 0, 0},   {gi, 0, 0},    {gi, 100, 50},
        {gi, 0, 0},   {gi, 30, 15}, {gi, 60, 30}, {"Baking Texture", 0, 30}, {"Baking Texture", 100, 100},
        {"", 0, 100}, {"", 20, 100}, {both, 0, 100}, {both, 50, 100}, {both, 50, 100}};
    EXPECT_EQ(run.seen, expected);
}

TEST_F(HostileRenderer, TitlesOfWhiteSpaceOnlyOrOfAHundredKilobytes)
{
    const std::string longText(100 * 1024, 'x');
    auto bake = started("titles", "say [PROGRESS] Progress Title: \t \v\f \r\n"
                                  "say [PROGRESS] Progress 10\n"
                                  "raw [PROGRESS] Progress Title:  Baking Texture " +
                                      longText + " \t\r\n" +
                                      "say [PROGRESS] Progress 50\n"
                                      "big 102400 z\n"
                                      "raw [PROGRESS] Progress Title: " +
                                      std::string(100 * 1024, ' ') + "\n" +
                                      "raw [PROGRESS] Progress " + std::string(100 * 1024, '7') + "\n" +
                                      "say Done rendering!\n");
    const Observed run = drive(*bake);
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, quick);
    EXPECT_EQ(resultOf(*bake), 0);
    EXPECT_TRUE(completed(*bake));
    const std::string longTitle = "Baking Texture " + longText;
    const std::vector<Progress> expected{{"", 0, 0},  {"", 10, 0},  {longTitle, 0, 0},
                                         {longTitle, 50, 25}, {"", 0, 25}, {"", 100, 25}, {"", 100, 25}};
    EXPECT_EQ(run.seen, expected);
}

TEST_F(HostileRenderer, MessagesWrittenFasterThanTheHostPollsAllArriveInOrder)
{
    InfoLogCapture log(dir / "info.log");
    auto bake = started("flood", "say [PROGRESS] Progress Title: GI calculation\n"
                                 "burst 3000 [PROGRESS] Progress\n"
                                 "raw\n"
                                 "raw\n"
                                 "say Done rendering!\n");
    // Let the renderer fill the channel before the host reads anything.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Observed run = drive(*bake, 0);
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, quick);
    EXPECT_EQ(resultOf(*bake), 0);
    EXPECT_TRUE(completed(*bake));
    ASSERT_EQ(run.seen.size(), 3002u);
    for (size_t i = 1; i <= 3000; ++i) {
        const int32_t value = static_cast<int32_t>(std::min<size_t>(i - 1, 100));
        ASSERT_EQ(run.seen[i].title, "GI calculation");
        ASSERT_EQ(run.seen[i].progress, value) << i;
        ASSERT_GE(run.seen[i].global, run.seen[i - 1].global) << i;
    }
    EXPECT_EQ(run.seen.back(), (Progress{"GI calculation", 100, 50}));
    std::string expected = "[PROGRESS] Progress Title: GI calculation\n";
    for (int i = 0; i < 3000; ++i)
        expected += "[PROGRESS] Progress " + std::to_string(i) + "\n";
    expected += "Done rendering!\nProcess returned exit code 0\n";
    EXPECT_NE(log.text().find(expected), std::string::npos);
}

TEST_F(HostileRenderer, TheLastMessageBeforeACrashOrAnExitIsHandledBeforeTheEnd)
{
    InfoLogCapture log(dir / "info.log");
    auto crashed = started("crash", "say [PROGRESS] Progress Title: GI calculation\n"
                                    "raw [PROGRESS] Progress 70\n"
                                    "crash\n");
    Observed run = drive(*crashed);
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, quick);
    EXPECT_EQ(resultOf(*crashed), 5);
    ASSERT_FALSE(run.seen.empty());
    EXPECT_EQ(run.seen.back(), (Progress{"GI calculation", 70, 35}));
    EXPECT_FALSE(completed(*crashed));

    auto done = started("done", "burst 50 line\nraw Done rendering!\nexit 0\n");
    run = drive(*done);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(resultOf(*done), 0);
    EXPECT_TRUE(completed(*done));

    auto failed = started("failed", "raw last words before 3\nexit 3\n");
    run = drive(*failed);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(resultOf(*failed), 0x10000001);
    EXPECT_EQ(failed->exitCode(), 3);

    const std::string text = log.text();
    EXPECT_NE(text.find("[PROGRESS] Progress 70"), std::string::npos);
    EXPECT_NE(text.find("line 49\nDone rendering!Process returned exit code 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("last words before 3"), std::string::npos);
}

TEST_F(HostileRenderer, AGrandchildThatKeepsTheOutputOpenDoesNotHoldTheJob)
{
    // The grandchild writes only after the renderer has ended.
    auto late = started("late", "spawn 400 3 late\nsay Done rendering!\nexit 0\n");
    Observed run = drive(*late);
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, std::chrono::milliseconds(400));
    EXPECT_EQ(resultOf(*late), 0);
    EXPECT_TRUE(completed(*late));

    // The grandchild writes without pause, before and after the renderer's end, faster than
    // the host reads, so the channel is never empty: what the renderer wrote is still handled,
    // and its end is not lost behind the grandchild's output.
    auto flood = started("flood", "spawn 0 0 flood\nsleep 100\nsay [PROGRESS] Progress Title: GI calculation\n"
                                  "say [PROGRESS] Progress 80\nsay Done rendering!\nexit 0\n");
    run = drive(*flood, 0, 5, std::chrono::microseconds(50));
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, quick);
    EXPECT_EQ(resultOf(*flood), 0);
    EXPECT_TRUE(completed(*flood));
    ASSERT_FALSE(run.seen.empty());
    EXPECT_EQ(run.seen.back(), (Progress{"GI calculation", 80, 40}));

    // The same when the renderer crashes, and when the host waits without limit.
    auto crashed = started("crashed", "spawn 0 0 flood\nsleep 100\nsay [PROGRESS] Progress Title: Baking Texture\n"
                                      "crash\n");
    run = drive(*crashed, -1, 5, std::chrono::microseconds(50));
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, quick);
    EXPECT_EQ(resultOf(*crashed), 5);
    ASSERT_FALSE(run.seen.empty());
    EXPECT_EQ(run.seen.back(), (Progress{"Baking Texture", 0, 0}));
    // Its handler is kept until the job goes; the grandchild's writes then fail and it ends.
    EXPECT_EQ(crashed->destroyJob(), 0);
    crashed.reset();
}

TEST_F(HostileRenderer, ARendererThatClosesItsOutputEarlyRunsToItsEnd)
{
    InfoLogCapture log(dir / "info.log");
    auto quiet = started("quiet", "say [PROGRESS] Progress Title: GI calculation\nsay [PROGRESS] Progress 40\n"
                                  "close\nsleep 300\nsay [PROGRESS] Progress 90\nerr unheard\nexit 0\n");
    // The renderer still runs after closing its output: the job waits for its end.
    const auto start = Clock::now();
    Observed run = drive(*quiet, 50);
    ASSERT_TRUE(run.finished);
    EXPECT_GE(run.took, std::chrono::milliseconds(250));
    EXPECT_LT(Clock::now() - start, quick);
    EXPECT_EQ(resultOf(*quiet), 0);
    EXPECT_EQ(run.seen.back(), (Progress{"GI calculation", 40, 20}));
    EXPECT_EQ(log.text().find("unheard"), std::string::npos);

    auto crashed = started("crashed", "say [PROGRESS] Progress Title: GI calculation\nclose\nsleep 100\ncrash\n");
    run = drive(*crashed, -1);
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.took, quick);
    EXPECT_EQ(resultOf(*crashed), 5);
}

}  // namespace
