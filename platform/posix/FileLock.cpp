#include "platform/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace trv::platform {
namespace {

int lockRetrying(int descriptor, int operation)
{
    int result;
    do {
        result = ::flock(descriptor, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

FileLock::~FileLock()
{
    unlock();
}

FileLock::Outcome FileLock::lock(const std::filesystem::path& file)
{
    unlock();
    // Close-on-exec, atomically: a renderer started by another thread meanwhile must not keep a
    // copy, which would hold the lock after the manager has gone.
    int descriptor;
    do {
        descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        return Outcome::Unavailable;
    // flock locks belong to the open file, so a second open in this process is another holder.
    if (lockRetrying(descriptor, LOCK_EX | LOCK_NB) == 0) {
        descriptor_ = descriptor;
        return Outcome::Alone;
    }
    if (errno == EWOULDBLOCK && lockRetrying(descriptor, LOCK_SH) == 0) {
        descriptor_ = descriptor;
        return Outcome::Shared;
    }
    ::close(descriptor);
    return Outcome::Unavailable;
}

void FileLock::share()
{
    if (descriptor_ >= 0 && lockRetrying(descriptor_, LOCK_SH) != 0)
        unlock();
}

void FileLock::unlock() noexcept
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
}

}  // namespace trv::platform
