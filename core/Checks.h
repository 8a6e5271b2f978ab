// Parameter checks shared by every layer, each logging its fixed message when the value fails,
// and the pointer format used wherever a handle is printed.
#pragma once

#include "core/Log.h"

#include <string>

namespace trv {

// Pointer format: zero-padded upper-case hexadecimal, two digits per byte of a pointer.
std::string formatPointer(const void* pointer);

// Lower bound: passes when value is strictly greater than bound.
template <class T>
bool checkAbove(const char* name, T value, T bound)
{
    if (value > bound)
        return true;
    errorStream() << "Parameter " << name << " must be above " << bound << ", was " << value << "." << std::endl;
    return false;
}

bool checkNotNull(const char* name, const void* pointer);

}  // namespace trv
