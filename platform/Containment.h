// Keeps the renderer processes a host starts from outliving the host.
//
// How: every child asks the kernel to kill it when its parent goes (PR_SET_PDEATHSIG with
// SIGKILL), set between fork and exec. This holds even when the host is killed, because the
// kernel does it. The kernel watches the *thread* that forked the child, not the whole process,
// so children are forked by one thread of the library's own that lives as long as the process
// (runOnForkingThread): a host may start a job on a short-lived thread and poll it from another.
// The alternative, a watcher process holding the host's end of a pipe, would be a second process
// the library starts and must itself keep from leaking.
#pragma once

#include <functional>

namespace trv::platform {

// Runs task on the library's forking thread and gives its result; an exception of the task is
// rethrown here. Falls back to the calling thread when no thread can be started. One task runs
// at a time.
int runOnForkingThread(const std::function<int()>& task);

// Runs in a new child between fork and exec (async-signal-safe only): makes the child end
// when the host process ends. hostPid is the host's process id, taken before the fork.
void containChild(int hostPid) noexcept;

// Whether this system can contain children at all; false when the kernel lacks the facility.
bool containmentAvailable() noexcept;

// Confirms that a started child is under containment: false for a process id that cannot name
// one (zero or negative) or that names no existing process.
bool assignToContainment(int pid) noexcept;

}  // namespace trv::platform
