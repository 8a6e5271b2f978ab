// "-validatesetup": exit 0 exactly when the stage can run on the cluster. The stage document must
// be readable; the renderer and the task program must be in the binaries directory; the cluster's
// client programs must answer; the partition jobs go to must be up with a node that takes work;
// and a tiny task, with a time limit, must find on a node everything the stage needs (renderer,
// job directory, result directory, scene, file list, meshes, stage documents).
//
// The library asks once per stage when it may fall back to local rendering, so the cluster's
// answer is kept in the job directory for a while (a pass for ten minutes, a failure for one) and
// only the stage's own document is read on every call.
#pragma once

#include "FarmArguments.h"
#include "Output.h"

#include <chrono>

namespace farm {

struct SetupCheckLimits {
    std::chrono::seconds taskWait{30};  // how long the check task may take to start and answer
    std::chrono::seconds passKept{600};
    std::chrono::seconds failureKept{60};
};

// Returns the exit code; on failure writes one line saying why to report.
int validateSetup(const FarmArguments& arguments, Output& report, const SetupCheckLimits& limits);

}  // namespace farm
