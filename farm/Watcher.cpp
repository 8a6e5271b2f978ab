#include "Watcher.h"

#include "SlurmClient.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace farm {

namespace {

using namespace std::chrono_literals;

constexpr int controlDescriptor = 3;
// After the front end is gone, the queue is looked at again at these times: a submission that
// was in flight when the front end died reaches the controller a little later.
constexpr std::chrono::milliseconds recheckTimes[] = {300ms, 1000ms, 2000ms, 4000ms};
// A controller that does not answer is asked again for this long before the watcher gives up.
constexpr auto giveUpAfter = std::chrono::minutes(10);
constexpr auto retryPause = 2s;
constexpr auto commandLimit = std::chrono::seconds(10);

class WatcherLog {
public:
    explicit WatcherLog(int fd) : fd_(fd) {}
    void line(const std::string& text)
    {
        if (fd_ < 0)
            return;
        char stamp[32] = {};
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        ::localtime_r(&now, &local);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
        const std::string message = stamp + text + "\n";
        ssize_t ignored = ::write(fd_, message.data(), message.size());
        (void)ignored;
    }

private:
    int fd_;
};

bool cancelAll(const SlurmClient& client, const std::string& jobName, const std::vector<long>& ids, WatcherLog& log)
{
    std::string why;
    bool ok = client.cancelByName(jobName, why);
    if (!ok)
        log.line("cancelling the jobs named " + jobName + " failed: " + why);
    for (long id : ids) {
        if (!client.cancel(id, why)) {
            log.line("cancelling job " + std::to_string(id) + " failed: " + why);
            ok = false;
        }
    }
    return ok;
}

[[noreturn]] void watch(const std::string& jobName, WatcherLog log)
{
    std::vector<long> ids;
    std::string pending;
    char buffer[256];
    for (;;) {
        const ssize_t got = ::read(controlDescriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        pending.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            const std::string message = pending.substr(0, end);
            if (message == "done")
                ::_exit(0);
            if (message.rfind("job ", 0) == 0)
                ids.push_back(std::atol(message.c_str() + 4));
        }
    }

    log.line("the front end ended without finishing: cancelling the jobs named " + jobName);
    const SlurmClient client(commandLimit);
    const auto start = std::chrono::steady_clock::now();
    while (!cancelAll(client, jobName, ids, log)) {
        if (std::chrono::steady_clock::now() - start > giveUpAfter) {
            log.line("the cluster did not take the cancel; giving up");
            ::_exit(1);
        }
        std::this_thread::sleep_for(retryPause);
    }
    for (const auto when : recheckTimes) {
        std::this_thread::sleep_until(start + when);
        if (!client.nameGone(jobName)) {
            log.line("jobs named " + jobName + " are still queued: cancelling again");
            cancelAll(client, jobName, {}, log);
        }
    }
    log.line("cancelled");
    ::_exit(0);
}

}  // namespace

Watcher::~Watcher()
{
    if (control_ >= 0)
        ::close(control_);
}

bool Watcher::start(const std::string& jobName, const std::filesystem::path& logFile, std::string& why)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        why = std::string("cannot make the watcher's pipe: ") + std::strerror(errno);
        return false;
    }
    const int logDescriptor = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    // Started through a child that ends at once, so that the watcher belongs to nobody who could
    // take it down: in a session of its own, with no parent-death signal.
    const pid_t middle = ::fork();
    if (middle < 0) {
        why = std::string("cannot start the watcher: ") + std::strerror(errno);
        ::close(ends[0]);
        ::close(ends[1]);
        if (logDescriptor >= 0)
            ::close(logDescriptor);
        return false;
    }
    if (middle == 0) {
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        ::signal(SIGPIPE, SIG_IGN);
        ::signal(SIGHUP, SIG_IGN);
        // Only the pipe's read end and the log stay open: the watcher must not keep the job's
        // progress channel or any file of the front end.
        constexpr int aside = 10;
        const int control = ::fcntl(ends[0], F_DUPFD, aside);
        const int log = logDescriptor >= 0 ? ::fcntl(logDescriptor, F_DUPFD, aside) : -1;
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        ::dup2(control, controlDescriptor);
        const int logCopy = log >= 0 ? ::dup2(log, controlDescriptor + 1) : -1;
        ::close_range(logCopy >= 0 ? controlDescriptor + 2 : controlDescriptor + 1, ~0U, 0);
        watch(jobName, WatcherLog(logCopy));
    }
    ::close(ends[0]);
    if (logDescriptor >= 0)
        ::close(logDescriptor);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    control_ = ends[1];
    return true;
}

void Watcher::submitted(long jobId)
{
    if (control_ < 0)
        return;
    const std::string message = "job " + std::to_string(jobId) + "\n";
    ssize_t ignored = ::write(control_, message.data(), message.size());
    (void)ignored;
}

void Watcher::release()
{
    if (control_ < 0)
        return;
    const char message[] = "done\n";
    ssize_t ignored = ::write(control_, message, sizeof message - 1);
    (void)ignored;
    ::close(control_);
    control_ = -1;
}

}  // namespace farm
