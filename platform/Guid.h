// New globally unique identifiers.
#pragma once

#include <string>

namespace trv::platform {

// A new GUID in its standard text form: 36 characters, lower-case hexadecimal digits and hyphens.
std::string newGuid();

}  // namespace trv::platform
