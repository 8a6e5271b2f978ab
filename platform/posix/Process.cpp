#include "platform/Process.h"

#include "platform/Containment.h"
#include "platform/RendererExit.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace trv::platform {

namespace {

int openEndHandle(int pid)
{
#ifdef SYS_pidfd_open
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
    return -errno;
#else
    (void)pid;
    return -ENOSYS;
#endif
}

int32_t exitCodeOf(const siginfo_t& info)
{
    if (info.si_code == CLD_EXITED)
        return exitCodeOfStatus(info.si_status);
    switch (info.si_status) {
    case SIGSEGV:
    case SIGBUS:
    case SIGILL:
    case SIGFPE:
        return ExitCodeCrashed;
    case SIGKILL:
    case SIGTERM:
        return ExitCodeTerminated;
    default:
        return 128 + info.si_status;
    }
}

// poll with a limit that survives interruptions.
int pollFor(pollfd* fds, nfds_t count, int timeoutMilliseconds)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMilliseconds < 0 ? 0 : timeoutMilliseconds);
    for (;;) {
        int wait = timeoutMilliseconds;
        if (timeoutMilliseconds > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        const int ready = ::poll(fds, count, wait);
        if (ready >= 0 || errno != EINTR)
            return ready;
    }
}

bool messageQueued(int server)
{
    if (server < 0)
        return false;
    pollfd fd{server, POLLIN, 0};
    return pollFor(&fd, 1, 0) > 0 && (fd.revents & POLLIN);
}

}  // namespace

int createMessageChannel(MessageChannel& channel)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return errno;
    channel.server = ends[0];
    channel.client = ends[1];
    // The host only reads; the child only writes.
    ::shutdown(channel.server, SHUT_WR);
    return 0;
}

void closeDescriptor(int& descriptor) noexcept
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

namespace {

// Runs in a new child between fork and exec (async-signal-safe only): closes every descriptor
// above standard error except kept. Without close-on-exec a descriptor would pass into the
// renderer: the host's own, or one that another host thread is opening at this very moment (the
// standard file streams set no close-on-exec), which would then stay open, and its file locked or
// undeletable, for as long as the renderer runs.
void closeOtherDescriptors(int kept, int highestPlusOne) noexcept
{
    constexpr int firstOther = 3;
    unsigned first = firstOther;
    bool closed = true;
    if (kept >= firstOther) {
        if (kept > firstOther)
            closed = ::close_range(firstOther, static_cast<unsigned>(kept - 1), 0) == 0;
        first = static_cast<unsigned>(kept + 1);
    }
    if (closed && ::close_range(first, ~0u, 0) == 0)
        return;
    // A kernel without close_range: one by one, up to the limit taken before the fork.
    for (int descriptor = firstOther; descriptor < highestPlusOne; ++descriptor)
        if (descriptor != kept)
            ::close(descriptor);
}

// The descriptor limit, for closeOtherDescriptors' fallback.
int descriptorLimit()
{
    constexpr rlim_t assumed = 1 << 16;
    constexpr rlim_t largest = 1 << 20;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return static_cast<int>(assumed);
    return static_cast<int>(std::min(limit.rlim_cur, largest));
}

// startChild on the forking thread.
int forkChild(const std::string& executable, const std::vector<std::string>& arguments,
              const std::filesystem::path& workingDirectory, int outputDescriptor, ChildProcess& child)
{
    // Everything the child needs is prepared before the fork: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<std::string> argumentCopies;
    argumentCopies.reserve(arguments.size() + 1);
    argumentCopies.push_back(executable);
    argumentCopies.insert(argumentCopies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argumentCopies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const std::string directory = workingDirectory.native();
    const int hostPid = ::getpid();
    const int highestDescriptor = descriptorLimit();

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return errno;

    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return error;
    }
    if (pid == 0) {
        containChild(hostPid);
        int error = 0;
        if (outputDescriptor >= 0) {
            if (::dup2(outputDescriptor, 1) < 0 || ::dup2(outputDescriptor, 2) < 0)
                error = errno;
        }
        if (error == 0 && !directory.empty() && ::chdir(directory.c_str()) != 0)
            error = errno;
        closeOtherDescriptors(report[1], highestDescriptor);
        if (error == 0) {
            ::signal(SIGPIPE, SIG_DFL);
            ::execvp(argv[0], argv.data());
            error = errno;
        }
        ssize_t written;
        do {
            written = ::write(report[1], &error, sizeof error);
        } while (written < 0 && errno == EINTR);
        ::_exit(127);
    }

    ::close(report[1]);
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);

    ChildProcess started;
    started.pid = pid;
    if (got == static_cast<ssize_t>(sizeof childError)) {
        reapChild(started, true);
        return childError != 0 ? childError : ENOEXEC;
    }
    const int endHandle = openEndHandle(pid);
    if (endHandle < 0) {
        ::kill(pid, SIGKILL);
        reapChild(started, true);
        return -endHandle;
    }
    started.endHandle = endHandle;
    child = started;
    return 0;
}

}  // namespace

int startChild(const std::string& executable, const std::vector<std::string>& arguments,
               const std::filesystem::path& workingDirectory, int outputDescriptor, ChildProcess& child)
{
    // Forked by the library's own long-lived thread: a contained child ends with the thread that
    // forked it, and the calling host thread may end before the child should.
    return runOnForkingThread(
        [&] { return forkChild(executable, arguments, workingDirectory, outputDescriptor, child); });
}

WaitEvent waitForMessageOrEnd(int server, const ChildProcess& child, int timeoutMilliseconds)
{
    if (child.reaped || child.endHandle < 0)
        return messageQueued(server) ? WaitEvent::Message : WaitEvent::Ended;
    pollfd fds[2] = {{server, POLLIN, 0}, {child.endHandle, POLLIN, 0}};
    const int ready = pollFor(fds, 2, timeoutMilliseconds);
    if (ready <= 0)
        return WaitEvent::TimedOut;
    if (fds[0].revents & POLLIN)
        return WaitEvent::Message;
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
        // Whatever the child wrote before it ended is queued by now and goes first.
        return messageQueued(server) ? WaitEvent::Message : WaitEvent::Ended;
    }
    return WaitEvent::TimedOut;
}

long peekMessageLength(int server, int& error)
{
    char probe;
    for (;;) {
        const ssize_t length = ::recv(server, &probe, 1, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
        if (length >= 0)
            return static_cast<long>(length);
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

long queuedMessageBytes(int server)
{
    // For a packet socket of this kind the count covers every queued message, not just the first.
    int bytes = 0;
    if (server < 0 || ::ioctl(server, FIONREAD, &bytes) != 0)
        return -1;
    return bytes;
}

long receiveMessage(int server, char* buffer, std::size_t capacity, int& error)
{
    for (;;) {
        const ssize_t length = ::recv(server, buffer, capacity, MSG_DONTWAIT);
        if (length >= 0)
            return static_cast<long>(length);
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

bool reapChild(ChildProcess& child, bool block)
{
    if (child.reaped)
        return true;
    if (child.pid <= 0)
        return false;
    siginfo_t info{};
    for (;;) {
        info.si_pid = 0;
        const int result = ::waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED | (block ? 0 : WNOHANG));
        if (result == 0)
            break;
        if (errno == EINTR)
            continue;
        // Someone else collected it: its code is lost.
        child.reaped = true;
        child.exitCode = -1;
        closeDescriptor(child.endHandle);
        return true;
    }
    if (info.si_pid == 0)
        return false;
    child.reaped = true;
    child.exitCode = exitCodeOf(info);
    closeDescriptor(child.endHandle);
    return true;
}

bool killChild(const ChildProcess& child)
{
    if (child.reaped || child.pid <= 0)
        return false;
    return ::kill(child.pid, SIGKILL) == 0;
}

int currentProcessId()
{
    return static_cast<int>(::getpid());
}

std::vector<std::string> splitArguments(const std::string& arguments)
{
    std::vector<std::string> result;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : arguments) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inArgument)
                result.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        result.push_back(current);
    return result;
}

}  // namespace trv::platform
