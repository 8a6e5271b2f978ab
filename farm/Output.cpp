#include "Output.h"

#include <cerrno>
#include <unistd.h>

namespace farm {

bool Output::say(const std::string& line)
{
    const std::string message = line + "\n";
    size_t done = 0;
    while (done < message.size()) {
        const ssize_t written = ::write(descriptor_, message.data() + done, message.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace farm
