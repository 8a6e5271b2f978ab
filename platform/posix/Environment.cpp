#include "platform/Environment.h"

#include <cstdlib>
#include <sys/utsname.h>

namespace trv::platform {

std::optional<std::string> environmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::string machineArchitecture()
{
    struct utsname names;
    if (uname(&names) != 0)
        return std::string();
    return names.machine;
}

}  // namespace trv::platform
