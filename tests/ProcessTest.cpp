// The renderer process layer: launch, the message channel, the end of the process.
#include "job/FSTorvoJob.h"
#include "job/PipeProcessHandler.h"
#include "job/ProcessExceptions.h"
#include "platform/Process.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path fakeRenderer = fs::path(TORVO_BINARY_DIR) / "tests" / "fakes" / "fake_renderer";

fs::path scratch(const std::string& name)
{
    return testfiles::processScratchDirectory("process", name);
}

// Writes a script for the fake renderer and starts it on a new handler.
std::unique_ptr<trv::PipeProcessHandler> launchScript(const fs::path& dir, const std::string& script)
{
    std::ofstream(dir / "run.script") << script;
    auto handler = std::make_unique<trv::PipeProcessHandler>();
    handler->launch("", fakeRenderer, "--script \"" + (dir / "run.script").string() + "\"", dir);
    return handler;
}

// Every piece of output until the process ends; waits are bounded.
std::vector<std::string> drain(trv::ProcessHandler& handler, int limitMilliseconds = 10000)
{
    std::vector<std::string> pieces;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMilliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        const int32_t result = handler.wait(1000);
        if (handler.outputAvailable())
            pieces.push_back(handler.lastOutput());
        if (result == trv::WaitProcessEnded)
            break;
    }
    return pieces;
}

size_t openDescriptors()
{
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

bool hasUncollectedChildren()
{
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

TEST(Process, PiecesArriveOneWriteEachInOrderAfterAnEmptyFirstPiece)
{
    const fs::path dir = scratch("order");
    auto handler = launchScript(dir, "say one\nerr two\nraw three\nsay\ncwd\nexit 0\n");
    EXPECT_TRUE(handler->running());
    EXPECT_EQ(handler->wait(1000), trv::WaitOutput);
    EXPECT_TRUE(handler->outputAvailable());
    EXPECT_EQ(handler->lastOutput(), "");
    const auto pieces = drain(*handler);
    const std::vector<std::string> expected{"one\n", "two\n", "three", "\n", fs::canonical(dir).string() + "\n"};
    EXPECT_EQ(pieces, expected);
    EXPECT_FALSE(handler->running());
    EXPECT_EQ(handler->exitCode(), 0);
}

TEST(Process, LongPiecesArriveWholeAndTheBufferDoublesOnlyAsNeeded)
{
    const fs::path dir = scratch("long");
    auto handler = launchScript(dir, "big 99 a\nbig 250 b\nbig 20 c\nbig 5000 d\n");
    handler->wait(1000);
    ASSERT_EQ(handler->wait(5000), trv::WaitOutput);
    EXPECT_EQ(handler->lastOutput(), std::string(99, 'a'));
    EXPECT_EQ(handler->bufferSize(), 100u);
    ASSERT_EQ(handler->wait(5000), trv::WaitOutput);
    EXPECT_EQ(handler->lastOutput(), std::string(250, 'b'));
    EXPECT_EQ(handler->bufferSize(), 400u);
    ASSERT_EQ(handler->wait(5000), trv::WaitOutput);
    EXPECT_EQ(handler->lastOutput(), std::string(20, 'c'));
    EXPECT_EQ(handler->bufferSize(), 400u);
    ASSERT_EQ(handler->wait(5000), trv::WaitOutput);
    EXPECT_EQ(handler->lastOutput(), std::string(5000, 'd'));
    EXPECT_EQ(handler->bufferSize(), 6400u);
    drain(*handler);
}

TEST(Process, OutputQueuedAtTheEndComesBeforeTheEnd)
{
    const fs::path dir = scratch("queued");
    auto handler = launchScript(dir, "say a\nsay b\nsay c\nexit 3\n");
    handler->wait(1000);
    // Let the child finish before anything is read.
    for (int i = 0; i < 200 && ::waitid(P_PID, handler->processHandle(), nullptr, WEXITED | WNOHANG | WNOWAIT) != 0;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(drain(*handler), (std::vector<std::string>{"a\n", "b\n", "c\n"}));
    EXPECT_EQ(handler->exitCode(), 3);
    EXPECT_EQ(handler->wait(0), trv::WaitProcessEnded);
}

TEST(Process, FastWritersLoseAndMergeNothing)
{
    const fs::path dir = scratch("burst");
    auto handler = launchScript(dir, "burst 20000 [PROGRESS] Progress\n");
    handler->wait(1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the child fills the channel
    const auto pieces = drain(*handler, 60000);
    ASSERT_EQ(pieces.size(), 20000u);
    for (size_t i = 0; i < pieces.size(); i += 997)
        EXPECT_EQ(pieces[i], "[PROGRESS] Progress " + std::to_string(i) + "\n");
    EXPECT_EQ(pieces.back(), "[PROGRESS] Progress 19999\n");
}

TEST(Process, CrashesAndTerminationGiveTheirExitCodes)
{
    const fs::path dir = scratch("ends");
    auto crashed = launchScript(dir, "say before\ncrash\n");
    EXPECT_EQ(drain(*crashed), (std::vector<std::string>{"", "before\n"}));
    EXPECT_EQ(crashed->exitCode(), static_cast<int32_t>(0xC0000005u));

    auto hanging = launchScript(dir, "hang\n");
    hanging->wait(0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(hanging->wait(50), trv::WaitTimeout);
    EXPECT_FALSE(hanging->outputAvailable());
    EXPECT_EQ(hanging->exitCode(), 259);
    hanging->terminate();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(hanging->exitCode(), 1223);
    EXPECT_EQ(hanging->wait(-1), trv::WaitProcessEnded);
    hanging->terminate();  // a second request changes nothing
    EXPECT_EQ(hanging->exitCode(), 1223);
}

// A child's exit status holds 8 bits: the renderer's band statuses must reach the job as the
// 32-bit codes they stand for, and those as their job results.
TEST(Process, RendererBandStatusesGiveTheirJobResults)
{
    struct Case {
        int status;
        int64_t exitCode;
        int32_t jobResult;
    };
    const Case cases[] = {
        {0, 0, 0},
        {101, 0x20000001, 2},
        {102, 0x20000002, 3},
        {103, 0x20000003, 4},
        {113, 536870925, 0x10000001},  // only the atlas step tells this one apart
        {1, 1, 0x10000001},
        {100, 100, 0x10000001},
        {104, 104, 0x10000001},
        {112, 112, 0x10000001},
    };
    const fs::path dir = scratch("band");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        auto handler = launchScript(dir, "exit " + std::to_string(c.status) + "\n");
        drain(*handler);
        EXPECT_EQ(handler->exitCode(), static_cast<int32_t>(c.exitCode));
        EXPECT_EQ(trv::FSTorvoJob::jobResultOf(handler->exitCode()), c.jobResult);
    }
}

TEST(Process, LaunchFailuresThrowWithTheCommandLine)
{
    const fs::path dir = scratch("missing");
    trv::PipeProcessHandler handler;
    try {
        handler.launch("", dir / "no-such-renderer", "-a \"b c\"", dir);
        FAIL() << "launch of a missing executable";
    } catch (const trv::ProcessExceptions::CreateProcessFailedException& e) {
        EXPECT_EQ(e.commandLine, (dir / "no-such-renderer").string() + " -a \"b c\"");
        EXPECT_EQ(e.errorCode, static_cast<uint32_t>(ENOENT));
    }
    EXPECT_FALSE(handler.running());
    EXPECT_THROW(handler.launch("", fakeRenderer, "", dir / "no-such-dir"),
                 trv::ProcessExceptions::CreateProcessFailedException);
    EXPECT_FALSE(hasUncollectedChildren());
}

TEST(Process, RunAndWaitGivesTheExitCodeOrOneWhenNothingStarts)
{
    const fs::path dir = scratch("sync");
    std::ofstream(dir / "s.script") << "say quiet\nexit 9\n";
    int32_t code = 1;
    EXPECT_EQ(trv::runAndWait(fakeRenderer, "--script \"" + (dir / "s.script").string() + "\"", dir, code), 0);
    EXPECT_EQ(code, 9);
    code = 77;
    EXPECT_EQ(trv::runAndWait(dir / "absent", "", "", code), 1);
    EXPECT_EQ(code, 77);
    EXPECT_EQ(trv::runAndWait("no-such-command-on-path-xyz", "/STOP", "", code), 1);
}

TEST(Process, HandlersLeaveNoDescriptorsOrChildrenBehind)
{
    const fs::path dir = scratch("leaks");
    std::ofstream(dir / "run.script") << "say x\nexit 0\n";
    std::ofstream(dir / "hang.script") << "hang\n";
    const size_t before = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        trv::PipeProcessHandler finished;
        finished.launch("", fakeRenderer, "--script run.script", dir);
        drain(finished);
        trv::PipeProcessHandler abandoned;  // released while its child still runs
        abandoned.launch("", fakeRenderer, "--script hang.script", dir);
    }
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_FALSE(hasUncollectedChildren());
}

TEST(Process, RenderersInheritNoDescriptorButTheirOutput)
{
    // A descriptor without close-on-exec, as a file that another host thread is opening right when
    // a renderer starts (the standard file streams open that way).
    const fs::path dir = scratch("inherit");
    const int open = ::open((dir / "held").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(open, 3);
    const std::string probe = "-c \"[ -e /proc/self/fd/" + std::to_string(open) + " ]\"";
    int32_t code = -1;
    ASSERT_EQ(trv::runAndWait("/bin/sh", probe, dir, code), 0);
    EXPECT_EQ(code, 1) << "the child holds descriptor " << open;
    // The probe itself sees what it is given: its output.
    ASSERT_EQ(trv::runAndWait("/bin/sh", "-c \"[ -e /proc/self/fd/1 ]\"", dir, code), 0);
    EXPECT_EQ(code, 0);
    ::close(open);
}

// A process that has ended but waits for its new parent to collect it.
bool ended(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close == std::string::npos || (close + 2 < line.size() && line[close + 2] == 'Z');
}

TEST(Process, RenderersEndWithAHostThatIsKilled)
{
    const fs::path dir = scratch("killed");
    std::ofstream(dir / "hang.script") << "hang\n";
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t host = ::fork();
    ASSERT_GE(host, 0);
    if (host == 0) {
        trv::PipeProcessHandler handler;
        handler.launch("", fakeRenderer, "--script hang.script", dir);
        const int pid = handler.processHandle();
        (void)!::write(report[1], &pid, sizeof pid);
        for (;;)
            ::pause();
    }
    ::close(report[1]);
    int renderer = 0;
    ASSERT_EQ(::read(report[0], &renderer, sizeof renderer), static_cast<ssize_t>(sizeof renderer));
    ::close(report[0]);
    ASSERT_EQ(::kill(renderer, 0), 0);
    ::kill(host, SIGKILL);
    ::waitpid(host, nullptr, 0);
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = ::kill(renderer, 0) != 0 || ended(renderer);
        if (!gone)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone);
}

TEST(Process, ArgumentsSplitAtBlanksOutsideQuotes)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(trv::platform::splitArguments("\"a b\" -i  \"c\" -x \"\" -o"), (V{"a b", "-i", "c", "-x", "", "-o"}));
    EXPECT_EQ(trv::platform::splitArguments(" -jobdir \".\" x\"y z\""), (V{"-jobdir", ".", "xy z"}));
    EXPECT_EQ(trv::platform::splitArguments(""), V{});
}

}  // namespace
