// The loaded module (shared library or executable) that holds the library's code.
#pragma once

#include <filesystem>
#include <optional>

namespace trv::platform {

// Full file name of the module this code was loaded from; nullopt when the system cannot tell.
std::optional<std::filesystem::path> ownModuleFile();

}  // namespace trv::platform
