// The program every array task runs on its node, from the renderer's directory:
//
//   torvofarm-task.exe <plan> <task index>      runs the task's stages one after the other
//   torvofarm-task.exe --check <list> <result>  checks what a node must reach (see SetupCheck)
//
// Each stage's renderer runs in the job directory with its output in the stage's output file;
// when it ends, the stage's end record is written next to it. The first stage that fails ends
// the task with the renderer's exit status, so the queue shows the failure too.
#include "BatchPlan.h"
#include "NodeCheck.h"

#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int ExitUsage = 64;        // the task was started wrongly
constexpr int ExitNotStarted = 127;  // the renderer could not be started
constexpr int SignalExitBase = 128;  // a renderer ended by signal s: 128 + s, as shells report it

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "unknown";
    return name;
}

farm::StageEnd runStage(const farm::BatchPlan& plan, size_t stage, const fs::path& batchDirectory)
{
    farm::StageEnd end;
    end.host = hostName();
    std::vector<std::string> arguments = trv::platform::splitArguments(plan.stageArguments[stage]);
    arguments.insert(arguments.begin(), plan.renderer.string());
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string directory = plan.jobDirectory.string();

    const fs::path outputFile = batchDirectory / farm::stageOutputName(stage);
    const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output < 0) {
        end.kind = farm::StageEnd::Kind::NotStarted;
        end.code = errno;
        return end;
    }
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        end.kind = farm::StageEnd::Kind::NotStarted;
        end.code = errno;
        ::close(output);
        return end;
    }
    const pid_t self = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The renderer goes when the task goes, however the task is ended.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        int error = ::getppid() == self ? 0 : ECHILD;
        const int input = ::open("/dev/null", O_RDONLY);
        if (error == 0 && (input < 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0 || ::dup2(output, 2) < 0))
            error = errno;
        if (error == 0 && ::chdir(directory.c_str()) != 0)
            error = errno;
        if (error == 0) {
            ::signal(SIGPIPE, SIG_DFL);
            ::execv(argv[0], argv.data());
            error = errno;
        }
        ssize_t ignored = ::write(report[1], &error, sizeof error);
        (void)ignored;
        ::_exit(ExitNotStarted);
    }
    ::close(report[1]);
    ::close(output);
    if (pid < 0) {
        end.kind = farm::StageEnd::Kind::NotStarted;
        end.code = errno;
        ::close(report[0]);
        return end;
    }
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof childError)) {
        end.kind = farm::StageEnd::Kind::NotStarted;
        end.code = childError;
    } else if (WIFSIGNALED(status)) {
        end.kind = farm::StageEnd::Kind::Signalled;
        end.code = WTERMSIG(status);
    } else {
        end.code = WEXITSTATUS(status);
    }
    return end;
}

int runTask(const fs::path& planFile, const std::string& taskText)
{
    farm::BatchPlan plan;
    std::string why;
    if (!plan.read(planFile, why)) {
        std::cerr << "torvofarm-task: " << why << std::endl;
        return ExitUsage;
    }
    char* rest = nullptr;
    const unsigned long task = std::strtoul(taskText.c_str(), &rest, 10);
    if (taskText.empty() || *rest != 0 || task >= plan.taskCount()) {
        std::cerr << "torvofarm-task: no task " << taskText << " in " << planFile.string() << std::endl;
        return ExitUsage;
    }
    const fs::path batchDirectory = planFile.parent_path();
    const auto [first, last] = plan.stagesOfTask(static_cast<uint32_t>(task));
    for (size_t stage = first; stage < last; ++stage) {
        const farm::StageEnd end = runStage(plan, stage, batchDirectory);
        if (!end.write(batchDirectory / farm::stageEndName(stage)))
            std::cerr << "torvofarm-task: cannot record the end of stage " << stage << " in "
                      << batchDirectory.string() << std::endl;
        if (!end.succeeded()) {
            std::cerr << "torvofarm-task: stage " << stage << " ended with " << end.describe() << std::endl;
            switch (end.kind) {
            case farm::StageEnd::Kind::Exited:
                return end.code;
            case farm::StageEnd::Kind::Signalled:
                return SignalExitBase + end.code;
            case farm::StageEnd::Kind::NotStarted:
                return ExitNotStarted;
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--check") == 0)
        return farm::runNodeCheck(argv[2], argv[3]) ? 0 : 1;
    if (argc == 3)
        return runTask(argv[1], argv[2]);
    std::cerr << "usage: torvofarm-task.exe <plan> <task index> | --check <list> <result>" << std::endl;
    return ExitUsage;
}
