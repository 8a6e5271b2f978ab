#include "platform/Platform.h"

#include <cerrno>
#include <fcntl.h>

namespace trv::platform {

int openLogFile(const std::string& name)
{
    int fd;
    do {
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace trv::platform
