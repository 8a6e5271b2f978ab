#include "platform/Containment.h"

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace trv::platform {

void containChild(int hostPid) noexcept
{
    // Killed with the parent thread; see the header for why the thread, not the process.
    // Without the facility the child runs uncontained, as a failed assignment leaves it; the
    // manager has already logged that it cannot contain (containmentAvailable).
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        return;
    // The host may have ended between the fork and the line above: then the child already has a
    // new parent and the signal will never come.
    if (getppid() != static_cast<pid_t>(hostPid))
        _exit(127);
}

bool containmentAvailable() noexcept
{
    int signal = 0;
    return prctl(PR_GET_PDEATHSIG, &signal) == 0;
}

bool assignToContainment(int pid) noexcept
{
    if (pid <= 0)
        return false;
    // The child contained itself before it ran the renderer; all there is to check is that it exists.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace trv::platform
