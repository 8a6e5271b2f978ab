#include "BatchRun.h"

#include "BatchPlan.h"
#include "FarmExit.h"
#include "FarmStages.h"
#include "ProgressMerger.h"
#include "SlurmClient.h"
#include "TaskScript.h"
#include "Watcher.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace farm {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr auto commandLimit = 30s;
// A queue that has not answered for this long is taken as a cluster gone away.
constexpr auto queueSilenceLimit = std::chrono::minutes(10);
// A line of renderer output longer than this is passed on in pieces.
constexpr size_t longestLine = 64 * 1024;
// Arrays of at most this many tasks have all their tasks' files looked at on every poll.
constexpr size_t eagerTaskCount = 64;
// Lines of a failed task's own log passed on with the failure.
constexpr int taskLogLines = 20;
const char* const doneText = "Done rendering!";

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

double secondsSince(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

bool isCrash(int signal)
{
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE || signal == SIGABRT;
}

// Ends the front end by the signal that ended a renderer, as a local run would have ended: the
// host then sees the crash itself rather than some exit code standing for it.
[[noreturn]] void endBySignal(int signal)
{
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    std::signal(signal, SIG_DFL);  // past any handler a sanitizer installed
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
    ::_exit(ExitTaskLost);
}

struct TaskTrack {
    size_t next = 0;  // the stage it runs or will run next
    size_t last = 0;
    std::string state;  // as the queue last reported it; empty while unknown
    Clock::time_point goneAt{};
    bool done = false;
};

struct StageRead {
    off_t offset = 0;
    std::string partial;
};

class Batch {
public:
    Batch(const FarmArguments& arguments, Output& out, const BatchLimits& limits)
        : a_(arguments), out_(out), limits_(limits), client_(commandLimit)
    {
    }

    int run()
    {
        stages_ = prepareStages(a_);
        const fs::path renderer = localRenderer(a_.binDirectory);
        if (renderer.empty())
            return refuse(ExitNotDistributable, "no renderer in " + a_.binDirectory.string());
        std::error_code ec;
        if (!fs::is_regular_file(taskProgram(a_.binDirectory), ec))
            return refuse(ExitNotDistributable, "the task program is missing: " + taskProgram(a_.binDirectory).string());
        std::string why;
        if (!client_.configurationPresent(why))
            return refuse(ExitClusterUnavailable, why);

        const ArrayLimits cluster = client_.arrayLimits();
        // Every array task counts as a job of the controller: the batch takes at most half of them.
        uint32_t maxTasks = std::min(cluster.maxTasks, cluster.maxJobCount / 2);
        if (limits_.maxTasks > 0)
            maxTasks = std::min(maxTasks, limits_.maxTasks);
        if (maxTasks == 0)
            return refuse(ExitClusterUnavailable, "the cluster takes no job arrays");

        BatchPlan plan;
        plan.jobDirectory = a_.jobDirectory;
        plan.renderer = renderer;
        plan.stagesPerTask = stagesPerTask(stages_.size(), maxTasks);
        for (const FarmStage& stage : stages_)
            plan.stageArguments.push_back(stage.arguments);
        const uint32_t taskCount = plan.taskCount();

        name_ = newJobName("batch");
        directory_ = a_.jobDirectory / "farm" / name_;
        fs::create_directories(directory_, ec);
        if (ec)
            return refuse(ExitNotDistributable, "cannot make " + directory_.string() + ": " + ec.message());
        const fs::path planFile = directory_ / "plan.txt";
        const fs::path script = directory_ / "task.sh";
        if (!plan.write(planFile, why) ||
            !writeTaskScript(script, {taskProgram(a_.binDirectory).string(), planFile.string()}, true, why))
            return refuse(ExitNotDistributable, why);
        if (!watcher_.start(name_, directory_ / "watcher.log", why))
            return refuse(ExitNotDistributable, why);

        const char* extra = std::getenv("TORVOFARM_SBATCH_OPTIONS");
        submittedAt_ = Clock::now();
        jobId_ = client_.submitArray(script.string(), taskCount, name_, a_.jobDirectory.string(),
                                     (directory_ / "task-%a.log").string(), splitOptions(extra ? extra : ""), why);
        if (jobId_ < 0)
            return refuse(ExitClusterUnavailable, "the cluster refuses the batch: " + why);
        watcher_.submitted(jobId_);
        say("torvofarm: submitted job " + std::to_string(jobId_) + ": " + std::to_string(taskCount) + " tasks for " +
            std::to_string(stages_.size()) + " stages (" + std::to_string(plan.stagesPerTask) + " per task)");

        std::vector<uint32_t> phases;
        for (const FarmStage& stage : stages_)
            phases.push_back(stage.expectedPhases);
        merger_ = std::make_unique<ProgressMerger>(phases);
        reads_.resize(stages_.size());
        for (uint32_t t = 0; t < taskCount; ++t) {
            TaskTrack task;
            std::tie(task.next, task.last) = plan.stagesOfTask(t);
            tasks_.push_back(task);
        }
        return follow();
    }

private:
    int follow()
    {
        auto nextQueueLook = Clock::now();
        auto queueAnswered = Clock::now();
        for (;;) {
            const auto now = Clock::now();
            if (now >= nextQueueLook) {
                nextQueueLook = now + limits_.queuePause;
                if (lookAtQueue())
                    queueAnswered = now;
                else if (now - queueAnswered > queueSilenceLimit)
                    return giveUp(ExitClusterUnavailable, "the cluster's queue has not answered for ten minutes");
            }
            bool allDone = true;
            for (uint32_t t = 0; t < tasks_.size(); ++t) {
                TaskTrack& task = tasks_[t];
                if (task.done)
                    continue;
                // Files of a pending task are not looked at: with thousands of tasks that is
                // thousands of look-ups on a shared file system per poll. A small array is
                // looked at whole, so that a task's start is not noticed a queue look late.
                if (task.state == "PENDING" && tasks_.size() > eagerTaskCount) {
                    allDone = false;
                    continue;
                }
                while (task.next < task.last) {
                    readOutput(task.next);
                    StageEnd end;
                    if (!end.read(directory_ / stageEndName(task.next)))
                        break;
                    readOutput(task.next);
                    flushPartial(task.next);
                    if (!end.succeeded())
                        return stageFailed(t, task.next, end);
                    merger_->stageSucceeded(task.next);
                    noteStageEnd(task.next);
                    ++task.next;
                }
                if (task.next == task.last) {
                    task.done = true;
                    continue;
                }
                allDone = false;
                if (!task.state.empty() && TaskState{task.state}.finished()) {
                    if (task.goneAt == Clock::time_point{})
                        task.goneAt = now;
                    else if (now - task.goneAt > limits_.endGrace)
                        return taskLost(t, task.next, task.state);
                }
            }
            progress();
            if (hostGone_)
                return giveUp(ExitHostGone, "");
            if (allDone)
                return finished();
            std::this_thread::sleep_for(limits_.pollPause);
        }
    }

    // False when the queue did not answer.
    bool lookAtQueue()
    {
        std::map<uint32_t, TaskState> states;
        bool known = true;
        if (!client_.taskStates(jobId_, states, known))
            return false;
        for (uint32_t t = 0; t < tasks_.size(); ++t) {
            if (!known)
                tasks_[t].state = "gone from the queue";
            else if (const auto found = states.find(t); found != states.end())
                tasks_[t].state = found->second.state;
        }
        return true;
    }

    void readOutput(size_t stage)
    {
        const fs::path file = directory_ / stageOutputName(stage);
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        StageRead& read = reads_[stage];
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size < read.offset) {
            // Shorter than what was read: the task was requeued and the stage runs again.
            read = StageRead{};
            merger_->stageRestarted(stage);
        }
        char buffer[16384];
        if (::lseek(fd, read.offset, SEEK_SET) == read.offset) {
            for (;;) {
                const ssize_t got = ::read(fd, buffer, sizeof buffer);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0)
                    break;
                read.offset += got;
                read.partial.append(buffer, static_cast<size_t>(got));
                size_t start = 0;
                for (size_t end; (end = read.partial.find('\n', start)) != std::string::npos; start = end + 1)
                    handleLine(stage, read.partial.substr(start, end - start));
                read.partial.erase(0, start);
                if (read.partial.size() > longestLine)
                    flushPartial(stage);
            }
        }
        ::close(fd);
    }

    void flushPartial(size_t stage)
    {
        std::string& partial = reads_[stage].partial;
        if (!partial.empty())
            handleLine(stage, partial);
        partial.clear();
    }

    void handleLine(size_t stage, std::string line)
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (merger_->take(stage, line))
            return;
        // Each stage's end is its end record; the job hears "Done rendering!" once, when all are.
        if (line.find(doneText) != std::string::npos)
            return;
        say(stages_[stage].name + ": " + line);
    }

    void progress()
    {
        for (const std::string& message : merger_->messages()) {
            if (firstProgressAt_ == Clock::time_point{})
                firstProgressAt_ = Clock::now();
            say(message);
        }
    }

    void noteStageEnd(size_t stage)
    {
        lastEndSeenAt_ = Clock::now();
        // The record's own time says when the stage ended on its node, not when it was noticed.
        struct stat info {};
        if (::stat((directory_ / stageEndName(stage)).c_str(), &info) == 0) {
            const double when = static_cast<double>(info.st_mtim.tv_sec) + info.st_mtim.tv_nsec / 1e9;
            lastEndTime_ = std::max(lastEndTime_, when);
        }
    }

    bool say(const std::string& line)
    {
        if (hostGone_)
            return false;
        if (!out_.say(line))
            hostGone_ = true;
        return !hostGone_;
    }

    int refuse(int code, const std::string& why)
    {
        say("torvofarm: " + why);
        return code;
    }

    // Cancels whatever of the batch is left; once the cluster has taken that, the watcher may go.
    void cancelRest()
    {
        std::string why;
        if (client_.cancel(jobId_, why))
            watcher_.release();
        else
            say("torvofarm: cancelling job " + std::to_string(jobId_) + " failed (" + why +
                "); it is cancelled again once the front end has ended");
    }

    void passOnTaskLog(uint32_t task)
    {
        std::ifstream in(directory_ / ("task-" + std::to_string(task) + ".log"));
        int count = 0;
        for (std::string line; count < taskLogLines && std::getline(in, line); ++count)
            say("torvofarm: task " + std::to_string(task) + ": " + line);
    }

    int stageFailed(uint32_t task, size_t stage, const StageEnd& end)
    {
        say("torvofarm: stage " + stages_[stage].name + " failed with " + end.describe() +
            (end.host.empty() ? "" : " on " + end.host));
        if (end.kind == StageEnd::Kind::NotStarted)
            passOnTaskLog(task);
        cancelRest();
        switch (end.kind) {
        case StageEnd::Kind::Exited:
            return end.code;
        case StageEnd::Kind::Signalled:
            if (isCrash(end.code))
                endBySignal(end.code);
            return ExitTaskLost;
        case StageEnd::Kind::NotStarted:
            return ExitRendererNotStarted;
        }
        return ExitTaskLost;
    }

    int taskLost(uint32_t task, size_t stage, const std::string& state)
    {
        say("torvofarm: stage " + stages_[stage].name + " did not finish: task " + std::to_string(task) +
            " of job " + std::to_string(jobId_) + " ended (" + state + ") without it");
        passOnTaskLog(task);
        cancelRest();
        return ExitTaskLost;
    }

    int giveUp(int code, const std::string& why)
    {
        if (!why.empty())
            say("torvofarm: " + why);
        cancelRest();
        return code;
    }

    int finished()
    {
        const auto now = Clock::now();
        const double nowSeconds =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        say("torvofarm: " + std::to_string(stages_.size()) + " stages done by " + std::to_string(tasks_.size()) +
            " tasks of job " + std::to_string(jobId_) + "; first progress " +
            seconds(secondsSince(submittedAt_, firstProgressAt_ == Clock::time_point{} ? now : firstProgressAt_)) +
            " s after submission, last stage seen ending " + seconds(secondsSince(submittedAt_, lastEndSeenAt_)) +
            " s after submission, front end done " +
            seconds(lastEndTime_ > 0 ? std::max(0.0, nowSeconds - lastEndTime_) : 0.0) + " s after the last stage");
        say(doneText);
        watcher_.release();
        std::error_code ec;
        fs::remove_all(directory_, ec);
        return hostGone_ ? ExitHostGone : ExitSuccess;
    }

    const FarmArguments& a_;
    Output& out_;
    BatchLimits limits_;
    SlurmClient client_;
    Watcher watcher_;
    std::vector<FarmStage> stages_;
    std::vector<TaskTrack> tasks_;
    std::vector<StageRead> reads_;
    std::unique_ptr<ProgressMerger> merger_;
    std::string name_;
    fs::path directory_;
    long jobId_ = -1;
    bool hostGone_ = false;
    Clock::time_point submittedAt_{};
    Clock::time_point firstProgressAt_{};
    Clock::time_point lastEndSeenAt_{};
    double lastEndTime_ = 0;
};

}  // namespace

int runBatch(const FarmArguments& arguments, Output& out, const BatchLimits& limits)
{
    return Batch(arguments, out, limits).run();
}

}  // namespace farm
