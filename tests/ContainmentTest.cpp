// Children started under containment do not outlive their host, even a killed one.
#include "platform/Containment.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace {

// Running means: exists and is not a zombie waiting for whoever adopted it.
bool running(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return false;
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z' && text[close + 2] != 'X';
}

std::string command(pid_t pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

template <class Condition>
bool within(std::chrono::milliseconds limit, Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

// Forks a host that starts "sleep 60" with startSleeper (which gives the sleeper's process id)
// and then waits to be killed; gives the host's and the sleeper's process ids.
std::pair<pid_t, pid_t> hostWithChild(const std::function<pid_t()>& startSleeper)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {-1, -1};
    const pid_t host = ::fork();
    if (host == 0) {
        ::close(channel[0]);
        const pid_t child = startSleeper();
        (void)!::write(channel[1], &child, sizeof child);
        for (;;)
            ::pause();
    }
    ::close(channel[1]);
    pid_t child = -1;
    if (::read(channel[0], &child, sizeof child) != static_cast<ssize_t>(sizeof child))
        child = -1;
    ::close(channel[0]);
    return {host, child};
}

// The sleeper forked by hand, contained or not.
std::function<pid_t()> forkedSleeper(bool contain)
{
    return [contain] {
        const pid_t self = ::getpid();
        const pid_t child = ::fork();
        if (child == 0) {
            if (contain)
                trv::platform::containChild(self);
            ::execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
            ::_exit(126);
        }
        return child;
    };
}

// Kills the host, collects it, and tells whether its sleeper ended (killing it if not).
bool sleeperEndsWithKilledHost(pid_t host, pid_t child)
{
    ::kill(host, SIGKILL);
    int status = 0;
    ::waitpid(host, &status, 0);
    const bool ended = within(std::chrono::seconds(5), [&] { return !running(child); });
    if (!ended)
        ::kill(child, SIGKILL);
    return ended;
}

}  // namespace

TEST(Containment, ChildEndsWithItsKilledHost)
{
    const auto [host, child] = hostWithChild(forkedSleeper(true));
    ASSERT_GT(host, 0);
    ASSERT_GT(child, 0);
    // Past the containment and into the program before the host goes.
    EXPECT_TRUE(within(std::chrono::seconds(5), [child = child] { return command(child) == "sleep"; }));
    EXPECT_TRUE(sleeperEndsWithKilledHost(host, child));
}

TEST(Containment, ChildOutlivesTheHostThreadThatStartedItButNotTheHost)
{
    // The renderer is started from a thread that ends at once, as a host's worker may.
    const auto [host, child] = hostWithChild([] {
        trv::platform::ChildProcess started;
        std::thread([&] {
            if (trv::platform::startChild("/bin/sleep", {"60"}, {}, -1, started) != 0)
                started.pid = 0;
        }).join();
        return static_cast<pid_t>(started.pid);
    });
    ASSERT_GT(host, 0);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(within(std::chrono::seconds(5), [child = child] { return command(child) == "sleep"; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(running(child));
    EXPECT_TRUE(sleeperEndsWithKilledHost(host, child));
}

TEST(Containment, UncontainedChildWouldOutliveItsHost)
{
    // The control: the same host without containment leaves its child running.
    const auto [host, child] = hostWithChild(forkedSleeper(false));
    ASSERT_GT(host, 0);
    ASSERT_GT(child, 0);
    ASSERT_TRUE(within(std::chrono::seconds(5), [child = child] { return command(child) == "sleep"; }));
    ::kill(host, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(host, &status, 0), host);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(running(child));
    ::kill(child, SIGKILL);
}

TEST(Containment, ChildWhoseHostIsAlreadyGoneEndsAtOnce)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Stands for a host that ended between the fork and the containment.
        trv::platform::containChild(static_cast<int>(::getppid()) + 100000);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 127);
}

TEST(Containment, AssignAcceptsOnlyLiveProcesses)
{
    EXPECT_TRUE(trv::platform::containmentAvailable());
    EXPECT_FALSE(trv::platform::assignToContainment(0));
    EXPECT_FALSE(trv::platform::assignToContainment(-5));
    EXPECT_TRUE(trv::platform::assignToContainment(static_cast<int>(::getpid())));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(trv::platform::assignToContainment(static_cast<int>(child)));
}
