// The process environment and the machine it runs on.
#pragma once

#include <optional>
#include <string>

namespace trv::platform {

// The value of an environment variable; nullopt when it is not set.
std::optional<std::string> environmentVariable(const char* name);
// The machine's hardware architecture as the kernel names it ("x86_64", "aarch64", "i686", ...);
// empty when it cannot be told.
std::string machineArchitecture();

}  // namespace trv::platform
