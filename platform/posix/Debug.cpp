#include "platform/Platform.h"

#include <syslog.h>

namespace trv::platform {

// The debugger output of POSIX systems: the system log at debug priority, read with
// journalctl or a syslog viewer.
void debugOutput(const char* text)
{
    syslog(LOG_USER | LOG_DEBUG, "%s", text);
}

}  // namespace trv::platform
