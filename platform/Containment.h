// Keeps the renderer processes a host starts from outliving the host.
#pragma once

namespace trv::platform {

// Runs in a new child between fork and exec (async-signal-safe only): makes the child end
// when the host process ends. hostPid is the host's process id, taken before the fork.
void containChild(int hostPid) noexcept;

}  // namespace trv::platform
