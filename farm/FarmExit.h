// The front end's own exit codes. A failed stage ends the front end with the stage's exit code
// instead (see BatchRun).
#pragma once

namespace farm {

constexpr int ExitSuccess = 0;
constexpr int ExitUsage = 64;               // the command line is not one the front end takes
constexpr int ExitNotDistributable = 65;    // the stage or the installation cannot be distributed
constexpr int ExitClusterUnavailable = 69;  // the cluster does not answer, refuses the work or has no room
constexpr int ExitHostGone = 70;            // the host stopped reading the progress channel
constexpr int ExitTaskLost = 75;            // a task ended without its stage's end (killed, node lost)
constexpr int ExitRendererNotStarted = 127;  // a node could not start the renderer

}  // namespace farm
