// A process that outlives the front end and cancels its jobs on the cluster when the front end
// ends without saying that it has finished: killed by the job's cancel, by the host's end, or by
// anything else that gives it no chance to clean up. The front end holds the only write end of a
// pipe to it; when that end closes without "done", the watcher cancels every job of the batch's
// unique name (which also catches a submission that was in flight) and looks again a few times.
#pragma once

#include <filesystem>
#include <string>

namespace farm {

class Watcher {
public:
    Watcher() = default;
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;
    // Going away without release() is an end without cleanup: the watcher cancels.
    ~Watcher();

    // Starts the watcher for the jobs named jobName; its lines go to logFile. False, with why,
    // when it cannot be started: then nothing may be submitted.
    bool start(const std::string& jobName, const std::filesystem::path& logFile, std::string& why);
    // The watcher also cancels this job by its number.
    void submitted(long jobId);
    // Nothing of the batch is left on the cluster: the watcher ends without cancelling.
    void release();

private:
    int control_ = -1;
};

}  // namespace farm
