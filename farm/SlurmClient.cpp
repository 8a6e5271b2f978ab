#include "SlurmClient.h"

#include "CommandRunner.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace farm {

namespace {

std::string trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!trim(line).empty())
            result.push_back(trim(line));
    return result;
}

std::vector<std::string> fields(const std::string& line, char separator)
{
    std::vector<std::string> result;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator))
        result.push_back(trim(field));
    return result;
}

bool parseUnsigned(const std::string& text, uint64_t& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18)
        return false;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

// Node states (as sinfo prints them in short form) in which a node takes or will take work.
bool nodeStateUsable(std::string state)
{
    // A trailing "*" means the node does not respond; "~" (powered down) and "#" (powering up)
    // nodes are started on demand.
    if (!state.empty() && state.back() == '*')
        return false;
    while (!state.empty() && std::string("~#%$@^-!+").find(state.back()) != std::string::npos)
        state.pop_back();
    static const char* const usable[] = {"idle", "mix", "alloc", "comp", "plnd", "resv"};
    return std::find(std::begin(usable), std::end(usable), state) != std::end(usable);
}

}  // namespace

bool TaskState::finished() const
{
    static const char* const active[] = {"PENDING",    "RUNNING",   "CONFIGURING", "COMPLETING", "SUSPENDED",
                                         "REQUEUED",   "RESIZING",  "SIGNALING",   "STAGE_OUT",  "REQUEUE_HOLD",
                                         "REQUEUE_FED", "RESV_DEL_HOLD", "SPECIAL_EXIT", "STOPPED"};
    return std::find(std::begin(active), std::end(active), state) == std::end(active);
}

SlurmClient::SlurmClient(std::chrono::milliseconds commandLimit) : limit_(commandLimit) {}

bool SlurmClient::configurationPresent(std::string& why) const
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (const char* named = std::getenv("SLURM_CONF"); named && *named) {
        if (fs::is_regular_file(named, ec))
            return true;
        why = std::string("the cluster configuration named by SLURM_CONF does not exist: ") + named;
        return false;
    }
    // The usual file, or the copy a node of a configuration-less cluster keeps.
    for (const char* path : {"/etc/slurm/slurm.conf", "/run/slurm/conf/slurm.conf", "/var/run/slurm/conf/slurm.conf"})
        if (fs::is_regular_file(path, ec))
            return true;
    why = "no cluster configuration (SLURM_CONF, /etc/slurm/slurm.conf)";
    return false;
}

ArrayLimits SlurmClient::parseLimits(const std::string& showConfig)
{
    ArrayLimits limits;
    uint64_t arraySize = limits.maxTasks;
    for (const std::string& line : lines(showConfig)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = trim(line.substr(0, equals));
        const std::string value = trim(line.substr(equals + 1));
        uint64_t number = 0;
        if (key == "MaxArraySize" && parseUnsigned(value, number)) {
            arraySize = number;
        } else if (key == "MaxJobCount" && parseUnsigned(value, number)) {
            limits.maxJobCount = static_cast<uint32_t>(std::min<uint64_t>(number, UINT32_MAX));
        } else if (key == "SchedulerParameters") {
            for (const std::string& parameter : fields(value, ',')) {
                const std::string prefix = "max_array_tasks=";
                if (parameter.rfind(prefix, 0) == 0 && parseUnsigned(parameter.substr(prefix.size()), number))
                    arraySize = std::min(arraySize, number);
            }
        }
    }
    limits.maxTasks = static_cast<uint32_t>(std::min<uint64_t>(arraySize, UINT32_MAX));
    return limits;
}

ArrayLimits SlurmClient::arrayLimits() const
{
    const CommandResult shown = runCommand({"scontrol", "show", "config"}, limit_);
    if (!shown.succeeded())
        return ArrayLimits{};
    return parseLimits(shown.out);
}

bool SlurmClient::parsePartitions(const std::string& sinfo, std::string& partition, std::string& why)
{
    bool found = false;
    bool up = false;
    bool usable = false;
    std::string chosen = partition;
    for (const std::string& line : lines(sinfo)) {
        const std::vector<std::string> f = fields(line, '|');
        if (f.size() < 4)
            continue;
        std::string name = f[0];
        const bool isDefault = !name.empty() && name.back() == '*';
        if (isDefault)
            name.pop_back();
        if (partition.empty() ? !isDefault : name != partition)
            continue;
        found = true;
        chosen = name;
        up = f[1] == "up";
        uint64_t count = 0;
        if (nodeStateUsable(f[2]) && parseUnsigned(f[3], count) && count > 0)
            usable = true;
    }
    if (!found) {
        why = partition.empty() ? "the cluster has no default partition" : "the cluster has no partition " + partition;
        return false;
    }
    partition = chosen;
    if (!up) {
        why = "partition " + chosen + " is not up";
        return false;
    }
    if (!usable) {
        why = "partition " + chosen + " has no node that can take work";
        return false;
    }
    return true;
}

bool SlurmClient::partitionReady(std::string& partition, std::string& why) const
{
    const char* named = std::getenv("SBATCH_PARTITION");
    partition = named ? named : "";
    std::vector<std::string> command = {"sinfo", "--noheader", "--format=%P|%a|%t|%D"};
    if (!partition.empty())
        command.push_back("--partition=" + partition);
    const CommandResult shown = runCommand(command, limit_);
    if (!shown.succeeded()) {
        why = "the cluster does not answer: " + shown.firstLine();
        return false;
    }
    return parsePartitions(shown.out, partition, why);
}

long SlurmClient::parseJobId(const std::string& sbatch)
{
    // "--parsable" prints the id, followed by ";cluster" on a federation.
    for (const std::string& line : lines(sbatch)) {
        const std::string id = line.substr(0, line.find(';'));
        uint64_t value = 0;
        if (parseUnsigned(id, value) && value > 0 && value < 0x7fffffffULL)
            return static_cast<long>(value);
    }
    return -1;
}

long SlurmClient::submitArray(const std::string& script, uint32_t taskCount, const std::string& jobName,
                              const std::string& workingDirectory, const std::string& outputPattern,
                              const std::vector<std::string>& extraOptions, std::string& why) const
{
    std::vector<std::string> command = {"sbatch",
                                        "--parsable",
                                        "--job-name=" + jobName,
                                        "--array=0-" + std::to_string(taskCount - 1),
                                        "--chdir=" + workingDirectory,
                                        "--output=" + outputPattern,
                                        "--ntasks=1"};
    command.insert(command.end(), extraOptions.begin(), extraOptions.end());
    command.push_back(script);
    const CommandResult submitted = runCommand(command, limit_);
    const long id = submitted.succeeded() ? parseJobId(submitted.out) : -1;
    if (id < 0)
        why = submitted.firstLine();
    return id;
}

bool SlurmClient::parseTaskStates(const std::string& squeue, std::map<uint32_t, TaskState>& states)
{
    for (const std::string& line : lines(squeue)) {
        const std::vector<std::string> f = fields(line, '|');
        uint64_t index = 0;
        if (f.size() < 2 || !parseUnsigned(f[0], index) || index > UINT32_MAX)
            return false;
        states[static_cast<uint32_t>(index)] = TaskState{f[1]};
    }
    return true;
}

bool SlurmClient::taskStates(long jobId, std::map<uint32_t, TaskState>& states, bool& known) const
{
    known = true;
    states.clear();
    const CommandResult listed = runCommand(
        {"squeue", "--noheader", "--array", "--states=all", "--jobs=" + std::to_string(jobId), "--format=%K|%T"},
        limit_);
    if (listed.started && !listed.timedOut && listed.exitCode != 0 &&
        listed.err.find("Invalid job id") != std::string::npos) {
        known = false;
        return true;
    }
    if (!listed.succeeded())
        return false;
    if (!parseTaskStates(listed.out, states))
        return false;
    known = !states.empty();
    return true;
}

bool SlurmClient::nameGone(const std::string& jobName) const
{
    const CommandResult listed = runCommand({"squeue", "--noheader", "--name=" + jobName, "--format=%i"}, limit_);
    return listed.succeeded() && lines(listed.out).empty();
}

bool SlurmClient::cancel(long jobId, std::string& why) const
{
    const CommandResult done = runCommand({"scancel", std::to_string(jobId)}, limit_);
    if (!done.succeeded())
        why = done.firstLine();
    return done.succeeded();
}

bool SlurmClient::cancelByName(const std::string& jobName, std::string& why) const
{
    const CommandResult done = runCommand({"scancel", "--name=" + jobName}, limit_);
    if (!done.succeeded())
        why = done.firstLine();
    return done.succeeded();
}

std::vector<std::string> splitOptions(const std::string& text)
{
    std::vector<std::string> options;
    std::istringstream in(text);
    for (std::string option; in >> option;)
        options.push_back(option);
    return options;
}

}  // namespace farm
