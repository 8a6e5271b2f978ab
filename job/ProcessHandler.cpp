#include "job/ProcessHandler.h"

namespace trv {

ProcessHandler::~ProcessHandler()
{
    if (child_.pid > 0 && !platform::reapChild(child_, false)) {
        platform::killChild(child_);
        platform::reapChild(child_, true);
    }
}

void ProcessHandler::terminate()
{
    if (child_.pid <= 0 || child_.reaped)
        return;
    if (!platform::killChild(child_))
        return;
    platform::reapChild(child_, true);
}

int32_t ProcessHandler::exitCode()
{
    if (child_.pid <= 0)
        return -1;
    if (!platform::reapChild(child_, false))
        return platform::ExitCodeStillActive;
    return child_.exitCode;
}

int runAndWait(const std::filesystem::path& executable, const std::string& arguments,
               const std::filesystem::path& workingDirectory, int32_t& exitCode)
{
    platform::ChildProcess child;
    if (platform::startChild(executable.native(), platform::splitArguments(arguments), workingDirectory, -1, child) !=
        0)
        return 1;
    platform::reapChild(child, true);
    exitCode = child.exitCode;
    return 0;
}

}  // namespace trv
