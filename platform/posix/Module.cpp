#include "platform/Module.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>

namespace trv::platform {

std::optional<std::filesystem::path> ownModuleFile()
{
    // The module that holds this very function is the library (or the program it is linked into).
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownModuleFile), &info) == 0 || !info.dli_fname || !*info.dli_fname)
        return std::nullopt;
    std::error_code ec;
    // The loader names the main program by its command name, which may be relative to a
    // directory the process has left since; the kernel knows its real file.
    if (std::strcmp(info.dli_fname, program_invocation_name) == 0) {
        std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (!ec)
            return exe;
    }
    std::filesystem::path file = std::filesystem::canonical(info.dli_fname, ec);
    if (ec)
        file = std::filesystem::absolute(info.dli_fname, ec);
    if (ec)
        return std::nullopt;
    return file;
}

}  // namespace trv::platform
