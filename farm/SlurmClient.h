// The cluster, seen through its client programs (sbatch, squeue, scancel, sinfo, scontrol).
//
// The programs are used rather than the C library: their command lines are the interface the
// engine keeps stable across versions and sites (the library's interface changes with every
// release and would tie the front end to the exact version built against), they read the
// site's configuration, its SBATCH_* settings and its authentication exactly as a user's own
// commands do, and a command that hangs on an unreachable controller can be killed after a
// time limit, which a library call cannot.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace farm {

// What the configuration allows a job array to hold.
struct ArrayLimits {
    uint32_t maxTasks = 1001;     // tasks in one array (MaxArraySize, or max_array_tasks when lower)
    uint32_t maxJobCount = 10000;  // jobs the controller holds at once; every array task counts
};

// A task's state as the queue reports it.
struct TaskState {
    std::string state;  // PENDING, RUNNING, COMPLETED, FAILED, CANCELLED, ...
    bool finished() const;
};

class SlurmClient {
public:
    explicit SlurmClient(std::chrono::milliseconds commandLimit = std::chrono::seconds(30));

    // False (why says it) when the client programs have no configuration to read: a missing
    // configuration makes them retry for a minute before they give up.
    bool configurationPresent(std::string& why) const;

    // The partition jobs go to (SBATCH_PARTITION, else the default partition) when it is up and
    // has a node that can run jobs; otherwise false and why.
    bool partitionReady(std::string& partition, std::string& why) const;

    ArrayLimits arrayLimits() const;

    // Submits script as an array of taskCount tasks (indices 0 ..). Returns the job id, or -1
    // with why.
    long submitArray(const std::string& script, uint32_t taskCount, const std::string& jobName,
                     const std::string& workingDirectory, const std::string& outputPattern,
                     const std::vector<std::string>& extraOptions, std::string& why) const;

    // The state of every task of the array, by task index. False when the queue did not answer;
    // known is false when the queue no longer knows the job.
    bool taskStates(long jobId, std::map<uint32_t, TaskState>& states, bool& known) const;

    // True when no job of that name is pending, running or completing; false also when the queue
    // did not answer.
    bool nameGone(const std::string& jobName) const;

    bool cancel(long jobId, std::string& why) const;
    bool cancelByName(const std::string& jobName, std::string& why) const;

    // Parsing of the programs' answers, exposed for tests.
    static ArrayLimits parseLimits(const std::string& showConfig);
    static bool parseTaskStates(const std::string& squeue, std::map<uint32_t, TaskState>& states);
    static long parseJobId(const std::string& sbatch);
    // partition "" means the default one.
    static bool parsePartitions(const std::string& sinfo, std::string& partition, std::string& why);

private:
    std::chrono::milliseconds limit_;
};

// Splits extra sbatch options given in one environment variable at blanks.
std::vector<std::string> splitOptions(const std::string& text);

}  // namespace farm
