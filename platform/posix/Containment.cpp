#include "platform/Containment.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <exception>
#include <mutex>
#include <sys/prctl.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace trv::platform {

namespace {

// A detached thread that runs one task at a time for callers on any thread. It is never stopped
// or destroyed: its children must live until the process ends, and a host process that forks
// gets a new one in the child process (the old one's thread does not exist there).
class ForkingThread {
public:
    static ForkingThread* start()
    {
        auto* forking = new ForkingThread;
        try {
            std::thread([forking] { forking->serve(); }).detach();
        } catch (const std::system_error&) {
            delete forking;
            return nullptr;
        }
        return forking;
    }

    int run(const std::function<int()>& task)
    {
        std::lock_guard<std::mutex> oneAtATime(callers_);
        std::unique_lock<std::mutex> lock(mutex_);
        task_ = &task;
        done_ = false;
        wake_.notify_one();
        finished_.wait(lock, [this] { return done_; });
        if (failure_)
            std::rethrow_exception(std::exchange(failure_, nullptr));
        return result_;
    }

    ForkingThread* previous = nullptr;  // the one of the parent process, kept reachable

private:
    void serve()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return task_ != nullptr; });
            const std::function<int()>* task = std::exchange(task_, nullptr);
            lock.unlock();
            int result = 0;
            std::exception_ptr failure;
            try {
                result = (*task)();
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            result_ = result;
            failure_ = failure;
            done_ = true;
            finished_.notify_all();
        }
    }

    std::mutex callers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const std::function<int()>* task_ = nullptr;
    bool done_ = false;
    int result_ = 0;
    std::exception_ptr failure_;
};

}  // namespace

int runOnForkingThread(const std::function<int()>& task)
{
    static std::mutex guard;
    static ForkingThread* forking = nullptr;
    static pid_t owner = 0;
    ForkingThread* current = nullptr;
    {
        std::lock_guard<std::mutex> lock(guard);
        if (!forking || owner != ::getpid()) {
            if (ForkingThread* started = ForkingThread::start()) {
                started->previous = forking;
                forking = started;
                owner = ::getpid();
            }
        }
        if (owner == ::getpid())
            current = forking;
    }
    return current ? current->run(task) : task();
}

void containChild(int hostPid) noexcept
{
    // Killed with the parent thread, which is the forking thread that lives as long as the host.
    // Without the facility the child runs uncontained, as a failed assignment leaves it; the
    // manager has already logged that it cannot contain (containmentAvailable).
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        return;
    // The host may have ended between the fork and the line above: then the child already has a
    // new parent and the signal will never come.
    if (getppid() != static_cast<pid_t>(hostPid))
        _exit(127);
}

bool containmentAvailable() noexcept
{
    int signal = 0;
    return prctl(PR_GET_PDEATHSIG, &signal) == 0;
}

bool assignToContainment(int pid) noexcept
{
    if (pid <= 0)
        return false;
    // The child contained itself before it ran the renderer; all there is to check is that it exists.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace trv::platform
