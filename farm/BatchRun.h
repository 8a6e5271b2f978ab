// A front-end run over the stages: one job array on the cluster, one task per stage (several
// stages per task when there are more stages than an array may hold), each task running the
// local renderer in the job directory. While the array runs, the stages' output is passed on,
// their progress merged into the job's progress, and the first stage that fails ends the run:
// the rest of the array is cancelled and the front end exits with that stage's exit code.
#pragma once

#include "FarmArguments.h"
#include "Output.h"

#include <chrono>
#include <cstdint>

namespace farm {

struct BatchLimits {
    uint32_t maxTasks = 0;  // 0: as many as the cluster's configuration allows
    std::chrono::milliseconds pollPause{100};
    std::chrono::milliseconds queuePause{1000};
    // How long a task may be gone from the queue before its stage's end record must be visible.
    std::chrono::seconds endGrace{10};
};

// Runs the batch and returns the front end's exit code (or ends the process with the signal that
// ended a crashed renderer, so the host sees the crash).
int runBatch(const FarmArguments& arguments, Output& out, const BatchLimits& limits);

}  // namespace farm
