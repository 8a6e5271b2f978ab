// Keeps the renderer processes a host starts from outliving the host.
//
// How: every child asks the kernel to kill it when its parent goes (PR_SET_PDEATHSIG with
// SIGKILL), set between fork and exec. This holds even when the host is killed, because the
// kernel does it. Its limit: the kernel watches the *thread* that forked the child, not the whole
// process. The library starts no threads of its own, so the forking thread is always a host thread
// that called into the library; a host that starts a job on a thread and lets that thread end
// while the job still runs loses the renderer (it is killed, and the job ends with a failed run).
// That is the limit chosen: the alternative, a watcher process holding the host's end of a pipe,
// would be a second process the library starts and must itself keep from leaking.
#pragma once

namespace trv::platform {

// Runs in a new child between fork and exec (async-signal-safe only): makes the child end
// when the host process ends. hostPid is the host's process id, taken before the fork.
void containChild(int hostPid) noexcept;

// Whether this system can contain children at all; false when the kernel lacks the facility.
bool containmentAvailable() noexcept;

// Confirms that a started child is under containment: false for a process id that cannot name
// one (zero or negative) or that names no existing process.
bool assignToContainment(int pid) noexcept;

}  // namespace trv::platform
