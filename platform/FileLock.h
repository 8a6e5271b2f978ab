// Advisory locks on a file, as the managers of one cache directory hold them on a file in it.
#pragma once

#include <filesystem>

namespace trv::platform {

// A lock on one file, held until the object goes or unlock is called. Other processes, and other
// FileLock objects of this process, see it; programs the library starts do not inherit it.
class FileLock {
public:
    enum class Outcome {
        Alone,        // nobody else held the lock: it is held exclusively now
        Shared,       // someone else holds it too: it is held shared now
        Unavailable,  // the file cannot be opened or locked: nothing is held
    };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens the file (creating it when missing) and locks it exclusively if nobody else holds a
    // lock on it, else shared. A holder that is working alone is waited for.
    Outcome lock(const std::filesystem::path& file);
    // Turns an exclusive lock into a shared one; waits while a newcomer holds the file alone
    // (it can slip in between, since the system cannot convert a lock in one step).
    void share();
    void unlock() noexcept;

private:
    int descriptor_ = -1;
};

}  // namespace trv::platform
