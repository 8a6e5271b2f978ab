// Range checks of settings with their fixed messages. A NaN passes no check.
#pragma once

#include "core/Log.h"

namespace trv {

// "Parameter <name> must be above or equal to <bound>, was <value>."
template <class T>
bool checkAtLeast(const char* name, T value, T bound)
{
    if (value >= bound)
        return true;
    errorStream() << "Parameter " << name << " must be above or equal to " << bound << ", was " << value << "."
                  << std::endl;
    return false;
}

// "Parameter <name> must be between <low> and <high>, was <value>" (no full stop).
template <class T>
bool checkBetween(const char* name, T value, T low, T high)
{
    if (value >= low && value <= high)
        return true;
    errorStream() << "Parameter " << name << " must be between " << low << " and " << high << ", was " << value
                  << std::endl;
    return false;
}

}  // namespace trv
