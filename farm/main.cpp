// torvofarm.exe, the distributed front end: renders a job's stages on a Slurm cluster.
//
//   torvofarm.exe -file <scene.xml> -filelist <files.xml> -cfg <stage.xml>... -jobdir <dir>
//                 -resultdir <dir> -bindir <dir> [-o <name>] [-validatesetup]
//
// The library starts it in the job directory with its standard output on the job's progress
// channel. With -validatesetup it only answers (exit 0) whether the stage can be distributed,
// with a line on standard error when not. Settings from the environment:
//   TORVOFARM_SBATCH_OPTIONS   further sbatch options for every submission (account, CPUs ...)
//   TORVOFARM_MAX_TASKS        at most this many tasks per array (default: the cluster's limit)
//   TORVOFARM_CHECK_SECONDS    how long the setup check's task may take (default 30)
//   SBATCH_PARTITION and the other SBATCH_* settings of sbatch itself.
#include "BatchRun.h"
#include "FarmArguments.h"
#include "FarmExit.h"
#include "Output.h"
#include "SetupCheck.h"

#include <csignal>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

uint32_t environmentNumber(const char* name, uint32_t fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    return *end == 0 && value > 0 && value <= UINT32_MAX ? static_cast<uint32_t>(value) : fallback;
}

}  // namespace

int main(int argc, char** argv)
{
    // A reader that went away shows as a failed write, not as a signal that would end the front
    // end before it cancels its tasks.
    std::signal(SIGPIPE, SIG_IGN);
    // sbatch would wait for the whole array to end.
    ::unsetenv("SBATCH_WAIT");

    farm::FarmArguments arguments;
    std::string why;
    const std::vector<std::string> words(argv + 1, argv + argc);
    const bool parsed = farm::parseFarmArguments(words, arguments, why);
    farm::Output out(parsed && !arguments.validateSetup ? STDOUT_FILENO : STDERR_FILENO);
    if (!parsed) {
        out.say("torvofarm: " + why);
        return farm::ExitUsage;
    }
    std::error_code ec;
    arguments.makeAbsolute(std::filesystem::current_path(ec));
    // Command lines are built relative to the job directory, as the library builds them.
    if (::chdir(arguments.jobDirectory.c_str()) != 0) {
        out.say("torvofarm: cannot enter the job directory " + arguments.jobDirectory.string());
        return farm::ExitNotDistributable;
    }

    if (arguments.validateSetup) {
        farm::SetupCheckLimits limits;
        limits.taskWait = std::chrono::seconds(environmentNumber("TORVOFARM_CHECK_SECONDS", 30));
        return farm::validateSetup(arguments, out, limits);
    }
    farm::BatchLimits limits;
    limits.maxTasks = environmentNumber("TORVOFARM_MAX_TASKS", 0);
    return farm::runBatch(arguments, out, limits);
}
