// A child process the library started, seen from the host.
#pragma once

#include "platform/Process.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace trv {

// What wait reports; a time-out is the code the system's own waits give for one.
enum WaitResult : int32_t { WaitOutput = 0, WaitProcessEnded = 1, WaitTimeout = 258 };

class ProcessHandler {
public:
    ProcessHandler() = default;
    ProcessHandler(const ProcessHandler&) = delete;
    ProcessHandler& operator=(const ProcessHandler&) = delete;
    // Collects an ended child; a child still running is ended first, since nothing would read
    // its output any more.
    virtual ~ProcessHandler();

    // Starts executable with the blank-separated arguments in workingDirectory. The
    // application name is passed through for the platforms that use one.
    virtual void launch(const std::string& applicationName, const std::filesystem::path& executable,
                        const std::string& arguments, const std::filesystem::path& workingDirectory) = 0;
    // Waits up to timeoutMilliseconds (-1: without limit) for one piece of output or the end.
    virtual int32_t wait(int32_t timeoutMilliseconds) = 0;

    // Ends the process with exit code 1223 and waits for it; nothing happens if that fails.
    void terminate();
    // The exit code, 259 while the process runs, -1 when it cannot be read.
    int32_t exitCode();
    // The process id, used by the manager's containment; 0 before a launch.
    int processHandle() const { return child_.pid; }

    const std::string& lastOutput() const { return lastOutput_; }
    bool outputAvailable() const { return outputAvailable_; }
    bool running() const { return running_; }

protected:
    platform::ChildProcess child_;
    std::string lastOutput_;
    bool outputAvailable_ = false;
    bool running_ = false;
};

// Runs executable with arguments to its end (workingDirectory empty: the host's). Returns 0 and
// stores the exit code, or 1 when the process cannot be started (exitCode untouched).
int runAndWait(const std::filesystem::path& executable, const std::string& arguments,
               const std::filesystem::path& workingDirectory, int32_t& exitCode);

}  // namespace trv
