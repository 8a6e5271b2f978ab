// Runs a short outside command (the cluster's client programs) to its end and collects what it
// printed. A command that does not end within its time is killed: a cluster client whose
// controller does not answer retries for a long time, and nothing here may hang on it.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace farm {

struct CommandResult {
    bool started = false;   // false: the program could not be started (error says why)
    bool timedOut = false;  // killed because it took longer than allowed
    int exitCode = -1;      // the exit status; 128 + signal number when a signal ended it
    std::string out;        // standard output
    std::string err;        // standard error
    std::string error;      // why it could not be started

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
    // The first non-empty line of the error output, else of the output, else a description of
    // how the command ended: the one line a failure report quotes.
    std::string firstLine() const;
};

// Runs argv[0] (looked up in PATH) with the arguments. The command ends with this process if it
// is killed first, so that a submission in flight does not outlive the front end.
CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::milliseconds limit);

}  // namespace farm
