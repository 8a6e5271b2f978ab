#include "CommandRunner.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace farm {

namespace {

void closeIfOpen(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Reads what is there; false at the end of the stream.
bool drain(int fd, std::string& into)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

}  // namespace

std::string CommandResult::firstLine() const
{
    for (const std::string* text : {&err, &out}) {
        size_t start = 0;
        while (start < text->size()) {
            size_t end = text->find('\n', start);
            if (end == std::string::npos)
                end = text->size();
            const std::string line = text->substr(start, end - start);
            if (line.find_first_not_of(" \t\r") != std::string::npos)
                return line;
            start = end + 1;
        }
    }
    if (!started)
        return error;
    if (timedOut)
        return "no answer in time";
    return "exit status " + std::to_string(exitCode);
}

CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::milliseconds limit)
{
    CommandResult result;
    if (argv.empty()) {
        result.error = "no command";
        return result;
    }
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        for (int* fd : {&out[0], &out[1], &err[0], &err[1]})
            closeIfOpen(*fd);
        return result;
    }
    std::vector<std::string> copies(argv);
    std::vector<char*> args;
    for (std::string& a : copies)
        args.push_back(a.data());
    args.push_back(nullptr);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = std::strerror(errno);
        for (int* fd : {&out[0], &out[1], &err[0], &err[1]})
            closeIfOpen(*fd);
        return result;
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            ::dup2(devNull, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::signal(SIGPIPE, SIG_DFL);
        ::execvp(args[0], args.data());
        const std::string why = std::string("cannot start ") + args[0] + ": " + std::strerror(errno) + "\n";
        ssize_t ignored = ::write(2, why.data(), why.size());
        (void)ignored;
        ::_exit(127);
    }
    closeIfOpen(out[1]);
    closeIfOpen(err[1]);
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    ::fcntl(err[0], F_SETFL, O_NONBLOCK);
    result.started = true;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    while (out[0] >= 0 || err[0] >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        if (fds[0].revents && !drain(out[0], result.out))
            closeIfOpen(out[0]);
        if (fds[1].revents && !drain(err[0], result.err))
            closeIfOpen(err[0]);
    }
    if (result.timedOut)
        ::kill(pid, SIGKILL);
    closeIfOpen(out[0]);
    closeIfOpen(err[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.exitCode = 128 + WTERMSIG(status);
    // The child reports a failed exec with 127 and its reason on the error output.
    if (result.exitCode == 127 && result.err.rfind("cannot start ", 0) == 0) {
        result.started = false;
        result.error = result.err.substr(0, result.err.find('\n'));
    }
    return result;
}

}  // namespace farm
