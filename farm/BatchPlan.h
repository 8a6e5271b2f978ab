// What the tasks of one submitted array run: the renderer, the job directory and the local
// command line of every stage, with the stages split evenly over the tasks. The front end writes
// it into the batch directory, every task reads it there; each stage leaves its output and, when
// it has ended, a record of how it ended next to it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace farm {

struct BatchPlan {
    std::filesystem::path jobDirectory;  // absolute; every stage runs in it
    std::filesystem::path renderer;      // absolute path of the local renderer
    uint32_t stagesPerTask = 1;
    std::vector<std::string> stageArguments;  // the local command line's arguments, per stage

    // Tasks needed for the stages; at least 1.
    uint32_t taskCount() const;
    // The stages [first, last) that task runs, in order.
    std::pair<size_t, size_t> stagesOfTask(uint32_t task) const;

    // False (why says it) when the file cannot be written or read, or is not a plan.
    bool write(const std::filesystem::path& file, std::string& why) const;
    bool read(const std::filesystem::path& file, std::string& why);
};

// Stages per task so that no more than maxTasks tasks are needed (maxTasks at least 1).
uint32_t stagesPerTask(size_t stageCount, uint32_t maxTasks);

// Files of stage i in the batch directory.
std::string stageOutputName(size_t stage);
std::string stageEndName(size_t stage);

// How a stage's renderer run ended, as the task that ran it records it.
struct StageEnd {
    enum class Kind { Exited, Signalled, NotStarted };
    Kind kind = Kind::Exited;
    int code = 0;      // exit status, signal number, or the system error of a failed start
    std::string host;  // the node it ran on

    bool succeeded() const { return kind == Kind::Exited && code == 0; }
    std::string describe() const;  // "exit code 3", "signal 11 (Segmentation fault)", ...

    // Written to a temporary name first and then renamed, so a reader never sees half of it.
    bool write(const std::filesystem::path& file) const;
    // False when the file is missing or not complete.
    bool read(const std::filesystem::path& file);
};

}  // namespace farm
